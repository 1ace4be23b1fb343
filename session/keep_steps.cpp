// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The sets of identical candidates and the keep rules that tick by them.
#include <algorithm>

#include "session/identical_sets.h"
#include "session/session.h"

bool Session::copiesAvailable() const {
  return checkHasRun_ && phase_ == Phase::Idle && !scanRunActive() && !checkRunActive();
}

void Session::forgetSets() {
  setsKnown_ = false;
  sets_.clear();
  afterSets_ = {};
}

std::vector<int> Session::setOfRow(TableRow row) const {
  for (const std::vector<int>& set : sets_) {
    if (std::find(set.begin(), set.end(), row.value) != set.end()) return set;
  }
  return {};
}

void Session::withIdenticalSets(std::function<void()> then) {
  if (refuseDuringRun()) return;
  if (setsKnown_) {
    then();
    return;
  }
  // Computed like a check: its controls, its bar, its Pause and Cancel.
  afterSets_ = std::move(then);
  setPhase(Phase::Checking);
  showProgress(0);
  unreadable_.take();
  bytesAtCheckStart_ = CompareBytesRead();
  vgThreadCheckDouble.start([this](RunContext& run) { setsBody(run); });
}

void Session::setsBody(RunContext& run) {
  std::vector<std::vector<int>> sets = IdenticalSets(
      candidates_,
      [&run, this](int percent) {
        run.post(
            [this, percent] { showProgress(percent, CompareBytesRead() - bytesAtCheckStart_); });
      },
      engineLimits(), checkpointOf(run));
  run.post([this, sets = std::move(sets)]() mutable {
    sets_ = std::move(sets);
    setsKnown_ = true;
    showProgress(0);
    endCheck(true);
    std::function<void()> then = std::move(afterSets_);
    afterSets_ = {};
    if (then) then();
  });
}

void Session::keepCopies(KeepRule rule) {
  withIdenticalSets([this, rule = std::move(rule)] { applyKeepRule(rule); });
}

void Session::applyKeepRule(const KeepRule& rule) {
  const int count = candidates_.count();
  std::vector<char> ticks(static_cast<std::size_t>(count) + 1, 0);
  for (int r = 1; r <= count; ++r) ticks[static_cast<std::size_t>(r)] = ticked(r) ? 1 : 0;
  const std::vector<KeepTick> changes = KeepRuleTicks(sets_, candidates_, rule, ticks);
  if (!config_.listRows) {
    for (const KeepTick& change : changes) {
      if (change.row >= 1 && change.row <= count)
        candidates_.row(change.row).Checked = change.ticked ? 1 : 0;
    }
    return;
  }
  // Through "Files", so Checked and "Files to delete" follow as for a click.
  std::vector<int> on;
  std::vector<int> off;
  for (const KeepTick& change : changes)
    (change.ticked ? on : off).push_back(TableRow{change.row}.listIndex().value);
  filesList_.setChecked(off, false);
  filesList_.setChecked(on, true);
}

void Session::setsAfterRemoval(const std::vector<int>& removed) {
  if (!setsKnown_ || removed.empty()) return;
  // In place: a Delete Checked of a quarter million copies touches as many
  // sets, and the window waits for this step.
  std::erase_if(sets_, [&](std::vector<int>& rows) {
    std::size_t kept = 0;
    for (const int row : rows) {
      const auto before = std::lower_bound(removed.begin(), removed.end(), row);
      if (before != removed.end() && *before == row) continue;
      rows[kept++] = row - static_cast<int>(before - removed.begin());
    }
    rows.resize(kept);
    if (rows.size() < 2) return true;
    // A set needs two different files to stay one.
    const bool twoFiles = std::any_of(rows.begin(), rows.end(), [&](int r) {
      return !candidates_.row(r).Identity.sameFile(candidates_.row(rows.front()).Identity);
    });
    return !twoFiles;
  });
}
