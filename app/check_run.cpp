// The duplicate check run: its buttons, the worker and its effects on "Files".
#include "compare/check_run.h"
#include "app/form_main.h"
#include "app/texts.h"

#include <algorithm>
#include <vector>

void TFormMain::SpeedButton10Click() {
  if (refuseDuringDelete()) return;
  if (!FilesListFilled.load()) {
    dialogs_->confirmOk(texts::kScanFirst);
    return;
  }
  TabSheet3_->setEnabled(false);
  GroupBox1_->setEnabled(false);
  RadioGroup1_->setEnabled(false);
  GroupBox2_->setEnabled(false);
  setProgress(0);
  SpeedButton17_->setText(QString::fromUtf8(texts::kPause));
  SpeedButton17_->setEnabled(true);
  SpeedButton18_->setEnabled(true);
  SpeedButton10_->setEnabled(false);
  // The worker takes the values the window owns as they are now.
  const int mode = RadioGroup1_->itemIndex();
  const int listRows = filesList_.rowCount();
  {
    std::lock_guard lock(checkEffectsMutex_);
    checkEffects_.clear();
  }
  vgThreadCheckDouble.start(
      [this, mode, listRows](RunContext& run) { vgThreadCheckDoubleExecute(run, mode, listRows); });
}

void TFormMain::SpeedButton17Click() {
  if (SpeedButton17_->text() == QString::fromUtf8(texts::kPause)) {
    vgThreadCheckDouble.pause();
    SpeedButton17_->setText(QString::fromUtf8(texts::kResume));
  } else {
    vgThreadCheckDouble.resume();
    SpeedButton17_->setText(QString::fromUtf8(texts::kPause));
  }
}

void TFormMain::endCheckRunControls() {
  SpeedButton17_->setEnabled(false);
  SpeedButton18_->setEnabled(false);
  TabSheet3_->setEnabled(true);
  GroupBox1_->setEnabled(true);
  RadioGroup1_->setEnabled(true);
  GroupBox2_->setEnabled(true);
  SpeedButton10_->setEnabled(true);
}

void TFormMain::SpeedButton18Click() {
  stopCheckRun();
  endCheckRunControls();
}

void TFormMain::pushCheckEffect(RunContext& run, CheckEffect effect) {
  {
    std::lock_guard lock(checkEffectsMutex_);
    checkEffects_.push_back(std::move(effect));
  }
  run.post([this] { applyCheckEffect(); });
}

bool TFormMain::applyCheckEffect() {
  CheckEffect effect;
  {
    std::lock_guard lock(checkEffectsMutex_);
    if (checkEffects_.empty()) return false;
    effect = std::move(checkEffects_.front());
    checkEffects_.pop_front();
  }
  // The rows keep the identity their bytes were read under (before the ticks
  // that rest on them); Delete Checked requires it unchanged.
  for (const RowIdentity& r : effect.read) {
    if (r.row >= 1 && r.row <= candidates_.stored()) candidates_.row(r.row).Identity = r.identity;
  }
  if (effect.untickAll) {
    filesList_.setAllChecked(false);
  } else if (!effect.rows.empty()) {
    filesList_.setChecked(effect.rows, true);
  }
  return true;
}

void TFormMain::stopCheckRun() {
  vgThreadCheckDouble.stopNow();
  vgThreadCheckDouble.wait();
  // The stopped run's posts are dropped; the ticks of every band it had
  // decided are applied here instead, in order.
  while (applyCheckEffect()) {
  }
}

void TFormMain::vgThreadCheckDoubleExecute(RunContext& run, int mode, int listRows) {
  // Ticks go through the effect queue, so a stop can still apply them; the
  // progress bar only through posts, which a stop drops (it keeps its value).
  class Sink final : public CheckSink {
   public:
    Sink(RunContext& run, TFormMain& form) : run_(run), form_(&form) {}
    void untickAllFiles() override { form_->pushCheckEffect(run_, {true, {}, {}}); }
    void tickRow(int row) override { tickRows({row}); }
    void tickRows(const std::vector<int>& rows) override {
      // Slices of a few thousand rows keep each window step short.
      constexpr std::size_t kSlice = 4096;
      for (std::size_t at = 0; at < rows.size(); at += kSlice) {
        const std::size_t end = std::min(rows.size(), at + kSlice);
        std::vector<int> slice;
        slice.reserve(end - at);
        // List rows count from 0; a row the list lacks is skipped by the list.
        for (std::size_t k = at; k < end; ++k) slice.push_back(rows[k] - 1);
        form_->pushCheckEffect(run_, {false, std::move(slice), {}});
      }
    }
    void filesRead(const std::vector<RowIdentity>& rows) override {
      form_->pushCheckEffect(run_, {false, {}, rows});
    }
    void progress(int percent) override {
      run_.post([form = form_, percent] { form->setProgress(percent); });
    }

   private:
    RunContext& run_;
    TFormMain* form_;
  } sink(run, *this);

  EngineLimits limits;
  limits.threads = DefaultCheckThreads();
  RunCheck(
      {mode, listRows}, candidates_, sink, [&run] { run.checkpoint(); }, limits);
  run.post([this] {
    setProgress(0);
    endCheckRunControls();
    // Every tick of the run has reached "Files" by now; "Files to delete"
    // is rebuilt from them later.
    setStatusText(texts::kNumToDelete + std::to_string(filesList_.checkedCount()));
  });
}
