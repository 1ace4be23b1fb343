// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "compare/check_engine.h"
#include "core/file_identity.h"
#include "core/records.h"
#include "core/replace_copy.h"

// The file work of "Delete Checked": a ticked file is deleted only when a file
// that stays on disk is byte-identical to it, both read again shortly before
// the unlink and both still the files recorded (device, inode, size,
// modification and change time: the identity the check read them under, or
// the walk's for rows never read); right before each unlink the staying copy
// is looked at once more by its name.

// One ticked row of "Files to delete": entry `entry` of the table behind it,
// with that entry's path and identity.
struct DeleteTarget {
  int entry = 0;
  std::string_view path;
  FileIdentity identity;
  FolderIdentity folder;
};

// A candidate that this Delete Checked does not delete: it may be the copy
// that stays.
struct DeleteKeeper {
  std::string_view path;
  FileIdentity identity;
  FolderIdentity folder;
};

// What one Delete Checked works on, taken at its start. It names entries of
// the "Files to delete" table and rows of the candidate table instead of
// copying their paths (a quarter of a million each, at the cap), so both
// tables must stay unchanged while it is in use.
struct DeletePlan {
  const DeleteTable* table = nullptr;
  const CandidateTable* candidates = nullptr;
  std::vector<int> targetEntries;  // in list order
  std::vector<int> keeperRows;     // only those of a size some target has
  int deleteCount = 0;             // entries of the table when it was built

  std::size_t targetCount() const { return targetEntries.size(); }
  DeleteTarget target(std::size_t i) const {
    const CandidateRow& row = table->row(targetEntries[i]);
    return {targetEntries[i], row.FullPath, row.Identity, row.Folder};
  }
  std::size_t keeperCount() const { return keeperRows.size(); }
  DeleteKeeper keeper(std::size_t i) const {
    const CandidateRow& row = candidates->row(keeperRows[i]);
    return {row.FullPath, row.Identity, row.Folder};
  }
};

// What is done to a ticked file once its staying copy is verified.
enum class FileAct : std::uint8_t {
  Delete,       // unlinked, or moved to the Trash
  HardLink,     // its name made a hard link to the staying copy
  ShareBlocks,  // its blocks shared with the staying copy's
};

// What became of one target.
enum class DeleteResult : std::uint8_t {
  Deleted,
  Missing,    // nothing at the path any more: nothing to delete, rows go
  Changed,    // not the file recorded any more: kept, rows stay
  NoCopy,     // no identical copy that stays was verified: kept, rows stay
  Failed,     // the unlink or move was refused: the file stays, and so do its rows
  Protected,  // below a protected folder: never deleted, rows stay
};

// Whether the rows of a target with this result leave the lists: only when
// the file is gone from its place.
inline bool RowsGo(DeleteResult result) {
  return result == DeleteResult::Deleted || result == DeleteResult::Missing;
}

// Removes one file only when it is still the file recorded, in the folder
// recorded (when known); when the file has other links, *after receives its
// identity once this name is gone (as DeleteIfUnchanged gives it), so the
// other links are still recognised; for Failed, *error receives the errno.
using FileDeleter =
    std::function<DeleteOutcome(const std::string& path, const FileIdentity& id,
                                const FolderIdentity& folder, FileIdentity* after, int* error)>;

// Acts on a target with the keeper verified for it right before: a hard
// link to it, or blocks shared with it (core/replace_copy.h). *bytes
// receives the bytes freed or shared; *keeperAfter the keeper's identity
// when the act moved its change time.
using CopyReplacer =
    std::function<DeleteOutcome(const RecordedFile& target, const RecordedFile& keeper,
                                FileIdentity* keeperAfter, std::uint64_t* bytes, int* error)>;

// Per target, beside its result: the keeper that allowed the act (an index of
// the plan's keepers, -1 for none) and the bytes the act freed or shared.
struct DeletePassDetails {
  std::vector<int> keepers;
  std::vector<std::uint64_t> bytes;
};

struct DeletePassOptions {
  // A target is deleted only once an identical keeper was verified; without,
  // only the identity is checked (the user said Yes to deleting files that
  // have no copy).
  bool requireCopy = true;
  FileDeleter deleter;  // empty: DeleteIfUnchanged
  // Set: targets are replaced through it instead of deleted (requireCopy
  // must hold: the act needs the keeper).
  CopyReplacer replacer;
  EngineLimits limits;
};

// Handles plan.target(i) for every i of `which` (ascending), in that order,
// and returns one result per entry of `which`. Targets of one size that stand
// together are verified together, reading each byte of them and of their
// keepers once; with limits.threads above one, such runs are verified side
// by side, a few hundred targets ahead of the unlinks at most, and `checkpoint`
// must be safe to call from several threads. Right before each unlink (or
// call of the deleter) a keeper that was read identical must still show the
// file read under its name, in its folder; else another keeper of that
// content must, or the target stays (NoCopy). `progress(entry * 100 /
// deleteCount)` follows each target; `checkpoint` runs before each file is
// read or deleted (it may throw StopRun). `errors`, when given, receives one
// entry per entry of `which`: the errno of a Failed delete, else 0. Runs on
// a worker.
std::vector<DeleteResult> RunDeletePass(const DeletePlan& plan, const std::vector<int>& which,
                                        const DeletePassOptions& options,
                                        const std::function<void()>& checkpoint,
                                        const std::function<void(int percent)>& progress,
                                        std::vector<int>* errors = nullptr,
                                        DeletePassDetails* details = nullptr);
