// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/trash.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "core/file_io.h"
#include "core/path_at.h"
#include "core/paths.h"
#include "core/trash_folders.h"

namespace {

// Names tried in one Trash before the move gives up with EEXIST.
constexpr int kNameTries = 100;
constexpr std::string_view kInfoSuffix = ".trashinfo";

// What a move into one Trash came to; `error` is the errno of Failed.
struct Attempt {
  DeleteOutcome outcome = DeleteOutcome::Failed;
  int error = 0;
};

Attempt FailedWith(int error) {
  return {DeleteOutcome::Failed, error};
}

// The file to move: its parent folder (opened once), its name there and the
// identity it must still have.
struct Source {
  int dir;
  const char* name;
  const FileIdentity& expected;
  FileIdentity* after;
};

bool OnDevice(int fd, dev_t dev) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && st.st_dev == dev;
}

// The folder `name` in `dir`, opened, and made (mode 0700) when missing.
// With `follow` false a link in its place is refused (ELOOP).
UniqueFd OpenOrMake(int dir, const char* name, bool follow) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
  UniqueFd fd(OpenAt(dir, name, flags));
  if (fd.valid() || errno != ENOENT) return fd;
  if (::mkdirat(dir, name, 0700) != 0 && errno != EEXIST) return fd;
  fd.reset(OpenAt(dir, name, flags));
  return fd;
}

// Bytes as the Path key carries them: letters, digits, "-_.~/" as they are,
// every other byte as %XX, so any name, UTF-8 or not, goes and comes back.
std::string PercentEncoded(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
        std::string_view("-_.~/").find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

// Local time as YYYY-MM-DDThh:mm:ss.
std::string DeletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[32] = "";
  if (::localtime_r(&now, &local) != nullptr) {
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  }
  return text;
}

