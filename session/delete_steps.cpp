// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// "Delete Checked": the confirmation, the verified file work on its worker,
// the second question, the rows removed and the report of what stayed.
#include <climits>
#include <string_view>
#include <unordered_map>

#include "core/file_io.h"
#include "core/replace_copy.h"
#include "core/trash.h"
#include "core/trash_folders.h"
#include "session/session.h"
#include "session/texts.h"

namespace {

// The second question: how many files have no verified copy, the first few
// by path.
std::string NoCopyQuestion(const DeletePlan& plan, const std::vector<int>& which) {
  constexpr std::size_t kNamed = 5;
  std::string text = std::to_string(which.size()) +
                     (which.size() == 1 ? texts::kNoCopyQuestionOne : texts::kNoCopyQuestionMany);
  for (std::size_t i = 0; i < which.size() && i < kNamed; ++i) {
    text += "\n";
    text += plan.target(static_cast<std::size_t>(which[i])).path;
  }
  if (which.size() > kNamed)
    text += "\n" + (texts::kNoCopyMoreBefore + std::to_string(which.size() - kNamed)) +
            texts::kNoCopyMoreAfter;
  return text + "\n\n" + texts::kNoCopyQuestionEnd;
}

// The report after the action: how many ticked files are still on disk (a
// delete) or as they were (a link, shared blocks), and why; those that
// failed by name, the first few, with the reason. After a link or a share,
// what was done comes first, always.
std::string KeptReport(const RunReport& report) {
  constexpr int kNamed = 5;
  const bool replaced = report.act != FileAct::Delete;
  const std::size_t kept = report.kept();
  std::string text;
  if (replaced) {
    std::uint64_t bytes = 0;
    for (const DeletedFile& file : report.deletes) bytes += file.bytes;
    text = texts::ReplacedReportHead(report.act == FileAct::HardLink,
                                     report.count(DeleteResult::Deleted), report.deletes.size(),
                                     bytes);
    if (kept == 0) return text;
    text += "\n" + texts::KeptAsIs(kept);
  } else {
    if (kept == 0) return {};
    text = texts::KeptReportHead(kept, report.deletes.size());
  }
  const auto changed = static_cast<int>(report.count(DeleteResult::Changed));
  const auto noCopy = static_cast<int>(report.count(DeleteResult::NoCopy));
  const auto failed = static_cast<int>(report.count(DeleteResult::Failed));
  const auto shielded = static_cast<int>(report.count(DeleteResult::Protected));
  std::string named;
  int shown = 0;
  for (const DeletedFile& file : report.deletes) {
    if (file.result != DeleteResult::Failed || ++shown > kNamed) continue;
    named += "\n";
    named += file.path;
    if (report.act == FileAct::ShareBlocks && CannotShareBlocks(file.error)) {
      named += std::string(": ") + texts::kCannotShareBlocks;
    } else if (file.error != 0) {
      named += ": " + ErrorText(file.error);
    }
  }
  if (changed > 0) text += "\n" + texts::KeptChanged(changed);
  if (noCopy > 0) text += "\n" + texts::KeptNoCopy(noCopy);
  if (shielded > 0) text += "\n" + texts::KeptProtected(shielded);
  const char* verb = report.act == FileAct::HardLink      ? "replaced by a hard link"
                     : report.act == FileAct::ShareBlocks ? "shared"
                                                          : "deleted";
  if (failed > 0) text += "\n" + texts::KeptFailed(failed, verb) + named;
  if (failed > kNamed)
    text += "\n" + (texts::kNoCopyMoreBefore + std::to_string(failed - kNamed)) +
            texts::kNoCopyMoreAfter;
  return text;
}

// Acts on the targets as `act` asks; in a dry run each is only looked at:
// done when it is still the file recorded.
void SetAct(DeletePassOptions& options, FileAct act, bool dryRun) {
  if (dryRun) {
    const auto stillThere = [](const std::string& path, const FileIdentity& id,
                               const FolderIdentity& folder) {
      if (EntryShows(path, id, folder)) return DeleteOutcome::Deleted;
      return RegularFileIdentity(path) ? DeleteOutcome::Changed : DeleteOutcome::Missing;
    };
    options.deleter = [stillThere](const std::string& path, const FileIdentity& id,
                                   const FolderIdentity& folder, FileIdentity*,
                                   int*) { return stillThere(path, id, folder); };
    if (act != FileAct::Delete)
      options.replacer = [stillThere](const RecordedFile& target, const RecordedFile&,
                                      FileIdentity*, std::uint64_t*, int*) {
        return stillThere(target.path, target.identity, target.folder);
      };
    return;
  }
  if (act == FileAct::HardLink) {
    options.replacer = [](const RecordedFile& target, const RecordedFile& keeper,
                          FileIdentity* keeperAfter, std::uint64_t*, int* error) {
      return ReplaceByHardLink(target, keeper, keeperAfter, error);
    };
  } else if (act == FileAct::ShareBlocks) {
    options.replacer = [](const RecordedFile& target, const RecordedFile& keeper, FileIdentity*,
                          std::uint64_t* bytes, int* error) {
      FileIdentity after;
      return ShareBlocks(target, keeper, bytes, &after, error);
    };
  }
}

}  // namespace

