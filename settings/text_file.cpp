#include "settings/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <system_error>

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
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      result.error = FileFailureText("read", path, errno);
      ::close(fd);
      return result;
    }
    result.bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return result;
}

namespace {

// Writes all of `data` to `fd`; the errno of a failure, 0 on success.
int WriteAll(int fd, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Writes `data` to a new file beside `path` and renames it over `path`, so a
// write that fails (a full disk) leaves the old content in place. The new file
// takes the old one's owner and permission bits. False, with nothing changed,
// when the folder takes no new file, the owner cannot be kept or the rename is
// refused: the caller then writes in place. Otherwise `failure` holds the
// failure text, or nothing on success.
bool ReplaceThroughTemporary(const std::string& path, const struct stat& old, std::string_view data,
                             std::optional<std::string>& failure) {
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // A file that would change hands is left to the in-place write.
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return false;
  }
  int error = ::fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
  if (error == 0) error = WriteAll(fd, data);
  // Stored before the rename, so that a crash cannot leave an empty file.
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
    error = errno;
    if (error == EACCES || error == EPERM) {
      ::unlink(temporary.c_str());
      return false;
    }
  }
  if (error != 0) {
    ::unlink(temporary.c_str());
    failure = FileFailureText("write", path, error);
  }
  return true;
}

}  // namespace

std::optional<std::string> WriteWholeFile(const std::string& path, std::string_view data,
                                          bool create) {
  // A writable regular file of its own (no link to it) is replaced as a whole;
  // the rest (a new file, a link, a device, a write-protected file) is opened
  // in place, which also reports what forbids the write.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
      ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0) {
    std::optional<std::string> failure;
    if (ReplaceThroughTemporary(path, st, data, failure)) return failure;
  }
  // Non-blocking, so that a FIFO without a reader fails instead of hanging.
  const int flags = O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK | (create ? O_CREAT : 0);
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return FileFailureText(create ? "create" : "open", path, errno);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (const int error = WriteAll(fd, data); error != 0) {
    ::close(fd);
    return FileFailureText("write", path, error);
  }
  // Data the system could not store may surface only at close.
  if (::close(fd) != 0) return FileFailureText("close", path, errno);
  return std::nullopt;
}