std::uint64_t RandomBits() {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t x =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ULL ^
      std::hash<std::thread::id>()(std::this_thread::get_id()) ^
      static_cast<std::uint64_t>(::getpid()) << 40;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// The k-th name tried in a Trash for a file called `name`: the name, then
// with ".2" to ".10", then with a random suffix; cut (never inside a UTF-8
// sequence) so that the info file's name fits NAME_MAX.
std::string TrashName(std::string_view name, int k) {
  std::string suffix;
  if (k > 0 && k < 10) {
    suffix = "." + std::to_string(k + 1);
  } else if (k >= 10) {
    char hex[24];
    std::snprintf(hex, sizeof hex, ".%016llx", static_cast<unsigned long long>(RandomBits()));
    suffix = hex;
  }
  std::size_t keep = std::min(name.size(), NAME_MAX - kInfoSuffix.size() - suffix.size());
  // A UTF-8 sequence is at most four bytes: three continuation bytes at most.
  for (int back = 0; back < 3 && keep > 0 && keep < name.size() &&
                     (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80;
       ++back) {
    --keep;
  }
  return std::string(name.substr(0, keep)) + suffix;
}

// Renames the file into `files` as `as` when its name still shows the file
// expected, looked at right before. Failed with EEXIST: `as` is taken.
Attempt RenameIfUnchanged(const Source& source, int files, const std::string& as) {
  struct stat st {};
  if (::fstatat(source.dir, source.name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? Attempt{DeleteOutcome::Missing} : FailedWith(errno);
  }
  if (!S_ISREG(st.st_mode) || IdentityOf(st) != source.expected) return {DeleteOutcome::Changed};
  // Held (without opening its content), the file tells its identity once moved.
  UniqueFd held;
  if (source.after != nullptr && st.st_nlink > 1) {
    held.reset(::openat(source.dir, source.name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!held.valid() || !DescriptorShows(held.get(), source.expected)) {
      return {DeleteOutcome::Changed};
    }
  }
  if (::renameat2(source.dir, source.name, files, as.c_str(), RENAME_NOREPLACE) != 0) {
    int why = errno;
    if (why == EINVAL) {
      // A file system without RENAME_NOREPLACE: the name the info file
      // reserved is used when nothing is there.
      struct stat there {};
      if (::fstatat(files, as.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0) return FailedWith(EEXIST);
      why = errno != ENOENT                                               ? errno
            : ::renameat(source.dir, source.name, files, as.c_str()) == 0 ? 0
                                                                          : errno;
    }
    if (why != 0) {
      if (::fstatat(source.dir, source.name, &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) {
        return {DeleteOutcome::Missing};
      }
      return FailedWith(why);
    }
  }
  struct stat now {};
  if (held.valid() && ::fstat(held.get(), &now) == 0) *source.after = IdentityOf(now);
  return {DeleteOutcome::Deleted};
}

// Moves the file into the Trash folder `trash`, its place written as
// `original` (absolute, or relative to the Trash's top folder).
Attempt MoveInto(int trash, const std::string& original, const Source& source) {
  const UniqueFd info = OpenOrMake(trash, "info", false);
  if (!info.valid()) return FailedWith(errno);
  const UniqueFd files = OpenOrMake(trash, "files", false);
  if (!files.valid()) return FailedWith(errno);
  // Both must take new names before anything is written.
  if (::faccessat(info.get(), ".", W_OK | X_OK, AT_EACCESS) != 0 ||
      ::faccessat(files.get(), ".", W_OK | X_OK, AT_EACCESS) != 0) {
    return FailedWith(errno);
  }
  const std::string text =
      "[Trash Info]\nPath=" + PercentEncoded(original) + "\nDeletionDate=" + DeletionDate() + "\n";
  for (int k = 0; k < kNameTries; ++k) {
    const std::string name = TrashName(source.name, k);
    const std::string infoName = name + std::string(kInfoSuffix);
    // Made new, the info file reserves the name among other movers.
    UniqueFd out(::openat(info.get(), infoName.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid()) {
      if (errno == EEXIST) continue;
      return FailedWith(errno);
    }
    const int written = WriteAll(out.get(), text);
    const int closed = out.close();
    const Attempt attempt = written != 0  ? FailedWith(written)
                            : closed != 0 ? FailedWith(closed)
                                          : RenameIfUnchanged(source, files.get(), name);
    if (attempt.outcome == DeleteOutcome::Deleted) return attempt;
    ::unlinkat(info.get(), infoName.c_str(), 0);
    if (attempt.outcome != DeleteOutcome::Failed || attempt.error != EEXIST) return attempt;
  }
  return FailedWith(EEXIST);
}

// The home Trash, opened (and made when missing) when it is on `dev`, the
// file's device; EXDEV in *error when it is on another.
UniqueFd OpenHomeTrash(dev_t dev, int* error) {
  const std::optional<HomeTrashPlace> place = HomeTrashPlaceNow();
  if (!place) {
    *error = ENOENT;
    return {};
  }
  UniqueFd dir(OpenPath(place->base, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  for (const std::string& name : place->below) {
    if (!dir.valid()) break;
    UniqueFd next(OpenAt(dir.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!next.valid() && errno == ENOENT) {
      // Nothing is made for a file of another device.
      if (!OnDevice(dir.get(), dev)) {
        *error = EXDEV;
        return {};
      }
      next = OpenOrMake(dir.get(), name.c_str(), true);
    }
    dir = std::move(next);
  }
  if (!dir.valid()) {
    *error = errno;
    return {};
  }
  if (!OnDevice(dir.get(), dev)) {
    *error = EXDEV;
    return {};
  }
  return dir;
}

// The path of the open folder `dir` as the kernel names it (no links on the
// way); empty when it cannot tell.
std::string RealFolderPath(int dir) {
  const std::string link = "/proc/self/fd/" + std::to_string(dir);
  std::string target(PATH_MAX, '\0');
  const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= target.size() || target[0] != '/') return {};
  target.resize(static_cast<std::size_t>(n));
  if (target.ends_with(" (deleted)")) return {};
  return target;
}

std::string Joined(const std::string& folder, std::string_view name) {
  return folder.empty() ? std::string(name) : JoinPath(folder, name);
}

// `path` made absolute by the current folder; empty when that is unknown.
std::string AbsoluteText(const std::string& path) {
  if (path.starts_with('/')) return path;
  std::string cwd(PATH_MAX, '\0');
  if (::getcwd(cwd.data(), cwd.size()) == nullptr) return {};
  cwd.resize(cwd.find('\0'));
  return Joined(cwd, path);
}

// The top folder of the mount that holds the folder `real` (on `dev`): the
// highest folder above it on that device that is not below a mount's root.
std::string TopFolder(const std::string& real, dev_t dev) {
  std::string top = real;
  while (top != "/") {
    struct statx sx {};
    if (::statx(AT_FDCWD, top.c_str(), AT_SYMLINK_NOFOLLOW, 0, &sx) == 0 &&
        (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
        (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0) {
      break;
    }
    std::string up(FolderOf(top));
    struct stat st {};
    if (StatPath(up, st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_dev != dev) break;
    top = std::move(up);
  }
  return top;
}

// A Trash folder of a mount, usable only as a real folder of this user on
// the file's device.
bool OwnFolder(const UniqueFd& fd, dev_t dev) {
  struct stat st {};
  return fd.valid() && ::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid() && st.st_dev == dev;
}

// Moves the file into the Trash of its mount, whose top folder is `top`:
// $top/.Trash/$uid when $top/.Trash is a sticky folder, else $top/.Trash-$uid.
Attempt MoveToTopTrash(const std::string& top, const std::string& relative, dev_t dev,
                       const Source& source) {
  const UniqueFd topFd(OpenPath(top, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!topFd.valid() || !OnDevice(topFd.get(), dev)) return FailedWith(EXDEV);
  const std::string uid = std::to_string(::geteuid());
  Attempt last = FailedWith(EXDEV);
  const UniqueFd shared(OpenAt(topFd.get(), std::string(kSharedTrashName).c_str(),
                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st {};
  if (shared.valid() && ::fstat(shared.get(), &st) == 0 && (st.st_mode & S_ISVTX) != 0) {
    const UniqueFd own = OpenOrMake(shared.get(), uid.c_str(), false);
    if (OwnFolder(own, dev)) {
      last = MoveInto(own.get(), relative, source);
      if (last.outcome != DeleteOutcome::Failed) return last;
    }
  }
  const UniqueFd own = OpenOrMake(topFd.get(), (std::string(kOwnTrashPrefix) + uid).c_str(), false);
  return OwnFolder(own, dev) ? MoveInto(own.get(), relative, source) : last;
}

}  // namespace

DeleteOutcome MoveToTrashIfUnchanged(const std::string& path, const FileIdentity& expected,
                                     const FolderIdentity& folder, FileIdentity* after,
                                     int* error) {
  const auto finish = [error](const Attempt& attempt) {
    if (attempt.outcome == DeleteOutcome::Failed && error != nullptr) *error = attempt.error;
    return attempt.outcome;
  };
  const PathAt at(path, PathAt::kOpenParent);
  struct stat st {};
  if (!at.valid() || ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? DeleteOutcome::Missing : finish(FailedWith(errno));
  }
  if (!FolderShows(at.dir(), folder)) return DeleteOutcome::Changed;
  if (!S_ISREG(st.st_mode) || IdentityOf(st) != expected) return DeleteOutcome::Changed;
  const Source source{at.dir(), at.name(), expected, after};
  const std::string real = RealFolderPath(at.dir());

  int homeError = 0;
  const UniqueFd home = OpenHomeTrash(st.st_dev, &homeError);
  if (home.valid()) {
    const std::string original = real.empty() ? AbsoluteText(path) : Joined(real, at.name());
    if (original.empty()) return finish(FailedWith(ENOENT));
    const Attempt moved = MoveInto(home.get(), original, source);
    // EXDEV: another mount of the home device (a bind mount); its own Trash may take it.
    if (moved.outcome != DeleteOutcome::Failed || moved.error != EXDEV) return finish(moved);
  } else if (homeError != EXDEV) {
    return finish(FailedWith(homeError));
  }
  // A mount's Trash names the file relative to its top folder, which only
  // the folder's real path tells.
  if (real.empty()) return finish(FailedWith(EXDEV));
  const std::string top = TopFolder(real, st.st_dev);
  std::string relative = real.substr(top.size());
  while (relative.starts_with('/')) relative.erase(0, 1);
  return finish(MoveToTopTrash(top, Joined(relative, at.name()), st.st_dev, source));
}
