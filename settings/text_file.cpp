#include "settings/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <new>
#include <system_error>

#include "core/whole_file.h"

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (!directory.empty() && directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::int32_t> ParseWholeNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Accumulated as a magnitude; -2147483648 is one more than the largest positive.
  const std::int64_t limit =
      std::int64_t{std::numeric_limits<std::int32_t>::max()} + (negative ? 1 : 0);
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::string NotAnIntegerText(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid integer value";
}

std::string FileFailureText(const char* what, const std::string& path, int error) {
  return std::string("Cannot ") + what + " file \"" + path +
         "\": " + std::system_category().message(error);
}

RegularFileBytes ReadRegularFile(const std::string& path) {
  RegularFileBytes result;
  if (!IsRegularFile(path)) return result;
  // Non-blocking, so that a FIFO put in the file's place after the test
  // cannot hang the open; fstat then checks what was opened.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  result.found = true;
  if (fd < 0) {
    result.error = FileFailureText("open", path, errno);
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return RegularFileBytes{};
  }
  // A file larger than any settings file is refused before it is read; one
  // that grows past the bound while read is refused too.
  const auto tooLarge = [&] {
    result.error = FileFailureText("read", path, EFBIG);
    result.bytes.clear();
    ::close(fd);
    return result;
  };
  if (static_cast<std::uint64_t>(st.st_size) > kMaxTextFileBytes) return tooLarge();
  char buffer[64 * 1024];
  try {
    result.bytes.reserve(static_cast<std::size_t>(st.st_size));
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        result.error = FileFailureText("read", path, errno);
        ::close(fd);
        return result;
      }
      if (result.bytes.size() + static_cast<std::size_t>(n) > kMaxTextFileBytes) return tooLarge();
      result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    result.error = FileFailureText("read", path, ENOMEM);
    result.bytes.clear();
  }
  ::close(fd);
  return result;
}

std::optional<std::string> WriteWholeFile(const std::string& path, std::string_view data,
                                          bool create) {
  const auto failure =
      WriteFileWhole(path, create, [data](int fd) { return WriteAllBytes(fd, data); });
  if (!failure) return std::nullopt;
  return FileFailureText(failure->what, path, failure->error);
}

std::optional<std::string> KeepCopy(const std::string& from, const std::string& to) {
  const int source = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (source < 0) return FileFailureText("open", from, errno);
  struct stat st {};
  const int statError = ::fstat(source, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
  if (statError != 0) {
    ::close(source);
    return FileFailureText("open", from, statError);
  }
  int readError = 0;
  const auto failure = WriteFileWhole(to, /*create=*/true, [&](int fd) {
    char buffer[64 * 1024];
    for (;;) {
      const ssize_t n = ::read(source, buffer, sizeof buffer);
      if (n == 0) return 0;
      if (n < 0) {
        if (errno == EINTR) continue;
        readError = errno;
        return readError;
      }
      if (const int error =
              WriteAllBytes(fd, std::string_view(buffer, static_cast<std::size_t>(n))))
        return error;
    }
  });
  ::close(source);
  if (readError != 0) return FileFailureText("read", from, readError);
  if (failure) return FileFailureText(failure->what, to, failure->error);
  return std::nullopt;
}