void Session::untickReplaced() {
  std::unordered_map<std::string_view, int> rowOf;
  for (int r = candidates_.count(); r >= 1; --r) rowOf[candidates_.row(r).FullPath] = r;
  for (const DeletedFile& file : report_.deletes) {
    if (file.result != DeleteResult::Deleted) continue;
    if (const auto found = rowOf.find(file.path); found != rowOf.end())
      setTicked({found->second}, false);
  }
}

void Session::useTrash(bool on) {
  config_.moveToTrash =
      on ? FileDeleter([](const std::string& path, const FileIdentity& id,
                          const FolderIdentity& folder, FileIdentity* after, int* error) {
        return MoveToTrashIfUnchanged(path, id, folder, after, error);
      })
         : FileDeleter();
}

void Session::deleteChecked() {
  startAct(FileAct::Delete);
}

void Session::replaceChecked(FileAct act) {
  startAct(act);
}

void Session::startAct(FileAct act) {
  if (refuseDuringRun()) return;
  // Ticks changed in "Files" whose rebuild of "Files to delete" has not run
  // yet: the delete goes by the ticks as they are now.
  if (DeleteListStale || deleteBuilder_.building()) completeDeleteList();
  if (filesList_.rowCount() == 0 || deleteList_.rowCount() == 0) {
    dialogs_.confirmOk(texts::kNoCheckedFiles);
    return;
  }
  std::vector<char> ticked = DeleteListTicks(deleteList_);
  // A ticked file below a protected folder is no target: it stays, and may
  // be the copy that stays for the others.
  protectedEntries_.clear();
  if (!protectedFolders_.empty()) {
    FolderMatcher shield(protectedFolders_);
    for (std::size_t i = 0; i < ticked.size(); ++i) {
      const int entry = static_cast<int>(i) + 1;
      if (ticked[i] == 0 || entry > deleteTable_.DeleteCount || entry > deleteTable_.size())
        continue;
      for (std::size_t f = 0; f < protectedFolders_.size(); ++f) {
        if (!shield.holds(f, deleteTable_.row(entry).FullPath)) continue;
        ticked[i] = 0;
        protectedEntries_.push_back(entry);
        break;
      }
    }
  }
  long long files = 0;
  long long bytes = 0;
  for (std::size_t i = 0; i < ticked.size(); ++i) {
    const int entry = static_cast<int>(i) + 1;
    if (ticked[i] == 0 || entry > deleteTable_.DeleteCount || entry > deleteTable_.size()) continue;
    ++files;
    bytes += deleteTable_.row(entry).Size;
  }
  // Only protected files ticked: nothing to ask, the report says why they stay.
  const bool asked =
      act == FileAct::Delete
          ? dialogs_.confirmYesNoDetailed(
                texts::kConfirmDelete,
                texts::DeleteDetail(files, bytes, static_cast<bool>(config_.moveToTrash)))
          : dialogs_.confirmYesNoDetailed(
                texts::ReplaceQuestion(act == FileAct::HardLink, files, bytes),
                texts::ReplaceDetail(act == FileAct::HardLink));
  if ((files > 0 || protectedEntries_.empty()) && !asked) return;
  act_ = act;
  setPhase(Phase::Deleting);
  showProgress(0);
  deletePlan_ = {};
  deleteResults_.clear();
  deleteErrors_.clear();
  deleteKeepers_.clear();
  deleteBytes_.clear();
  startDeletePass(std::move(ticked), {}, true);
}

