// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "support/compare_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "compare/check_engine.h"
#include "core/file_identity.h"
#include "core/file_io.h"
#include "core/path_at.h"

namespace {

// Opens read-only. O_NONBLOCK keeps a path swapped for a FIFO since the stat
// from blocking in open(); it has no effect on reads of a regular file.
UniqueFd OpenForReading(const std::string& path) {
  return UniqueFd(OpenPath(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
}

// Fills `size` bytes unless the file ends first; returns the bytes read, or
// -1 on a read error. Fewer than `size` bytes means the file has ended.
ssize_t ReadBlock(int fd, char* buffer, std::size_t size) {
  const Transfer got = ReadAll(fd, buffer, size);
  CountCompareBytesRead(got.bytes);
  return got.error != 0 ? -1 : static_cast<ssize_t>(got.bytes);
}

}  // namespace

CompareVerdict CompareFiles(const std::string& first, const std::string& second,
                            const std::function<void()>& betweenBlocks) {
  // Links are followed: only regular files reach the check, and a link to a
  // file is compared as that file (the same-inode test below catches a file
  // that meets itself).
  struct stat firstStat {};
  struct stat secondStat {};
  if (StatPath(first, firstStat) != 0 || !S_ISREG(firstStat.st_mode)) {
    return CompareVerdict::Missing;
  }
  if (StatPath(second, secondStat) != 0 || !S_ISREG(secondStat.st_mode)) {
    return CompareVerdict::Missing;
  }
  const FileIdentity firstSeen = IdentityOf(firstStat);
  const FileIdentity secondSeen = IdentityOf(secondStat);
  if (firstSeen.sameFile(secondSeen)) return CompareVerdict::SameFile;
  if (firstSeen.Size != secondSeen.Size) return CompareVerdict::SizesDiffer;

  const UniqueFd a = OpenForReading(first);
  if (!a.valid()) return CompareVerdict::Unreadable;
  const UniqueFd b = OpenForReading(second);
  if (!b.valid()) return CompareVerdict::Unreadable;
  // The opened descriptors still name the files stat() saw, unchanged since:
  // a write anywhere moves the modification and change times.
  if (!DescriptorShows(a.get(), firstSeen) || !DescriptorShows(b.get(), secondSeen)) {
    return CompareVerdict::Changed;
  }
  ::posix_fadvise(a.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  ::posix_fadvise(b.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  // A small file needs no full block; one byte more than its size lets the
  // first read see the end (or a file that grew).
  const auto expected = static_cast<std::uint64_t>(firstSeen.Size);
  const std::size_t blockSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(kCompareBlockSize, expected + 1));
  const auto bufferA = std::make_unique_for_overwrite<char[]>(blockSize);
  const auto bufferB = std::make_unique_for_overwrite<char[]>(blockSize);

  std::uint64_t total = 0;
  for (bool firstBlock = true;; firstBlock = false) {
    if (!firstBlock && betweenBlocks) betweenBlocks();
    const ssize_t na = ReadBlock(a.get(), bufferA.get(), blockSize);
    if (na < 0) return CompareVerdict::Unreadable;
    const ssize_t nb = ReadBlock(b.get(), bufferB.get(), blockSize);
    if (nb < 0) return CompareVerdict::Unreadable;
    if (na != nb) return CompareVerdict::Changed;
    total += static_cast<std::uint64_t>(na);
    if (total > expected) return CompareVerdict::Changed;  // grew since the stat
    if (std::memcmp(bufferA.get(), bufferB.get(), static_cast<std::size_t>(na)) != 0) {
      return CompareVerdict::Different;
    }
    if (static_cast<std::size_t>(na) < blockSize) break;  // both files have ended
  }
  // Both ended together, but short of the size seen: truncated meanwhile.
  if (total != expected) return CompareVerdict::Changed;
  // A block already compared may have been rewritten while later ones were read.
  if (!DescriptorShows(a.get(), firstSeen) || !DescriptorShows(b.get(), secondSeen)) {
    return CompareVerdict::Changed;
  }
  return CompareVerdict::Identical;
}

bool CompareTwoFiles(const std::string& first, const std::string& second) {
  return CompareFiles(first, second) == CompareVerdict::Identical;
}
