// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/path_at.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace {

int OpenFolder(int dir, const std::string& piece) {
  return OpenAt(dir, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
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
      moveTo(-1);
      errno = ENAMETOOLONG;
      return;
    }
    moveTo(OpenFolder(dir_, path.substr(start, cut - start)));
    if (dir_ < 0) return;
    start = cut;
    while (start < path.size() && path[start] == '/') ++start;
  }
  // Only slashes after the last cut: the folder itself.
  if (start > 0) name_ = start < path.size() ? path.c_str() + start : ".";
  if (mode == kOpenParent && dir_ != -1) openParent(path, start);
}

void PathAt::moveTo(int folder) {
  owned_.reset(folder);
  dir_ = folder;
}

void PathAt::openParent(const std::string& path, std::size_t start) {
  // The folder part of what is left; a name without one lives in dir_ itself.
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash < start) {
    if (!owned_.valid()) moveTo(OpenFolder(dir_, "."));
    return;
  }
  // "/name" lives in "/"; "a//b" in "a".
  std::size_t end = slash;
  while (end > start && path[end - 1] == '/') --end;
  const std::string folder = end > start ? path.substr(start, end - start) : std::string("/");
  moveTo(OpenFolder(dir_, folder));
  name_ = path.c_str() + slash + 1;
}

int OpenPath(const std::string& path, int flags) {
  const PathAt at(path);
  if (!at.valid()) return -1;
  return OpenAt(at.dir(), at.name(), flags);
}

int StatPath(const std::string& path, struct stat& st, int flags) {
  const PathAt at(path);
  if (!at.valid()) return -1;
  return ::fstatat(at.dir(), at.name(), &st, flags);
}