void Session::startDeletePass(std::vector<char> ticked, std::vector<int> which, bool requireCopy) {
  // Nothing changes the tables while the delete runs (the actions that would
  // are refused or wait), so the worker reads them; the plan and results it
  // writes are the window's again once its last post has come.
  std::vector<DeleteResult> results = deleteResults_;
  std::vector<int> errors = deleteErrors_;
  std::vector<int> keepers = deleteKeepers_;
  std::vector<std::uint64_t> freed = deleteBytes_;
  DeleteThread.start([this, ticked = std::move(ticked), which = std::move(which),
                      results = std::move(results), errors = std::move(errors),
                      keepers = std::move(keepers), freed = std::move(freed), requireCopy,
                      act = act_, dryRun = config_.dryRun,
                      deleter = config_.moveToTrash](RunContext& run) mutable {
    if (requireCopy) {
      deletePlan_ = PlanDelete(candidates_, deleteTable_, ticked);
      // A file in a Trash goes when the Trash is emptied: never the copy that stays.
      TrashFolders trash;
      std::erase_if(deletePlan_.keeperRows,
                    [&](int row) { return trash.holds(candidates_.row(row).FullPath); });
      results.assign(deletePlan_.targetCount(), DeleteResult::NoCopy);
      errors.assign(deletePlan_.targetCount(), 0);
      keepers.assign(deletePlan_.targetCount(), -1);
      freed.assign(deletePlan_.targetCount(), 0);
      which.resize(deletePlan_.targetCount());
      for (std::size_t t = 0; t < which.size(); ++t) which[t] = static_cast<int>(t);
    }
    DeletePassOptions options;
    options.requireCopy = requireCopy;
    options.limits = engineLimits();
    options.deleter = deleter;
    SetAct(options, act, dryRun);
    std::vector<int> failures;
    DeletePassDetails details;
    const std::vector<DeleteResult> done = RunDeletePass(
        deletePlan_, which, options, checkpointOf(run),
        [&run, this](int percent) { run.post([this, percent] { showProgress(percent); }); },
        &failures, &details);
    std::vector<int> noCopy;
    for (std::size_t i = 0; i < which.size(); ++i) {
      const auto t = static_cast<std::size_t>(which[i]);
      results[t] = done[i];
      if (t < errors.size()) errors[t] = failures[i];
      if (t < keepers.size()) keepers[t] = details.keepers[i];
      if (t < freed.size()) freed[t] = details.bytes[i];
      if (done[i] == DeleteResult::NoCopy) noCopy.push_back(which[i]);
    }
    // A replaced file keeps its name, and nothing goes in a dry run: rows stay.
    RowRemoval removal = act == FileAct::Delete && !dryRun
                             ? PlanRowRemoval(candidates_, deletePlan_, results)
                             : RowRemoval{};
    run.post([this, results = std::move(results), errors = std::move(errors),
              keepers = std::move(keepers), freed = std::move(freed), removal = std::move(removal),
              noCopy = std::move(noCopy), requireCopy]() mutable {
      deleteErrors_ = std::move(errors);
      deleteKeepers_ = std::move(keepers);
      deleteBytes_ = std::move(freed);
      deletePassDone(std::move(results), removal, std::move(noCopy), requireCopy);
    });
  });
}

