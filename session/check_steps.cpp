// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The duplicate check run: start, pause, cancel, the worker and its effects
// on "Files".
#include <algorithm>
#include <memory>
#include <vector>

#include "session/session.h"
#include "session/texts.h"

bool Session::startCheck(CheckMode mode) {
  if (refuseDuringDelete()) return false;
  if (!FilesListFilled.load()) {
    dialogs_.confirmOk(texts::kScanFirst);
    return false;
  }
  forgetSets();
  setPhase(Phase::Checking);
  showProgress(0);
  unreadable_.take();
  bytesAtCheckStart_ = CompareBytesRead();
  // The worker takes the rows "Files" has now.
  const int listRows = config_.listRows ? filesList_.rowCount() : candidates_.count();
  {
    std::lock_guard lock(checkEffectsMutex_);
    checkEffects_.clear();
  }
  // The check never ticks a file below a protected folder.
  checkShield_.reset();
  if (!protectedFolders_.empty()) checkShield_ = std::make_unique<FolderMatcher>(protectedFolders_);
  vgThreadCheckDouble.start(
      [this, mode, listRows](RunContext& run) { checkBody(run, mode, listRows); });
  return true;
}

void Session::togglePause() {
  if (phase_ == Phase::Checking) {
    vgThreadCheckDouble.pause();
    setPhase(Phase::CheckPaused);
  } else if (phase_ == Phase::CheckPaused) {
    vgThreadCheckDouble.resume();
    setPhase(Phase::Checking);
  }
}

void Session::endCheck(bool completed) {
  checkHasRun_ = true;
  report_.unreadable = takeUnreadable();
  if (phase_ == Phase::Checking || phase_ == Phase::CheckPaused) setPhase(Phase::Idle, completed);
}

void Session::cancelCheck() {
  afterSets_ = {};  // sets being computed for a keep rule: the rule is dropped
  stopCheckRun();
  endCheck(false);
}

void Session::pushCheckEffect(RunContext& run, CheckEffect effect) {
  {
    std::lock_guard lock(checkEffectsMutex_);
    checkEffects_.push_back(std::move(effect));
  }
  run.post([this] { applyCheckEffect(); });
}

bool Session::applyCheckEffect() {
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
    if (r.row >= 1 && r.row <= candidates_.size()) candidates_.row(r.row).Identity = r.identity;
  }
  if (checkShield_) {
    std::erase_if(effect.rows, [this](int row) {
      return row >= 1 && row <= candidates_.count() && isProtected(candidates_.row(row).FullPath);
    });
  }
  if (!config_.listRows) {
    // No list to mirror the ticks: they go to the candidates themselves.
    if (effect.untickAll) {
      for (int k = 1; k <= candidates_.count(); ++k) candidates_.row(k).Checked = 0;
    }
    for (const int row : effect.rows) {
      if (row >= 1 && row <= candidates_.count()) candidates_.row(row).Checked = 1;
    }
    return true;
  }
  if (effect.untickAll) {
    filesList_.setAllChecked(false);
  } else if (!effect.rows.empty()) {
    // List rows count from 0; a row the list lacks is skipped by the list.
    std::vector<int> rows;
    rows.reserve(effect.rows.size());
    for (const int row : effect.rows) rows.push_back(TableRow{row}.listIndex().value);
    filesList_.setChecked(rows, true);
  }
  return true;
}

void Session::stopCheckRun() {
  vgThreadCheckDouble.stopNow();
  vgThreadCheckDouble.wait();
  // The stopped run's posts are dropped; the ticks of every band it had
  // decided are applied here instead, in order.
  while (applyCheckEffect()) {
  }
}

void Session::checkBody(RunContext& run, CheckMode mode, int listRows) {
  // Ticks go through the effect queue, so a stop can still apply them; the
  // progress bar only through posts, which a stop drops (it keeps its value).
  class Sink final : public CheckSink {
   public:
    Sink(RunContext& run, Session& session) : run_(run), s_(&session) {}
    void untickAllFiles() override { s_->pushCheckEffect(run_, {true, {}, {}}); }
    void tickRow(int row) override { tickRows({row}); }
    void tickRows(const std::vector<int>& rows) override {
      // Slices of a few thousand rows keep each window step short.
      constexpr std::size_t kSlice = 4096;
      for (std::size_t at = 0; at < rows.size(); at += kSlice) {
        const std::size_t end = std::min(rows.size(), at + kSlice);
        const auto first = rows.begin() + static_cast<std::ptrdiff_t>(at);
        const auto last = rows.begin() + static_cast<std::ptrdiff_t>(end);
        s_->pushCheckEffect(run_, {false, std::vector<int>(first, last), {}});
      }
    }
    void filesRead(const std::vector<RowIdentity>& rows) override {
      s_->pushCheckEffect(run_, {false, {}, rows});
    }
    void progress(int percent) override {
      run_.post([s = s_, percent] {
        s->showProgress(percent, CompareBytesRead() - s->bytesAtCheckStart_);
      });
    }
    void identicalSets(const std::vector<std::vector<int>>& sets) override {
      this->sets.insert(this->sets.end(), sets.begin(), sets.end());
    }
    std::vector<std::vector<int>> sets;

   private:
    RunContext& run_;
    Session* s_;
  } sink(run, *this);

  RunCheck({static_cast<int>(mode), listRows}, candidates_, sink, checkpointOf(run),
           engineLimits());
  const bool careful = mode == CheckMode::Careful;
  run.post([this, careful, sets = std::move(sink.sets)]() mutable {
    // A whole careful check found every set: they are kept for the keep rules.
    if (careful) {
      sets_ = std::move(sets);
      setsKnown_ = true;
    }
    showProgress(0, CompareBytesRead() - bytesAtCheckStart_);
    endCheck(true);
    if (keepAfterCheck_ && !keepAfterCheck_->empty()) applyKeepAfterCheck();
    // Every tick of the run has reached "Files" by now; "Files to delete"
    // is rebuilt from them later.
    int ticks = filesList_.checkedCount();
    if (!config_.listRows) {
      for (int k = 1; k <= candidates_.count(); ++k) ticks += candidates_.row(k).Checked;
    }
    events_.statusText(texts::kNumToDelete + std::to_string(ticks));
  });
}

bool Session::isProtected(const std::string& path) {
  for (std::size_t f = 0; f < protectedFolders_.size(); ++f) {
    if (checkShield_->holds(f, path)) return true;
  }
  return false;
}

void Session::applyKeepAfterCheck() {
  const KeepRule rule = *keepAfterCheck_;
  if (setsKnown_) {
    applyKeepRule(rule);
    return;
  }
  // After a fast check the sets are computed first. The check has just
  // ended on this worker, so nothing is refused here.
  computeSetsThen([this, rule] { applyKeepRule(rule); });
}
