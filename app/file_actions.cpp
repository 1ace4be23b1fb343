// File actions: deleting the ticked files, running a file, ticking and
// unticking whole lists, the popup of "Files".
#include <QFile>

#include "app/form_main.h"
#include "app/texts.h"
#include "lists/file_actions.h"

void TFormMain::SpeedButton26Click() {
  DeleteCheckedFiles();
}

namespace {

std::string Display(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path)).toStdString();
}

// The second question: how many files have no verified copy, the first few
// by path.
std::string NoCopyQuestion(const DeletePlan& plan, const std::vector<int>& which) {
  constexpr std::size_t kNamed = 5;
  std::string text = std::to_string(which.size()) +
                     (which.size() == 1 ? texts::kNoCopyQuestionOne : texts::kNoCopyQuestionMany);
  for (std::size_t i = 0; i < which.size() && i < kNamed; ++i) {
    text += "\n" + Display(plan.targets[static_cast<std::size_t>(which[i])].path);
  }
  if (which.size() > kNamed) text += "\n(and " + std::to_string(which.size() - kNamed) + " more)";
  return text + "\n\n" + texts::kNoCopyQuestionEnd;
}

// The report after the action: how many ticked files are still on disk, and why.
std::string KeptReport(const std::vector<DeleteResult>& results) {
  int changed = 0;
  int noCopy = 0;
  int failed = 0;
  for (const DeleteResult r : results) {
    changed += r == DeleteResult::Changed ? 1 : 0;
    noCopy += r == DeleteResult::NoCopy ? 1 : 0;
    failed += r == DeleteResult::Failed ? 1 : 0;
  }
  if (changed + noCopy + failed == 0) return {};
  std::string text = texts::kKeptReportStart + std::to_string(changed + noCopy + failed) + " of " +
                     std::to_string(results.size()) + " checked files.";
  if (changed > 0)
    text += "\n" + std::to_string(changed) +
            " changed since they were checked; they stay in the lists, ticked.";
  if (noCopy > 0)
    text += "\n" + std::to_string(noCopy) +
            " have no identical copy that stays on disk; they stay in the lists, ticked.";
  if (failed > 0) text += "\n" + std::to_string(failed) + " could not be deleted.";
  return text;
}

}  // namespace

void TFormMain::DeleteCheckedFiles() {
  if (refuseDuringRun()) return;
  if (deleteBuilder_.building()) completeDeleteList();
  if (filesList_.rowCount() == 0 || deleteList_.rowCount() == 0) {
    dialogs_->confirmOk(texts::kNoCheckedFiles);
    return;
  }
  if (!dialogs_->confirmYesNo(texts::kConfirmDelete)) return;
  setProgress(0);
  deletePlan_ = PlanDelete(candidates_, deleteTable_, deleteList_);
  deleteResults_.assign(deletePlan_.targets.size(), DeleteResult::NoCopy);
  deleteActive_ = true;
  std::vector<int> all(deletePlan_.targets.size());
  for (std::size_t t = 0; t < all.size(); ++t) all[t] = static_cast<int>(t);
  startDeletePass(std::move(all), true);
}

void TFormMain::startDeletePass(std::vector<int> which, bool requireCopy) {
  // The worker reads the plan, which stays untouched until its results are back.
  DeleteThread.start([this, which = std::move(which), requireCopy](RunContext& run) {
    DeletePassOptions options;
    options.requireCopy = requireCopy;
    options.limits.threads = DefaultCheckThreads();
    std::vector<DeleteResult> results = RunDeletePass(
        deletePlan_, which, options, [&run] { run.checkpoint(); },
        [&run, this](int percent) { run.post([this, percent] { setProgress(percent); }); });
    run.post([this, which, results = std::move(results), requireCopy] {
      deletePassDone(which, results, requireCopy);
    });
  });
}

void TFormMain::deletePassDone(const std::vector<int>& which,
                               const std::vector<DeleteResult>& results, bool requireCopy) {
  std::vector<int> noCopy;
  for (std::size_t i = 0; i < which.size(); ++i) {
    deleteResults_[static_cast<std::size_t>(which[i])] = results[i];
    if (results[i] == DeleteResult::NoCopy) noCopy.push_back(which[i]);
  }
  if (requireCopy && !noCopy.empty() &&
      dialogs_->confirmYesNo(NoCopyQuestion(deletePlan_, noCopy))) {
    startDeletePass(std::move(noCopy), false);
    return;
  }
  finishDeleteChecked();
}

void TFormMain::finishDeleteChecked() {
  RemoveDeletedRows(candidates_, filesList_, deleteList_, deletePlan_, deleteResults_);
  const std::string report = KeptReport(deleteResults_);
  deletePlan_ = {};
  deleteResults_.clear();
  deleteActive_ = false;
  setProgress(0);
  deleteTable_.DeleteCount = 0;
  DeleteListStale = true;
  deleteBuilder_.forget();
  setStatusText(std::string(texts::kUpdatingInformation));
  for (int k = 1; k <= candidates_.count(); ++k) {
    if (k - 1 < filesList_.rowCount())
      filesList_.setChecked(k - 1, candidates_.row(k).Checked == 1);
  }
  completeDeleteList();
  setStatusText(std::string(texts::kInformationUpdated));
  if (!report.empty()) dialogs_->information(report);
  runDeferredAfterFill();
}

void TFormMain::SpeedButton2Click() {
  if (refuseDuringRun()) return;
  SetAllTicks(filesList_, true);
}

void TFormMain::SpeedButton3Click() {
  if (refuseDuringRun()) return;
  UntickAllFiles(filesList_, candidates_);
}

void TFormMain::SpeedButton25Click() {
  if (deleteBuilder_.building()) completeDeleteList();
  SetAllTicks(deleteList_, true);
}

void TFormMain::SpeedButton21Click() {
  if (deleteBuilder_.building()) completeDeleteList();
  SetAllTicks(deleteList_, false);
}

void TFormMain::RunFile(const std::string& fullPath) {
  // The raw bytes travel percent-encoded, so names that are not UTF-8 still open.
  const QByteArray encoded =
      QByteArray("file://") + QByteArray::fromStdString(fullPath).toPercentEncoding("/");
  openUrl_(QUrl::fromEncoded(encoded));
}

void TFormMain::LaunchFile1Click() {
  const int row = vgListView1_->selectedRow();
  if (row < 0 || row + 1 > candidates_.count()) return;
  RunFile(candidates_.row(row + 1).FullPath);
}

void TFormMain::vgListView1DblClick() {
  const int row = vgListView1_->selectedRow();
  if (row < 0) return;
  if (RadioGroup2_->itemIndex() == 0) {
    if (row + 1 <= candidates_.count()) RunFile(candidates_.row(row + 1).FullPath);
  } else if (row < filesList_.rowCount()) {
    filesList_.setChecked(row, !filesList_.isChecked(row));
  }
}

void TFormMain::RxPopupMenu1Popup() {
  for (QAction* action : RxPopupMenu1_->actions()) action->setVisible(false);
  if (vgListView1_->selectedRow() >= 0) {
    LaunchFile1_->setVisible(true);
  } else {
    UncheckallItems1_->setVisible(true);
    SelectallItems1_->setVisible(true);
  }
}
