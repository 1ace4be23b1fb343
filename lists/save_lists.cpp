#include "lists/save_lists.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

std::string SaveListFileName(const std::string& chosen) {
  const auto dot = chosen.rfind('.');
  if (dot != std::string::npos) {
    std::string extension = chosen.substr(dot + 1);
    for (char& c : extension) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (extension == "txt") return chosen;
  }
  return chosen + ".txt";
}

namespace {

std::string Failure(const char* what, const std::string& fileName, int error) {
  return std::string("Cannot ") + what + " file \"" + fileName +
         "\": " + std::system_category().message(error);
}

// Writes all of `data`, resuming after partial writes and interruptions.
bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> SaveCandidateList(const std::string& fileName,
                                             const CandidateTable& candidates, SavedField field) {
  const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Failure("create", fileName, errno);

  constexpr std::size_t kFlushAt = 64 * 1024;
  std::string buffer;
  buffer.reserve(kFlushAt + 4096);
  const int count = candidates.count();
  for (int k = 1; k <= count; ++k) {
    const CandidateRow& row = candidates.row(k);
    buffer += field == SavedField::FullPath ? row.FullPath : row.FileName;
    buffer += "\r\n";
    if (buffer.size() >= kFlushAt || k == count) {
      if (!WriteAll(fd, buffer)) {
        const int error = errno;
        ::close(fd);
        return Failure("write", fileName, error);
      }
      buffer.clear();
    }
  }
  // Data the system could not store may surface only at close.
  if (::close(fd) != 0) return Failure("close", fileName, errno);
  return std::nullopt;
}
