#include "core/path_at.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace {

int OpenFolder(int dir, const std::string& piece) {
  for (;;) {
    const int fd = ::openat(dir, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

}  // namespace

PathAt::PathAt(const std::string& path, Mode mode) : dir_(AT_FDCWD), name_(path.c_str()) {
  std::size_t start = 0;
  while (path.size() - start >= PATH_MAX) {
    // The longest piece that ends just before a '/' and fits, with its NUL,
    // in PATH_MAX. A piece starting with '/' is absolute, which only the
    // first can be: the slashes after a cut are skipped.
    const std::size_t cut = path.rfind('/', start + PATH_MAX - 1);
    if (cut == std::string::npos || cut <= start) {
      // No '/' within reach: a single name longer than any file system allows.
      if (owned_) ::close(dir_);
      owned_ = false;
      dir_ = -1;
      errno = ENAMETOOLONG;
      return;
    }
    const int next = OpenFolder(dir_, path.substr(start, cut - start));
    const int error = errno;
    if (owned_) ::close(dir_);
    owned_ = next >= 0;
    dir_ = next;
    if (next < 0) {
      errno = error;
      return;
    }
    start = cut;
    while (start < path.size() && path[start] == '/') ++start;
  }
  // Only slashes after the last cut: the folder itself.
  if (start > 0) name_ = start < path.size() ? path.c_str() + start : ".";
  if (mode == kOpenParent && dir_ != -1) openParent(path, start);
}

void PathAt::openParent(const std::string& path, std::size_t start) {
  // The folder part of what is left; a name without one lives in dir_ itself.
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash < start) {
    if (owned_) return;
    const int here = OpenFolder(dir_, ".");
    if (here < 0) {
      dir_ = -1;
      return;
    }
    dir_ = here;
    owned_ = true;
    return;
  }
  // "/name" lives in "/"; "a//b" in "a".
  std::size_t end = slash;
  while (end > start && path[end - 1] == '/') --end;
  const std::string folder = end > start ? path.substr(start, end - start) : std::string("/");
  const int next = OpenFolder(dir_, folder);
  const int error = errno;
  if (owned_) ::close(dir_);
  owned_ = next >= 0;
  dir_ = next;
  errno = error;
  name_ = path.c_str() + slash + 1;
}

PathAt::~PathAt() {
  if (!owned_) return;
  const int error = errno;
  ::close(dir_);
  errno = error;
}

int OpenPath(const std::string& path, int flags) {
  const PathAt at(path);
  if (!at.valid()) return -1;
  for (;;) {
    const int fd = ::openat(at.dir(), at.name(), flags);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

int StatPath(const std::string& path, struct stat& st, int flags) {
  const PathAt at(path);
  if (!at.valid()) return -1;
  return ::fstatat(at.dir(), at.name(), &st, flags);
}