void Session::deletePassDone(std::vector<DeleteResult> results, const RowRemoval& removal,
                             std::vector<int> noCopy, bool requireCopy) {
  deleteResults_ = std::move(results);
  // Only a delete asks about files without a copy; a link or shared blocks
  // need the copy.
  if (requireCopy && act_ == FileAct::Delete && !noCopy.empty() &&
      dialogs_.confirmYesNo(NoCopyQuestion(deletePlan_, noCopy))) {
    startDeletePass({}, std::move(noCopy), false);
    return;
  }
  finishDeleteChecked(removal);
}

void Session::finishDeleteChecked(const RowRemoval& removal) {
  // Three steps, each once the window has handled what waits for it: at a
  // quarter million rows each takes some 25 ms, mostly freeing rows. The
  // candidates and their "Files" rows go together (a row must stand beside
  // its candidate); the phase stays Deleting until the last step, so
  // nothing reads the sets or "Files to delete" in between.
  ApplyRowRemoval(candidates_, filesList_, deleteList_, {{}, removal.candidates});
  queue_.postAfterPending([this, removed = removal.candidates, rows = removal.listRows]() mutable {
    setsAfterRemoval(removed);
    queue_.postAfterPending([this, rows = std::move(rows)] {
      ApplyRowRemoval(candidates_, filesList_, deleteList_, {rows, {}});
      finishDeleteSteps();
    });
  });
}

void Session::finishDeleteSteps() {
  // Targets and protected entries, both ascending: merged into list order.
  report_.deletes.clear();
  report_.deletes.reserve(deleteResults_.size() + protectedEntries_.size());
  std::size_t shielded = 0;
  const auto addProtected = [this, &shielded](int before) {
    for (; shielded < protectedEntries_.size() && protectedEntries_[shielded] < before;
         ++shielded) {
      const CandidateRow& row = deleteTable_.row(protectedEntries_[shielded]);
      report_.deletes.push_back(
          {row.FullPath, row.Identity.Size, DeleteResult::Protected, 0, {}, 0});
    }
  };
  for (std::size_t t = 0; t < deleteResults_.size(); ++t) {
    DeletedFile file;
    file.result = deleteResults_[t];
    if (t < deletePlan_.targetCount()) {
      const DeleteTarget target = deletePlan_.target(t);
      addProtected(target.entry);
      file.path = std::string(target.path);
      file.size = target.identity.Size;
    }
    if (t < deleteErrors_.size()) file.error = deleteErrors_[t];
    if (t < deleteKeepers_.size() && deleteKeepers_[t] >= 0)
      file.keeper =
          std::string(deletePlan_.keeper(static_cast<std::size_t>(deleteKeepers_[t])).path);
    if (t < deleteBytes_.size()) file.bytes = deleteBytes_[t];
    report_.deletes.push_back(std::move(file));
  }
  addProtected(INT_MAX);
  protectedEntries_.clear();
  report_.act = act_;
  report_.trash = act_ == FileAct::Delete && static_cast<bool>(config_.moveToTrash);
  report_.dryRun = config_.dryRun;
  if (act_ != FileAct::Delete && !config_.dryRun) untickReplaced();
  const std::string report = KeptReport(report_);
  deletePlan_ = {};
  deleteResults_.clear();
  deleteErrors_.clear();
  deleteKeepers_.clear();
  deleteBytes_.clear();
  setPhase(Phase::Idle, true);
  showProgress(0);
  deleteTable_.DeleteCount = 0;
  DeleteListStale = true;
  deleteBuilder_.forget();
  events_.statusText(texts::kUpdatingInformation);
  completeDeleteList();
  events_.statusText(texts::kInformationUpdated);
  if (!report.empty()) dialogs_.information(report);
  runDeferred();
}
