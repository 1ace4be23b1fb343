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

// Every file type gets icon 0: a driver without a list to show.
class NoIcons final : public IconIndexer {
 public:
  int FileTypeIconIndex(const std::string&) override { return 0; }
};

// Dialogs without a window: every message is kept; the delete's
// confirmation is answered by `confirm`, every other question by `answer`.
class PlainDialogs final : public Dialogs {
 public:
  void information(const std::string& text) override { shown.push_back(text); }
  void warning(const std::string& text) override { shown.push_back(text); }
  void plain(const std::string& text) override { shown.push_back(text); }
  void confirmOk(const std::string& text) override { shown.push_back(text); }
  bool confirmYesNo(const std::string& text) override {
    shown.push_back(text);
    return answer;
  }
  bool confirmYesNoDetailed(const std::string& text, const std::string&) override {
    shown.push_back(text);
    return confirm;
  }
  void errorBox(const std::string& text) override { shown.push_back(text); }
  std::optional<std::string> pickFolder(const std::string&) override { return {}; }
  std::optional<std::string> saveFile(const std::string&, const std::string&) override {
    return {};
  }

  std::vector<std::string> shown;
  bool confirm = true;
  bool answer = false;
};

// A session driven from the calling thread in the window thread's place: it
// runs the workers' posts, the scan's steps and the rebuilds of "Files to
// delete" the session asks for. Each run call returns once the run has ended.
class PlainDriver {
 public:
  // `events` hears what the session reports (nothing when null); `dialogs`
  // defaults to PlainDialogs of the driver's own.
  explicit PlainDriver(SessionConfig config = {}, SessionEvents* events = nullptr,
                       Dialogs* dialogs = nullptr);
  ~PlainDriver();
  PlainDriver(const PlainDriver&) = delete;
  PlainDriver& operator=(const PlainDriver&) = delete;

  // A whole scan: walk and grouping. A refused request starts nothing; a
  // failed walk shows in session().report().walkFailed.
  ScanRefusal runScan(ScanRequest request);
  // A whole check in `mode`; false when it was refused.
  bool runCheck(CheckMode mode);
  // "Delete Checked" of what "Files to delete" has ticked, questions
  // answered by the dialogs; false when it was refused or nothing is ticked.
  bool runDelete();
  // The sets of identical candidates, computed first when the last check
  // kept none; null when that was refused or stopped.
  const std::vector<std::vector<int>>* sets();
  // A keep rule over the sets (computed first when needed); false when refused.
  bool keep(const KeepRule& rule);

  // Runs posts and due steps until `done` holds or `timeout` passes;
  // returns done().
  bool driveUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::minutes(10));
  // One turn of the window thread: the posts waiting, then the steps due.
  void turn();
  // Runs until no run is active and no worker is busy, then lets a waiting
  // rebuild of "Files to delete" finish.
  bool settle(std::chrono::milliseconds timeout = std::chrono::minutes(10));

  DrainQueue queue;
  Session& session() { return *session_; }
  const Session& session() const { return *session_; }
  Dialogs& dialogs() { return *dialogs_; }
  // The status text the session showed last.
  const std::string& status() const;

 private:
  class Events;
  std::unique_ptr<Events> events_;
  PlainDialogs ownDialogs_;
  Dialogs* dialogs_;
  NoIcons icons_;
  std::unique_ptr<Session> session_;  // last: its workers post to the queue above
};
