// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "session/session_driver.h"

bool SessionDriver::settle(std::chrono::milliseconds timeout) {
  Session& s = session();
  if (!driveUntil([&] { return s.phase() == Phase::Idle && !s.workersBusy() && !s.scanStepsDue(); },
                  timeout))
    return false;
  finishDeleteList();
  return !s.deleteListStale();
}

ScanRefusal SessionDriver::runScan(ScanRequest request) {
  ScanRefusal refusal = session().requestScan(std::move(request));
  if (!refusal.refused()) settle();
  return refusal;
}

bool SessionDriver::runCheck(CheckMode mode) {
  return session().startCheck(mode) && settle();
}

bool SessionDriver::runDelete() {
  return runReplace(FileAct::Delete);
}

bool SessionDriver::runReplace(FileAct act) {
  Session& s = session();
  if (s.deleteRunActive()) return false;
  if (act == FileAct::Delete) {
    s.deleteChecked();
  } else {
    s.replaceChecked(act);
  }
  if (!s.deleteRunActive()) return false;  // refused, or nothing confirmed
  return settle();
}

const std::vector<std::vector<int>>* SessionDriver::sets() {
  bool known = false;
  session().withIdenticalSets([&known] { known = true; });
  settle();
  return known ? &session().identicalSets() : nullptr;
}

bool SessionDriver::keep(const KeepRule& rule) {
  if (sets() == nullptr) return false;
  session().keepCopies(rule);  // the sets are known: the rule applies at once
  return true;
}
