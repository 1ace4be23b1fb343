// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

// The one ordered way from a worker thread to the window thread.
// post() may be called from any thread; tasks run on the window thread in the
// order they were posted. A poster never waits for a task to run.
class WindowQueue {
 public:
  virtual ~WindowQueue() = default;
  virtual void post(std::function<void()> task) = 0;
  // Runs `task` on the window thread once the window has handled what is
  // waiting for it, its timers and repaints included, so that long steps of
  // the window's own posted one after another do not add up to one stall.
  // No order is kept against post(): call it on the window thread, while no
  // worker posts.
  virtual void postAfterPending(std::function<void()> task) { post(std::move(task)); }
};

// A queue that the test thread drains itself; it stands in for the window
// thread in plain C++ tests.
class DrainQueue final : public WindowQueue {
 public:
  void post(std::function<void()> task) override;

  // Runs every queued task (and those they post) on the calling thread.
  // Returns the number of tasks run.
  std::size_t drain();

  // Drains until pred() holds or the timeout passes; returns pred().
  bool drainUntil(const std::function<bool()>& pred,
                  std::chrono::milliseconds timeout = std::chrono::seconds(20));

  std::size_t pending() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> tasks_;
};
