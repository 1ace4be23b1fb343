// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "session/plain_driver.h"

// Keeps what the driver itself needs of the session's events and passes
// every event on to the caller's listener.
class PlainDriver::Events final : public SessionEvents {
 public:
  explicit Events(SessionEvents* also) : also_(also) {}
  void phaseChanged(const PhaseChange& change) override {
    if (also_ != nullptr) also_->phaseChanged(change);
  }
  void progress(const RunProgress& progress) override {
    if (also_ != nullptr) also_->progress(progress);
  }
  void statusText(const std::string& text) override {
    status = text;
    if (also_ != nullptr) also_->statusText(text);
  }
  void filesFilling(bool on) override {
    if (also_ != nullptr) also_->filesFilling(on);
  }
  void deleteListRebuilding(bool on) override {
    if (also_ != nullptr) also_->deleteListRebuilding(on);
  }
  void deleteListRebuildDue() override {
    rebuildDue = true;
    if (also_ != nullptr) also_->deleteListRebuildDue();
  }
  void columnsApplyDue() override {
    if (also_ != nullptr) also_->columnsApplyDue();
  }

  std::string status;
  bool rebuildDue = false;

 private:
  SessionEvents* also_;
};

PlainDriver::PlainDriver(SessionConfig config, SessionEvents* events, Dialogs* dialogs)
    : events_(std::make_unique<Events>(events)),
      dialogs_(dialogs != nullptr ? dialogs : &ownDialogs_),
      session_(std::make_unique<Session>(*events_, *dialogs_, queue, icons_, std::move(config))) {
  // The window's handlers of both lists, reduced to what reaches the session.
  session_->filesList().setChangeHandler(
      [this](int row, bool tickFlipped) { session_->filesTickChanged({row}, tickFlipped); });
  session_->deleteList().setChangeHandler([this](int, bool) {
    if (session_->deleteListWhole()) session_->refreshDeleteList();
  });
}

PlainDriver::~PlainDriver() = default;

const std::string& PlainDriver::status() const {
  return events_->status;
}

void PlainDriver::turn() {
  queue.drain();
  if (session_->scanStepsDue()) session_->scanStep();
  if (events_->rebuildDue) {
    events_->rebuildDue = false;
    session_->refreshDeleteList();
  }
}

bool PlainDriver::driveUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return queue.drainUntil(
      [&] {
        turn();
        return done();
      },
      timeout);
}

void PlainDriver::finishDeleteList() {
  queue.drain();
  if (session_->deleteListStale()) session_->completeDeleteList();
}
