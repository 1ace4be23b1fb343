// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "session/session.h"

// Runs a session's calls to their end from the window thread, whoever turns
// that thread: a plain loop (PlainDriver: twinscan-cli, the plain tests) or a
// window's event loop (the window tests). Each run call returns once the run
// has ended.
class SessionDriver {
 public:
  virtual ~SessionDriver() = default;

  virtual Session& session() = 0;
  // Runs the window thread's turns until `done` holds or `timeout` passes;
  // returns done().
  virtual bool driveUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds timeout = std::chrono::minutes(10)) = 0;

  // Runs until no run is active, no worker is busy and no scan step is due,
  // then lets a waiting rebuild of "Files to delete" finish.
  bool settle(std::chrono::milliseconds timeout = std::chrono::minutes(10));
  // A whole scan: walk and grouping. A refused request starts nothing; a
  // failed walk shows in session().report().walkFailed.
  ScanRefusal runScan(ScanRequest request);
  // A whole check in `mode`; false when it was refused.
  bool runCheck(CheckMode mode);
  // "Delete Checked" of what "Files to delete" has ticked, questions
  // answered by the session's dialogs; false when it was refused or nothing
  // is ticked.
  bool runDelete();
  // The same for a link or a block share of the ticked files (one question,
  // answered by the dialogs' detailed confirmation).
  bool runReplace(FileAct act);
  // The sets of identical candidates, computed first when the last check
  // kept none; null when that was refused or stopped.
  const std::vector<std::vector<int>>* sets();
  // A keep rule over the sets (computed first when needed); false when refused.
  bool keep(const KeepRule& rule);

 protected:
  // Once the runs have settled: finish a rebuild of "Files to delete" that
  // waits (at once, or by letting the window's timer run).
  virtual void finishDeleteList() = 0;
};
