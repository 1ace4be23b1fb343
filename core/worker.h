// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/window_queue.h"

// Thrown by RunContext::checkpoint() to end a stopped body. It is not a
// std::exception, so handlers of std::exception inside a body let it pass.
struct StopRun {};

namespace worker_detail {
struct Control;
}

// What a running body sees of its worker. Used on the worker thread only.
// The threads a walk, a check or a delete's verification uses on this
// machine: one per core, at most four.
int DefaultThreads();

class RunContext final {
 public:
  RunContext(std::shared_ptr<worker_detail::Control> control, WindowQueue& queue,
             std::shared_ptr<std::atomic<std::uint64_t>> current, std::uint64_t generation);

  // Call before each step: blocks while paused, throws StopRun once stopped.
  void checkpoint();
  bool stopRequested() const noexcept;
  // The stop request as a flag, for loops that poll rather than unwind.
  const std::atomic<bool>& stopFlag() const noexcept;

  // Queues a task for the window thread. It is dropped there if this run has
  // been stopped (or a newer run started) by the time it would run. Threads
  // the body starts may post too while the body waits for them; the caller
  // keeps such posts in order.
  void post(std::function<void()> task);

  std::uint64_t generation() const noexcept { return generation_; }

 private:
  std::shared_ptr<worker_detail::Control> control_;
  WindowQueue& queue_;
  std::shared_ptr<std::atomic<std::uint64_t>> current_;
  std::uint64_t generation_;
};

// Runs one body at a time on a thread of its own, with start, stop at once,
// pause and resume. Every member is called from one controlling thread (the
// window thread); the body runs on the worker thread.
class Worker final {
 public:
  using Body = std::function<void(RunContext&)>;

  explicit Worker(WindowQueue& queue);
  ~Worker();  // stops the body and waits for its thread
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Stops a body that is still running and waits for its thread, then runs
  // `body` once on a new thread. The new run starts unpaused.
  void start(Body body);

  // The body does nothing more from its next checkpoint on, and nothing it
  // posted is run from now on. Does not wait for the thread.
  void stopNow();

  void pause();
  void resume();
  bool paused() const;

  // True from start() until the body has returned on its thread.
  bool busy() const;

  // Waits until the current thread (if any) has ended.
  void wait();

  // The generation of the latest run; posts of older runs are dropped.
  std::uint64_t generation() const;

 private:
  WindowQueue& queue_;
  std::shared_ptr<std::atomic<std::uint64_t>> current_;
  std::shared_ptr<worker_detail::Control> control_;
  std::thread thread_;
};
