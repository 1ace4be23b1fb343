// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <string>

// Where a run is. One value at a time; the session changes it on the window
// thread only.
enum class Phase { Idle, Walking, Grouping, Checking, CheckPaused, Deleting };

// Which of the two result lists.
enum class ListId { Files = 0, Delete = 1 };

// What a session shows through its window (or a plain stand-in). Every call
// comes on the window thread. Messages and questions go through `Dialogs`.
class SessionView {
 public:
  virtual ~SessionView() = default;

  virtual void showStatus(const std::string& text) = 0;        // the status bar's text
  virtual void showProgress(int percent) = 0;                  // the progress bar
  virtual void showPhaseCaption(const std::string& text) = 0;  // the progress window's caption
  // "Rescan", "Twin Scan" and the tick-all buttons disabled and "cancel"
  // shown while a scan runs, or the reverse.
  virtual void lockRunControls(bool locked) = 0;
  // The check's controls: "Pause" and "Cancel" enabled and the other pages
  // disabled while `running`, or the reverse.
  virtual void showCheckControls(bool running) = 0;
  virtual void showPauseCaption(bool paused) = 0;  // "Resume" while paused, else "Pause"
  virtual void showFilesPage() = 0;
  // The list's view stops painting during a fill or rebuild, then paints once.
  virtual void holdListPaint(ListId list, bool hold) = 0;
  // The scan's polling timer (TimerScan1): the view calls Session::scanTimerStep()
  // every millisecond while it runs.
  virtual void runScanTimer(bool run) = 0;
  // The rebuild timer of "Files to delete" (Timer2): arms it unless armed; it
  // fires once after the window's pending events.
  virtual void armDeleteListTimer() = 0;
  // An apply of the "Files" columns that waited for a fill or a delete may run now.
  virtual void columnsApplyDue() = 0;
  // The phase changed, or a check ended: what depends on them (the "Copies"
  // menu) may follow.
  virtual void runStateChanged() {}
};
