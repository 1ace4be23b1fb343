// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string>

// Where a run is. One value at a time; the session changes it on the window
// thread only.
enum class Phase { Idle, Walking, Grouping, Checking, CheckPaused, Deleting };

// Which of the two result lists.
enum class ListId { Files = 0, Delete = 1 };

// How far a run has come: `percent` of the grouping, check or delete, and
// `done` as entries walked (walking) or bytes compared (checking, deleting).
struct RunProgress {
  Phase phase = Phase::Idle;
  int percent = 0;
  std::uint64_t done = 0;
};

// A change of phase. `completed` says the run that left `from` ran to its
// end (a scan whose grouping filled "Files", a check that decided every
// band), rather than being cancelled, failing or starting over.
struct PhaseChange {
  Phase from = Phase::Idle;
  Phase to = Phase::Idle;
  bool completed = false;
};

// What a session reports to whoever shows it: a window, a terminal, a test.
// Every call comes on the window thread (the driver's thread). Messages and
// questions go through `Dialogs`. Each has an empty default, so a listener
// takes only what it shows.
class SessionEvents {
 public:
  virtual ~SessionEvents() = default;

  virtual void phaseChanged(const PhaseChange& /*change*/) {}
  virtual void progress(const RunProgress& /*progress*/) {}
  virtual void statusText(const std::string& /*text*/) {}
  // "Files" is being filled by a scan (`on`), or that fill has ended or was
  // dropped: a view may hold the list's painting meanwhile.
  virtual void filesFilling(bool /*on*/) {}
  // A slice of "Files to delete" is being rebuilt (`on`), or is done.
  virtual void deleteListRebuilding(bool /*on*/) {}
  // "Files to delete" no longer shows the ticks of "Files": rebuild it
  // (Session::refreshDeleteList) once the events waiting now are handled.
  virtual void deleteListRebuildDue() {}
  // An apply of the "Files" columns that waited for a fill or a delete may run now.
  virtual void columnsApplyDue() {}
};
