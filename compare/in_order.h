// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace in_order_detail {
// Runs `task` on a thread of the process's helper pool: an idle one, or a new
// one when every helper is busy, so a task never waits for another (work()
// may itself call RunInOrder). Helpers are kept for the next call and never
// end. `task` must not throw.
void RunOnHelper(std::function<void()> task);
}  // namespace in_order_detail

// Computes work(i) for i = 0 .. count-1 and hands every result to
// deliver(i, result) on the calling thread, strictly in order of i. With more
// than one thread, `threads` helper threads (kept from one call to the next)
// do the work and the calling thread only delivers, so a result is delivered as soon as it and
// every earlier one are made. Each helper takes the next index not yet taken, so a long item on one
// thread does not hold the others up; results wait (they are expected to be small) until their
// turn.
//
// An exception from work() on any thread ends the run: no further item is
// started and the helpers' items end; then the results already made are
// still delivered, in order of i (an item that was not finished has none, so
// later items may follow a gap), and the first exception is rethrown on the
// calling thread. An exception from deliver() ends the run at once. work()
// must be safe to run on several threads at once; deliver() runs on the
// calling thread only.
template <class Result, class Work, class Deliver>
void RunInOrder(int count, int threads, Work&& work, Deliver&& deliver) {
  if (count <= 0) return;
  if (threads <= 1 || count == 1) {
    for (int i = 0; i < count; ++i) {
      Result r = work(i);
      deliver(i, r);
    }
    return;
  }

  std::mutex mutex;
  std::condition_variable ready;
  std::vector<std::optional<Result>> results(static_cast<std::size_t>(count));
  std::atomic<int> next{0};
  std::atomic<bool> abandon{false};
  std::exception_ptr failure;  // the first work() failure, under `mutex`
  const int helperCount = std::min(threads, count);
  int helpersLeft = helperCount;

  const auto help = [&] {
    try {
      for (int i; !abandon.load() && (i = next.fetch_add(1)) < count;) {
        Result r = work(i);
        std::lock_guard lock(mutex);
        results[static_cast<std::size_t>(i)].emplace(std::move(r));
        ready.notify_all();
      }
    } catch (...) {
      abandon.store(true);
      std::lock_guard lock(mutex);
      if (!failure) failure = std::current_exception();
    }
    // The last use of this call's state: the caller may return once it is seen.
    std::lock_guard lock(mutex);
    --helpersLeft;
    ready.notify_all();
  };
  // Every helper must be done with this frame before it ends.
  const auto endHelpers = [&] {
    abandon.store(true);
    std::unique_lock lock(mutex);
    ready.wait(lock, [&] { return helpersLeft == 0; });
  };
  for (int t = 0; t < helperCount; ++t) {
    try {
      in_order_detail::RunOnHelper(help);
    } catch (...) {
      {
        std::lock_guard lock(mutex);
        helpersLeft -= helperCount - t;  // never started
      }
      endHelpers();
      throw;
    }
  }

  int due = 0;
  try {
    for (; due < count; ++due) {
      std::optional<Result> mine;
      {
        std::unique_lock lock(mutex);
        auto& slot = results[static_cast<std::size_t>(due)];
        ready.wait(lock, [&] { return slot.has_value() || failure || helpersLeft == 0; });
        if (!slot) break;
        mine = std::exchange(slot, std::nullopt);
      }
      deliver(due, *mine);
    }
  } catch (...) {
    endHelpers();
    throw;
  }
  endHelpers();
  if (due == count) return;
  // The helpers have ended; the results they made still count.
  for (int i = due; i < count; ++i) {
    if (auto& slot = results[static_cast<std::size_t>(i)]) deliver(i, *slot);
  }
  // Every item was taken and none failed, yet one has no result: cannot
  // happen, but never report such a run as whole.
  if (!failure) std::terminate();
  std::rethrow_exception(failure);
}
