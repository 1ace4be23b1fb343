// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "session/plain_driver.h"

PlainDriver::PlainDriver(Dialogs& dialogs, SessionConfig config, PlainView* view)
    : view_(view != nullptr ? view : &ownView_),
      session_(std::make_unique<Session>(*view_, dialogs, queue, icons_, std::move(config))) {
  // The window's handlers of both lists, reduced to what reaches the session.
  session_->filesList().setChangeHandler([this](int row) { session_->filesTickChanged(row); });
  session_->deleteList().setChangeHandler([this](int) {
    if (session_->deleteListWhole()) session_->refreshDeleteList();
  });
}

void PlainDriver::turn() {
  queue.drain();
  if (view_->scanTimer) session_->scanTimerStep(folders);
  if (view_->deleteListTimer) {
    view_->deleteListTimer = false;
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

bool PlainDriver::settle(std::chrono::milliseconds timeout) {
  Session& s = *session_;
  if (!driveUntil([&] { return s.phase() == Phase::Idle && !s.workersBusy() && !view_->scanTimer; },
                  timeout))
    return false;
  queue.drain();
  if (s.deleteListStale()) s.completeDeleteList();
  return true;
}

bool PlainDriver::scan(const std::string& root) {
  return scan(std::vector<std::string>{root});
}

bool PlainDriver::scan(const std::vector<std::string>& roots) {
  folders = roots;
  session_->requestScan();
  return settle() && session_->walkDone() && session_->filesListFilled();
}

bool PlainDriver::check(int mode) {
  return session_->startCheck(mode) && settle();
}
