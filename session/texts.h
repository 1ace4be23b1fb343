// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string>

#include "core/human_size.h"

// The system's own texts: messages, status texts and captions shown to the
// user by the window, and the same words from twinscan-cli.
namespace texts {

inline constexpr const char* kAppTitle = "Twinscan";

// Scan run.
inline constexpr const char* kAddColumnsFirst =
    "Please, add columns in \"Files\" to Scan. If you don't know, how to add columns, please read "
    "Help.";
inline constexpr const char* kFolderMissingBefore = "The directory \"";
inline constexpr const char* kFolderMissingAfter =
    "\" is not exists! Please, change the path of \"Folder to Scan\".";
inline constexpr const char* kWalkFailed =
    "Find one error while scanning. Perhaps, on your disk (or in scanned folder) more, then 500000 "
    "of files.";
inline constexpr const char* kError = "Error!";
inline constexpr const char* kScanStarted = "Scan...";
inline constexpr const char* kScanCanceled = "Scanning was canceled.";
inline constexpr const char* kPhaseCreating = "Creating List of Files";
// The grouping's stages.
inline constexpr const char* kLoadingFiles = "Loading List of files";
inline constexpr const char* kGroupingFiles = "Grouping List of files";
inline constexpr const char* kPhaseAdding = "Adding List of files to List of \"Files\"";
inline constexpr const char* kAddingFiles = "Adding List Of Files to \"List of Files\"...";
inline std::string FoundBySize(int found) {
  return "Founded " + std::to_string(found) + " file(s) by size";
}
// The status while the walk lists `folder` (path bytes, shown as UTF-8).
inline std::string LookIn(const std::string& folder) {
  return "Look in \"" + folder + "\"";
}

// Check run.
inline constexpr const char* kScanFirst =
    "Please, scan first any folder, and then press button \"Twin Scan in \"Files\" \".";
inline constexpr const char* kNumToDelete = "Num of files to delete: ";
inline constexpr const char* kPause = "Pause";
inline constexpr const char* kResume = "Resume";

// File actions.
inline constexpr const char* kNoCheckedFiles =
    "Here is no checked files. Check some files in \"Files\" or Twin Scan and then delete checked "
    "items.";
inline constexpr const char* kConfirmDelete =
    "You are sure, what you want to delete all checked files?";
// The detail line of the confirmation: what will go, and where.
inline std::string DeleteDetail(long long files, long long bytes, bool toTrash) {
  return std::to_string(files) + (files == 1 ? " file of " : " files of ") +
         BytesWithHumanSize(static_cast<std::uint64_t>(bytes)) + (files == 1 ? "" : " in all") +
         (toTrash ? " will be moved to the Trash." : " will be deleted from the disk.");
}
inline constexpr const char* kUpdatingInformation = "Updating information";
inline constexpr const char* kInformationUpdated = "Information updated";
// Delete Checked keeps a file whose copy could not be verified.
inline constexpr const char* kNoCopyQuestionOne =
    " checked file has no identical copy that stays on disk, so deleting it would lose its "
    "content:";
inline constexpr const char* kNoCopyQuestionMany =
    " checked files have no identical copy that stays on disk, so deleting them would lose their "
    "content:";
inline constexpr const char* kNoCopyQuestionEnd = "Delete them anyway?";
// The report after Delete Checked: how many ticked files stayed, and why.
inline std::string KeptReportHead(std::size_t kept, std::size_t of) {
  return "Not deleted: " + std::to_string(kept) + " of " + std::to_string(of) +
         (of == 1 ? " checked file." : " checked files.");
}
inline std::string KeptChanged(int n) {
  return std::to_string(n) +
         (n == 1 ? " changed since it was checked; it stays in the lists, ticked."
                 : " changed since they were checked; they stay in the lists, ticked.");
}
inline std::string KeptNoCopy(int n) {
  return std::to_string(n) +
         (n == 1 ? " has no identical copy that stays on disk; it stays in the lists, ticked."
                 : " have no identical copy that stays on disk; they stay in the lists, ticked.");
}
inline std::string KeptProtected(int n) {
  return std::to_string(n) + (n == 1
                                  ? " is in a protected folder; it stays in the lists, ticked."
                                  : " are in a protected folder; they stay in the lists, ticked.");
}
// Followed by the first few of them, each with the system's reason.
inline std::string KeptFailed(int n, const char* verb = "deleted") {
  return std::to_string(n) + " could not be " + verb +
         (n == 1 ? "; it stays in the lists, ticked:" : "; they stay in the lists, ticked:");
}

// Replacing ticked files by hard links or shared blocks (HardLink true: links).
inline std::string ReplaceQuestion(bool hardLinks, long long files, long long bytes) {
  const std::string what = std::to_string(files) +
                           (files == 1 ? " checked file (" : " checked files (") +
                           BytesWithHumanSize(static_cast<std::uint64_t>(bytes)) + ")";
  return hardLinks ? "Replace " + what + " by hard links to their identical copies?"
                   : "Share the blocks of " + what + " with their identical copies?";
}
inline std::string ReplaceDetail(bool hardLinks) {
  return hardLinks ? "Each replaced name then shows the file it links to, with that copy's owner, "
                     "permissions and times. A file whose identical copy is on another file "
                     "system, or could not be verified, stays as it is."
                   : "Each file keeps its name, owner, permissions and times; the file system "
                     "compares the bytes itself and shares only equal blocks. A file whose "
                     "identical copy could not be verified stays as it is.";
}
// The report after a link or block share: what was done, then what stayed.
inline std::string ReplacedReportHead(bool hardLinks, std::size_t done, std::size_t of,
                                      std::uint64_t bytes) {
  return (hardLinks ? "Replaced by hard links: " : "Blocks shared: ") + std::to_string(done) +
         " of " + std::to_string(of) + (of == 1 ? " checked file; " : " checked files; ") +
         BytesWithHumanSize(bytes) + (hardLinks ? " freed." : " shared.");
}
inline std::string KeptAsIs(std::size_t kept) {
  return std::to_string(kept) +
         (kept == 1 ? " checked file stays as it was:" : " checked files stay as they were:");
}
inline constexpr const char* kCannotShareBlocks = "this file system cannot share blocks";
inline constexpr const char* kNoCopyMoreBefore = "(and ";
inline constexpr const char* kNoCopyMoreAfter = " more)";
inline constexpr const char* kDeleteActive =
    "This is not possible while checked files are being deleted. Please wait until it has ended.";

// After a keep rule: "Ticks changed in 3 sets: 2 ticked, 1 unticked; 142 MiB
// to free".
inline std::string KeepSummary(std::size_t sets, int ticked, int unticked, std::uint64_t bytes) {
  return "Ticks changed in " + std::to_string(sets) + (sets == 1 ? " set: " : " sets: ") +
         std::to_string(ticked) + " ticked, " + std::to_string(unticked) + " unticked; " +
         HumanSize(bytes) + " to free";
}

// Help.
inline constexpr const char* kHelpNotFound = "Help file was not found!";

// Actions refused while a run would race with them.
inline constexpr const char* kRunActive =
    "This is not possible while a scan or a duplicate check is running. Please wait until it "
    "has ended, or cancel it.";

// An apply of the "Files" columns held back while the grouping fills the list.
inline constexpr const char* kColumnsWaitForFill =
    "The columns of \"Files\" are applied as soon as the list has been filled.";

}  // namespace texts
