// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/replace_copy.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/path_at.h"

namespace {

// How an act ends, with the errno of a failure kept.
DeleteOutcome Failed(int* error) {
  if (error != nullptr) *error = errno;
  return DeleteOutcome::Failed;
}

DeleteOutcome NotThere(int* error) {
  return errno == ENOENT || errno == ENOTDIR ? DeleteOutcome::Missing : Failed(error);
}

// The recorded file's entry through its opened parent: Deleted when it is
// still the file recorded.
DeleteOutcome EntryIs(const PathAt& at, const RecordedFile& file, int* error) {
  struct stat st {};
  if (!at.valid() || ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return NotThere(error);
  if (!FolderShows(at.dir(), file.folder) || !S_ISREG(st.st_mode) ||
      IdentityOf(st) != file.identity)
    return DeleteOutcome::Changed;
  return DeleteOutcome::Deleted;
}

// A name in the target's folder that nothing holds yet is claimed by the
// link itself (linkat fails with EEXIST on a taken one); a bounded number of
// names is tried, so the call always ends.
std::string TemporaryName(int attempt) {
  static std::atomic<unsigned> counter{0};
  return ".twinscan-link-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(attempt);
}

// The keeper's identity once its new name is in place: the link and the
// rename both moved its change time.
void KeeperNow(const PathAt& at, const RecordedFile& keeper, FileIdentity* keeperAfter) {
  struct stat now {};
  if (keeperAfter != nullptr && ::fstatat(at.dir(), at.name(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
      IdentityOf(now).sameInode(keeper.identity))
    *keeperAfter = IdentityOf(now);
}

}  // namespace

DeleteOutcome ReplaceByHardLink(const RecordedFile& target, const RecordedFile& keeper,
                                FileIdentity* keeperAfter, int* error) {
  const PathAt at(target.path, PathAt::kOpenParent);
  if (const DeleteOutcome o = EntryIs(at, target, error); o != DeleteOutcome::Deleted) return o;
  const PathAt keeperAt(keeper.path, PathAt::kOpenParent);
  if (const DeleteOutcome o = EntryIs(keeperAt, keeper, error); o != DeleteOutcome::Deleted)
    return o == DeleteOutcome::Missing ? DeleteOutcome::Changed : o;
  if (keeper.identity.Dev != target.identity.Dev) {
    errno = EXDEV;
    return Failed(error);
  }
  // The new link, made without following a symbolic link at the keeper's name.
  std::string temporary;
  for (int attempt = 0;; ++attempt) {
    temporary = TemporaryName(attempt);
    if (::linkat(keeperAt.dir(), keeperAt.name(), at.dir(), temporary.c_str(), 0) == 0) break;
    if (errno != EEXIST || attempt == 16) return Failed(error);
  }
  struct stat linked {};
  // The keeper's name may have been swapped between the look and the link:
  // the new link must be the keeper's inode.
  if (::fstatat(at.dir(), temporary.c_str(), &linked, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(linked.st_mode) || !IdentityOf(linked).sameInode(keeper.identity)) {
    ::unlinkat(at.dir(), temporary.c_str(), 0);
    return DeleteOutcome::Changed;
  }

  // The target is looked at once more right before its name changes hands.
  if (const DeleteOutcome o = EntryIs(at, target, error); o != DeleteOutcome::Deleted) {
    ::unlinkat(at.dir(), temporary.c_str(), 0);
    return o;
  }
  if (::renameat2(at.dir(), temporary.c_str(), at.dir(), at.name(), RENAME_EXCHANGE) == 0) {
    // The file that came out must be the one recorded (the exchange itself
    // moves its change time, not its inode, size or modification time).
    struct stat out {};
    const FileIdentity& id = target.identity;
    if (::fstatat(at.dir(), temporary.c_str(), &out, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(out.st_mode) || !IdentityOf(out).sameInode(id) ||
        IdentityOf(out).Size != id.Size || IdentityOf(out).MtimeNs != id.MtimeNs) {
      // Swap back: the name shows what it showed before.
      ::renameat2(at.dir(), temporary.c_str(), at.dir(), at.name(), RENAME_EXCHANGE);
      ::unlinkat(at.dir(), temporary.c_str(), 0);
      return DeleteOutcome::Changed;
    }
    if (::unlinkat(at.dir(), temporary.c_str(), 0) != 0) return Failed(error);
    KeeperNow(at, keeper, keeperAfter);
    return DeleteOutcome::Deleted;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    const int saved = errno;
    ::unlinkat(at.dir(), temporary.c_str(), 0);
    errno = saved;
    return Failed(error);
  }
  // No exchange on this file system: the link is renamed over the target
  // just looked at.
  if (::renameat(at.dir(), temporary.c_str(), at.dir(), at.name()) != 0) {
    const int saved = errno;
    ::unlinkat(at.dir(), temporary.c_str(), 0);
    errno = saved;
    return Failed(error);
  }
  KeeperNow(at, keeper, keeperAfter);
  return DeleteOutcome::Deleted;
}

bool CannotShareBlocks(int error) {
  return error == EOPNOTSUPP || error == EXDEV || error == EINVAL || error == ENOTTY ||
         error == ENOSYS;
}

DeleteOutcome ShareBlocks(const RecordedFile& target, const RecordedFile& keeper,
                          std::uint64_t* shared, FileIdentity* targetAfter, int* error) {
  if (shared != nullptr) *shared = 0;
  const PathAt at(target.path, PathAt::kOpenParent);
  if (const DeleteOutcome o = EntryIs(at, target, error); o != DeleteOutcome::Deleted) return o;
  const PathAt keeperAt(keeper.path, PathAt::kOpenParent);
  if (!keeperAt.valid() || !FolderShows(keeperAt.dir(), keeper.folder))
    return DeleteOutcome::Changed;
  const UniqueFd source(
      ::openat(keeperAt.dir(), keeperAt.name(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
  if (!source.valid() || !DescriptorShows(source.get(), keeper.identity))
    return DeleteOutcome::Changed;
  // Read-only: the kernel lets the file's owner share into it, and the
  // target's times stay as they are.
  const UniqueFd dest(
      ::openat(at.dir(), at.name(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!dest.valid()) return NotThere(error);
  if (!DescriptorShows(dest.get(), target.identity)) return DeleteOutcome::Changed;
  if (keeper.identity.Size != target.identity.Size) return DeleteOutcome::Changed;

  constexpr std::uint64_t kStep = std::uint64_t{16} << 20;
  const auto size = static_cast<std::uint64_t>(target.identity.Size);
  constexpr std::size_t kRangeBytes = sizeof(file_dedupe_range) + sizeof(file_dedupe_range_info);
  auto range = std::unique_ptr<file_dedupe_range, void (*)(void*)>(
      static_cast<file_dedupe_range*>(std::calloc(1, kRangeBytes)), std::free);
  if (!range) {
    errno = ENOMEM;
    return Failed(error);
  }
  std::uint64_t offset = 0;
  while (offset < size) {
    const std::uint64_t length = size - offset < kStep ? size - offset : kStep;
    std::memset(range.get(), 0, kRangeBytes);
    range->src_offset = offset;
    range->src_length = length;
    range->dest_count = 1;
    file_dedupe_range_info& info = range->info[0];
    info.dest_fd = dest.get();
    info.dest_offset = offset;
    if (::ioctl(source.get(), FIDEDUPERANGE, range.get()) != 0) return Failed(error);
    if (info.status == FILE_DEDUPE_RANGE_DIFFERS) return DeleteOutcome::Changed;
    if (info.status < 0) {
      errno = -info.status;
      return Failed(error);
    }
    if (info.bytes_deduped == 0) {
      errno = EOPNOTSUPP;  // nothing shared and no reason given: no progress possible
      return Failed(error);
    }
    if (shared != nullptr) *shared += info.bytes_deduped;
    offset += info.bytes_deduped;
  }
  struct stat after {};
  if (::fstat(dest.get(), &after) == 0 && targetAfter != nullptr) *targetAfter = IdentityOf(after);
  return DeleteOutcome::Deleted;
}
