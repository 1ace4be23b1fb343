// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/window_queue.h"
#include "session/session.h"

// A view without a window: keeps what a window would show, for a tool or a
// test to read.
class PlainView : public SessionView {
 public:
  void showStatus(const std::string& text) override { status = text; }
  void showProgress(int percent) override { progress = percent; }
  void showPhaseCaption(const std::string& text) override { caption = text; }
  void lockRunControls(bool on) override { locked = on; }
  void showCheckControls(bool running) override { checkControls = running; }
  void showPauseCaption(bool paused) override { pauseShown = paused; }
  void showFilesPage() override {}
  void holdListPaint(ListId, bool) override {}
  void runScanTimer(bool run) override { scanTimer = run; }
  void armDeleteListTimer() override { deleteListTimer = true; }
  void columnsApplyDue() override { columnsDue = true; }

  std::string status;
  std::string caption;
  int progress = 0;
  bool locked = false;
  bool checkControls = false;
  bool pauseShown = false;
  bool scanTimer = false;
  bool deleteListTimer = false;
  bool columnsDue = false;
};

// Every file type gets icon 0: a driver without a list to show.
class NoIcons final : public IconIndexer {
 public:
  int FileTypeIconIndex(const std::string&) override { return 0; }
};

// A session driven from the calling thread in the window thread's place: it
// runs the posts of the workers and the two timers of the window.
class PlainDriver {
 public:
  // `view` defaults to a PlainView of the driver's own.
  PlainDriver(Dialogs& dialogs, SessionConfig config = {}, PlainView* view = nullptr);

  // Runs posts and timer steps until `done` holds or `timeout` passes;
  // returns done().
  bool driveUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::minutes(10));
  // One turn of the window thread: the posts waiting, then each timer due.
  void turn();
  // Runs until no run is active and no worker is busy, then lets a waiting
  // rebuild of "Files to delete" finish.
  bool settle(std::chrono::milliseconds timeout = std::chrono::minutes(10));

  // A whole scan of `folder` (or of `folders` in order); false when the walk
  // failed or a run was refused.
  bool scan(const std::string& folder);
  bool scan(const std::vector<std::string>& folders);
  // A whole check in `mode`; false when it was refused.
  bool check(int mode);

  DrainQueue queue;
  PlainView& view() { return *view_; }
  Session& session() { return *session_; }
  // The folders the scan timer hands to the session.
  std::vector<std::string> folders;

 private:
  PlainView ownView_;
  PlainView* view_;
  NoIcons icons_;
  std::unique_ptr<Session> session_;  // last: its workers post to the queue above
};
