// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string>

#include "core/file_identity.h"

// Two ways to free a copy's space and keep its path: a hard link to the copy
// that stays, or blocks shared with it. Each acts only on the recorded file,
// in its recorded folder, and only with the recorded staying copy (its
// `keeper`), both looked at through their parent folders opened once.

// A file and where it was found.
struct RecordedFile {
  const std::string& path;
  FileIdentity identity;
  FolderIdentity folder;
};

// Replaces `target` by a hard link to `keeper`. A new link to the keeper is
// made under a temporary name in the target's folder, then exchanged with
// the target's name in one step (renameat2 RENAME_EXCHANGE), right after
// the target was looked at once more, so the path never goes missing; the
// file that came out must be the recorded target, else the exchange is
// undone (Changed), and its name is then removed. Where the file system
// cannot exchange names, the link is renamed over the target. The replaced name then shows the
// keeper's owner, mode and times.
//
// Deleted when replaced (the target's content is gone from that name);
// Missing when nothing is at the target's path; Changed when the target or
// the keeper is not the file recorded; Failed, with the errno in *error,
// when the keeper is on another file system (EXDEV) or a call is refused.
// *keeperAfter receives the keeper's identity once linked (a new link moves
// its change time), so later acts still recognise it. Thread-safe.
DeleteOutcome ReplaceByHardLink(const RecordedFile& target, const RecordedFile& keeper,
                                FileIdentity* keeperAfter, int* error = nullptr);

// Shares the blocks of `target` with those of `keeper` (FIDEDUPERANGE, from
// the keeper onto the target, 16 MiB a call): the kernel compares both
// ranges under lock and shares them only when equal, so nothing can change
// in between. The target keeps its inode, owner, mode and times.
//
// Deleted when every range is now shared (*shared: the bytes the kernel
// shared); Missing as above; Changed when the target or the keeper is not
// the file recorded, or their bytes differ (ranges shared before that stay
// shared: they were equal); Failed with the errno in *error when the file
// system cannot share blocks (EOPNOTSUPP, EXDEV, EINVAL, ENOTTY) or a call
// is refused. *targetAfter receives the target's identity afterwards.
// Thread-safe.
DeleteOutcome ShareBlocks(const RecordedFile& target, const RecordedFile& keeper,
                          std::uint64_t* shared, FileIdentity* targetAfter, int* error = nullptr);

// Whether `error` from ShareBlocks means the file system cannot share blocks.
bool CannotShareBlocks(int error);
