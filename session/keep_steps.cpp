// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The sets of identical candidates and the keep rules that tick by them.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "core/trash_folders.h"

#include "session/identical_sets.h"
#include "session/session.h"
#include "session/texts.h"

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
  computeSetsThen(std::move(then));
}

void Session::computeSetsThen(std::function<void()> then) {
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
  withIdenticalSets([this, rule = std::move(rule)] {
    const std::vector<KeepTick> changes = applyKeepRule(rule);
    std::vector<char> changed(static_cast<std::size_t>(candidates_.count()) + 1, 0);
    int on = 0;
    for (const KeepTick& change : changes) {
      on += change.ticked ? 1 : 0;
      if (change.row >= 1 && change.row <= candidates_.count())
        changed[static_cast<std::size_t>(change.row)] = 1;
    }
    std::size_t sets = 0;
    for (const std::vector<int>& set : sets_) {
      sets += std::any_of(set.begin(), set.end(),
                          [&](int row) {
                            return row >= 1 && row <= candidates_.count() &&
                                   changed[static_cast<std::size_t>(row)] != 0;
                          })
                  ? 1
                  : 0;
    }
    std::uint64_t bytes = 0;
    for (int r = 1; r <= candidates_.count(); ++r) {
      if (ticked(r)) bytes += static_cast<std::uint64_t>(candidates_.row(r).Size);
    }
    dialogs_.information(
        texts::KeepSummary(sets, on, static_cast<int>(changes.size()) - on, bytes));
  });
}

void Session::setProtectedFolders(std::vector<std::string> folders) {
  protectedFolders_ = std::move(folders);
}

KeepGuards Session::keepGuards() const {
  KeepGuards guards;
  guards.protectedFolders = protectedFolders_;
  auto trash = std::make_shared<TrashFolders>();
  guards.inTrash = [trash](const std::string& path) { return trash->holds(path); };
  return guards;
}

std::vector<KeepTick> Session::applyKeepRule(const KeepRule& rule) {
  const int count = candidates_.count();
  std::vector<char> ticks(static_cast<std::size_t>(count) + 1, 0);
  for (int r = 1; r <= count; ++r) ticks[static_cast<std::size_t>(r)] = ticked(r) ? 1 : 0;
  std::vector<KeepTick> changes = KeepRuleTicks(sets_, candidates_, rule, ticks, keepGuards());
  if (!config_.listRows) {
    for (const KeepTick& change : changes) {
      if (change.row >= 1 && change.row <= count)
        candidates_.row(change.row).Checked = change.ticked ? 1 : 0;
    }
    return changes;
  }
  // Through "Files", so Checked and "Files to delete" follow as for a click.
  std::vector<int> on;
  std::vector<int> off;
  for (const KeepTick& change : changes)
    (change.ticked ? on : off).push_back(TableRow{change.row}.listIndex().value);
  filesList_.setChecked(off, false);
  filesList_.setChecked(on, true);
  return changes;
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
