// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QObject>
#include <QPointer>

#include "core/window_queue.h"

// Runs posted tasks on the thread of `context` (the window thread) through
// queued calls, in the order posted. Tasks posted after `context` is gone are
// dropped.
class QtWindowQueue final : public WindowQueue {
 public:
  explicit QtWindowQueue(QObject* context) : context_(context) {}
  void post(std::function<void()> task) override;
  // A 1 ms timer: Qt delivers the events posted during a task before any
  // timer, but due timers in the order they fell due.
  void postAfterPending(std::function<void()> task) override;

 private:
  QObject* context_;
};
