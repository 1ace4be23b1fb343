// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/stacked_file_systems.h"

// Which file a path named when it was looked at: enough to tell later whether
// the same path still names the same, unchanged regular file. Any write, and
// any change of the times made afterwards, moves the change time, so a file
// edited with its modification time restored still shows.
struct FileIdentity {
  std::uint64_t Dev = 0;
  std::uint64_t Ino = 0;
  std::int64_t Size = 0;     // true 64-bit length
  std::int64_t MtimeNs = 0;  // modification time, nanoseconds since the epoch
  std::int64_t CtimeNs = 0;  // change time, nanoseconds since the epoch

  // Whether the two may be one file: the same device and inode, or the same
  // inode number on two devices one of which may show the other's files
  // through a stacked file system (overlay; with its "xino" it keeps the
  // layer in the top bits of the number). Never taken for two copies.
  bool sameFile(const FileIdentity& other) const {
    if (Dev == other.Dev) return Ino == other.Ino;
    constexpr std::uint64_t kBelowLayerBits = (std::uint64_t{1} << 56) - 1;
    return ((Ino ^ other.Ino) & kBelowLayerBits) == 0 &&
           (MayBeStacked(Dev) || MayBeStacked(other.Dev));
  }
  // Certainly one file: the same device and inode (hard links, one name
  // reached by two spellings).
  bool sameInode(const FileIdentity& other) const { return Dev == other.Dev && Ino == other.Ino; }
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The folder a file was found in, by device and inode (as the walk listed
// it), so an act on the file can require that its parent is still that
// folder and never one swapped in by another spelling or a link. Unknown
// when both are zero.
struct FolderIdentity {
  std::uint64_t Dev = 0;
  std::uint64_t Ino = 0;

  bool known() const { return Dev != 0 || Ino != 0; }
  friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};

// A row of a table and the identity of the file it names, where the two
// travel together (what the check read, what the engine compares).
struct RowIdentity {
  int row = 0;
  FileIdentity identity;

  std::uint64_t size() const { return static_cast<std::uint64_t>(identity.Size); }
  bool sameFile(const RowIdentity& other) const { return identity.sameFile(other.identity); }
};

// The identity stat(2) describes.
FileIdentity IdentityOf(const struct stat& st);

// True when the open `fd` names a regular file of identity `id`: the file
// once seen, unchanged since.
bool DescriptorShows(int fd, const FileIdentity& id);

// True when the open directory `dirFd` is `folder`, or `folder` is unknown.
bool FolderShows(int dirFd, const FolderIdentity& folder);

// The folder that holds the last component of `path`, by identity (its
// parent looked up through the path); unknown when it cannot be opened.
FolderIdentity ParentFolderOf(const std::string& path);

// Whether two paths name one directory entry: the same name in the same
// folder, however the folder was spelt (a trailing '/', "/./", a link to it,
// a bind mount). A folder not recorded (`folderA`, `folderB` unknown) is
// looked up through its path; one that cannot be counts as the same.
bool SameEntry(std::string_view pathA, const FolderIdentity& folderA, std::string_view pathB,
               const FolderIdentity& folderB);

// True when `path` still names the regular file `expected`, looked at by its
// name through its parent folder, which must be `folder` when that is known:
// a copy that is to stay is checked so right before each delete it allows.
bool EntryShows(const std::string& path, const FileIdentity& expected,
                const FolderIdentity& folder);

// The identity of `path` when it names a regular file itself (a symbolic link
// is not followed); nothing otherwise. Thread-safe.
std::optional<FileIdentity> RegularFileIdentity(const std::string& path);

// Why DeleteIfUnchanged did or did not remove a file.
enum class DeleteOutcome {
  Deleted,
  Missing,  // nothing at the path
  Changed,  // the path names something else than the recorded file now
  Failed,   // unlink refused (permissions, read-only media, ...)
};

// Removes `path` only when it still names the regular file `expected` (same
// device, inode, size, modification and change time). The parent folder is
// opened once and both the check and the unlink go through it, so a folder
// on the way swapped for a link in between cannot redirect the unlink; when
// `folder` is known, the opened parent must be that folder, else Changed.
// When the file has other links and `after` is given, *after receives its
// identity once this link is gone (the unlink moves its change time), so the
// other links can still be recognised. For Failed, *error (when given)
// receives the errno. Thread-safe.
DeleteOutcome DeleteIfUnchanged(const std::string& path, const FileIdentity& expected,
                                FileIdentity* after = nullptr, const FolderIdentity& folder = {},
                                int* error = nullptr);
