// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/file_identity.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/file_io.h"
#include "core/path_at.h"
#include "core/records.h"

namespace {
std::int64_t Nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}
}  // namespace

FileIdentity IdentityOf(const struct stat& st) {
  FileIdentity id;
  id.Dev = static_cast<std::uint64_t>(st.st_dev);
  id.Ino = static_cast<std::uint64_t>(st.st_ino);
  id.Size = static_cast<std::int64_t>(st.st_size);
  id.MtimeNs = Nanoseconds(st.st_mtim);
  id.CtimeNs = Nanoseconds(st.st_ctim);
  return id;
}

bool DescriptorShows(int fd, const FileIdentity& id) {
  struct stat now {};
  return ::fstat(fd, &now) == 0 && S_ISREG(now.st_mode) && IdentityOf(now) == id;
}

std::optional<FileIdentity> RegularFileIdentity(const std::string& path) {
  struct stat st {};
  if (StatPath(path, st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return IdentityOf(st);
}

bool FolderShows(int dirFd, const FolderIdentity& folder) {
  if (!folder.known()) return true;
  struct stat st {};
  return ::fstat(dirFd, &st) == 0 && S_ISDIR(st.st_mode) &&
         static_cast<std::uint64_t>(st.st_dev) == folder.Dev &&
         static_cast<std::uint64_t>(st.st_ino) == folder.Ino;
}

FolderIdentity ParentFolderOf(const std::string& path) {
  const PathAt at(path, PathAt::kOpenParent);
  struct stat st {};
  if (!at.valid() || ::fstat(at.dir(), &st) != 0) return {};
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool SameEntry(std::string_view pathA, const FolderIdentity& folderA, std::string_view pathB,
               const FolderIdentity& folderB) {
  if (FileNameOf(pathA) != FileNameOf(pathB)) return false;
  const FolderIdentity a = folderA.known() ? folderA : ParentFolderOf(std::string(pathA));
  const FolderIdentity b = folderB.known() ? folderB : ParentFolderOf(std::string(pathB));
  return !a.known() || !b.known() || a == b;
}

bool EntryShows(const std::string& path, const FileIdentity& expected,
                const FolderIdentity& folder) {
  struct stat st {};
  if (!folder.known()) {
    return StatPath(path, st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           IdentityOf(st) == expected;
  }
  const PathAt at(path, PathAt::kOpenParent);
  return at.valid() && FolderShows(at.dir(), folder) &&
         ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
         IdentityOf(st) == expected;
}

DeleteOutcome DeleteIfUnchanged(const std::string& path, const FileIdentity& expected,
                                FileIdentity* after, const FolderIdentity& folder, int* error) {
  const auto failed = [error] {
    if (error != nullptr) *error = errno;
    return DeleteOutcome::Failed;
  };
  const PathAt at(path, PathAt::kOpenParent);
  struct stat st {};
  if (!at.valid() || ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT || errno == ENOTDIR ? DeleteOutcome::Missing : failed();
  if (!FolderShows(at.dir(), folder)) return DeleteOutcome::Changed;
  if (!S_ISREG(st.st_mode) || IdentityOf(st) != expected) return DeleteOutcome::Changed;
  if (after == nullptr || st.st_nlink < 2) {
    if (::unlinkat(at.dir(), at.name(), 0) != 0) return failed();
    return DeleteOutcome::Deleted;
  }
  // Held open (without opening its content), the file can be asked for its
  // identity once this link is gone.
  const UniqueFd held(::openat(at.dir(), at.name(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (!held.valid() || !DescriptorShows(held.get(), expected)) return DeleteOutcome::Changed;
  if (::unlinkat(at.dir(), at.name(), 0) != 0) return failed();
  struct stat now {};
  if (::fstat(held.get(), &now) == 0) *after = IdentityOf(now);
  return DeleteOutcome::Deleted;
}
