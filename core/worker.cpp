// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/worker.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace worker_detail {
struct Control {
  std::atomic<bool> stop{false};
  std::atomic<bool> running{false};
  std::mutex mutex;
  std::condition_variable wake;
  bool paused = false;
};
}  // namespace worker_detail

using worker_detail::Control;

RunContext::RunContext(std::shared_ptr<Control> control, WindowQueue& queue,
                       std::shared_ptr<std::atomic<std::uint64_t>> current,
                       std::uint64_t generation)
    : control_(std::move(control)),
      queue_(queue),
      current_(std::move(current)),
      generation_(generation) {}

void RunContext::checkpoint() {
  if (control_->stop.load(std::memory_order_acquire)) throw StopRun{};
  std::unique_lock lock(control_->mutex);
  control_->wake.wait(
      lock, [this] { return !control_->paused || control_->stop.load(std::memory_order_acquire); });
  if (control_->stop.load(std::memory_order_acquire)) throw StopRun{};
}

bool RunContext::stopRequested() const noexcept {
  return control_->stop.load(std::memory_order_acquire);
}

const std::atomic<bool>& RunContext::stopFlag() const noexcept {
  return control_->stop;
}

void RunContext::post(std::function<void()> task) {
  queue_.post([current = current_, generation = generation_, task = std::move(task)] {
    if (current->load(std::memory_order_acquire) == generation) task();
  });
}

Worker::Worker(WindowQueue& queue)
    : queue_(queue), current_(std::make_shared<std::atomic<std::uint64_t>>(0)) {}

Worker::~Worker() {
  stopNow();
  wait();
}

void Worker::start(Body body) {
  stopNow();
  wait();
  auto control = std::make_shared<Control>();
  control->running.store(true, std::memory_order_release);
  control_ = control;
  const std::uint64_t generation = current_->fetch_add(1, std::memory_order_acq_rel) + 1;
  thread_ = std::thread(
      [control, &queue = queue_, current = current_, generation, body = std::move(body)] {
        RunContext context(control, queue, current, generation);
        try {
          body(context);
        } catch (const StopRun&) {
          // A stopped body ends here; what it posted is dropped by generation.
        } catch (const std::exception& error) {
          std::fprintf(stderr, "twinscan: a worker ended on an error: %s\n", error.what());
        }
        control->running.store(false, std::memory_order_release);
      });
}

void Worker::stopNow() {
  if (!control_) return;
  current_->fetch_add(1, std::memory_order_acq_rel);
  {
    std::lock_guard lock(control_->mutex);
    control_->stop.store(true, std::memory_order_release);
    control_->paused = false;
  }
  control_->wake.notify_all();
}

void Worker::pause() {
  if (!control_) return;
  std::lock_guard lock(control_->mutex);
  control_->paused = true;
}

void Worker::resume() {
  if (!control_) return;
  {
    std::lock_guard lock(control_->mutex);
    control_->paused = false;
  }
  control_->wake.notify_all();
}

bool Worker::paused() const {
  if (!control_) return false;
  std::lock_guard lock(control_->mutex);
  return control_->paused;
}

bool Worker::busy() const {
  return control_ && control_->running.load(std::memory_order_acquire);
}

void Worker::wait() {
  if (thread_.joinable()) thread_.join();
}

std::uint64_t Worker::generation() const {
  return current_->load(std::memory_order_acquire);
}

int DefaultThreads() {
  return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}
