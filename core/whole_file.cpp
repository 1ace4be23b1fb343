// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>

#include "core/file_io.h"
#include "core/paths.h"

namespace {

// The path a chain of symbolic links ends at (at most 40 links, as the
// kernel allows); the path itself when it is no link or names nothing.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return path;
    const std::string next(target, static_cast<std::size_t>(n));
    if (next.front() == '/') {
      path = next;
    } else {
      path.resize(FolderPrefixOf(path).size());
      path += next;
    }
  }
  return path;
}

// A new, empty file in the folder of `path` under a name no other file has;
// -1 with errno when the folder takes none.
int CreateBeside(const std::string& path, mode_t mode, std::string& created) {
  static std::atomic<unsigned> counter{0};
  const std::string folder(FolderPrefixOf(path));
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[64];
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::snprintf(name, sizeof name, ".twinscan-%d-%u-%llx", static_cast<int>(::getpid()),
                  counter.fetch_add(1), static_cast<unsigned long long>(now) & 0xffffffULL);
    created = folder + name;
    const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

std::optional<WriteFailure> WriteInPlace(const std::string& path,
                                         const std::function<int(int)>& fill) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) return WriteFailure{"create", errno};
  if (const int error = fill(fd.get()); error != 0) return WriteFailure{"write", error};
  if (const int error = fd.close(); error != 0) return WriteFailure{"close", error};
  return std::nullopt;
}

}  // namespace

std::optional<WriteFailure> WriteFileWhole(const std::string& path, bool create,
                                           const std::function<int(int fd)>& fill) {
  const std::string target = FollowLinks(path);
  struct stat old {};
  const bool exists = ::lstat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return WriteFailure{create ? "create" : "open", errno};
  if (!exists && !create) return WriteFailure{"open", ENOENT};
  if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(target, fill);
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
    return WriteFailure{create ? "create" : "open", errno};

  std::string temporary;
  UniqueFd fd(CreateBeside(target, exists ? 0600 : 0666, temporary));
  if (!fd.valid()) return WriteFailure{exists ? "write" : "create", errno};
  WriteFailure failure{"write", 0};
  if (exists) {
    // The owner can be kept only with the rights to give files away; the
    // content is the caller's to write either way.
    (void)::fchown(fd.get(), old.st_uid, old.st_gid);
    if (::fchmod(fd.get(), old.st_mode & 07777) != 0) failure.error = errno;
  }
  if (failure.error == 0) failure.error = fill(fd.get());
  // Stored before the rename, so that a crash cannot leave an empty file in
  // place of the old one. A new file has nothing to lose, and a sync can
  // take long (it may flush other files' data too), so only a replacement
  // waits for it.
  if (exists && failure.error == 0 && ::fsync(fd.get()) != 0) failure.error = errno;
  if (const int error = fd.close(); error != 0 && failure.error == 0) failure = {"close", error};
  if (failure.error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
    failure = {"write", errno};
  }
  if (failure.error == 0) return std::nullopt;
  ::unlink(temporary.c_str());
  return failure;
}
