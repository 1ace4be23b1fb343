// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/window_queue.h"

void DrainQueue::post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  posted_.notify_all();
}

std::size_t DrainQueue::drain() {
  std::size_t ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) return ran;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    ++ran;
  }
}

bool DrainQueue::drainUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    drain();
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // The predicate may depend on more than the queue (a worker ending), so wake
    // up now and then even when nothing is posted.
    std::unique_lock lock(mutex_);
    posted_.wait_for(lock, std::chrono::milliseconds(2), [this] { return !tasks_.empty(); });
  }
}

std::size_t DrainQueue::pending() const {
  std::lock_guard lock(mutex_);
  return tasks_.size();
}
