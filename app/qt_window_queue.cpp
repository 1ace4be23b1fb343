// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/qt_window_queue.h"

#include <QMetaObject>
#include <QTimer>
#include <chrono>

void QtWindowQueue::post(std::function<void()> task) {
  QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

void QtWindowQueue::postAfterPending(std::function<void()> task) {
  QTimer::singleShot(std::chrono::milliseconds(1), Qt::PreciseTimer, context_, std::move(task));
}
