// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/window_queue.h"
#include "session/session_driver.h"

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
// delete" the session asks for.
class PlainDriver final : public SessionDriver {
 public:
  // `events` hears what the session reports (nothing when null); `dialogs`
  // defaults to PlainDialogs of the driver's own.
  explicit PlainDriver(SessionConfig config = {}, SessionEvents* events = nullptr,
                       Dialogs* dialogs = nullptr);
  ~PlainDriver() override;
  PlainDriver(const PlainDriver&) = delete;
  PlainDriver& operator=(const PlainDriver&) = delete;

  bool driveUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::minutes(10)) override;
  // One turn of the window thread: the posts waiting, then the steps due.
  void turn();

  DrainQueue queue;
  Session& session() override { return *session_; }
  const Session& session() const { return *session_; }
  Dialogs& dialogs() { return *dialogs_; }
  // The status text the session showed last.
  const std::string& status() const;

 private:
  void finishDeleteList() override;

  class Events;
  std::unique_ptr<Events> events_;
  PlainDialogs ownDialogs_;
  Dialogs* dialogs_;
  NoIcons icons_;
  std::unique_ptr<Session> session_;  // last: its workers post to the queue above
};
