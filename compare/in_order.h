#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Computes work(i) for i = 0 .. count-1 on the calling thread and on
// `threads - 1` more, and hands every result to deliver(i, result) on the
// calling thread, strictly in order of i. Each thread takes the next index
// not yet taken, so a long item on one thread does not hold the others up;
// results wait (they are expected to be small) until their turn.
//
// An exception from work() on any thread, or from deliver(), ends the run:
// no further item is started, the helper threads are joined, and the first
// exception is rethrown on the calling thread. work() must be safe to run on
// several threads at once; deliver() runs on the calling thread only.
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
  std::exception_ptr failure;  // the first helper failure, under `mutex`
  int helpersLeft = threads - 1;

  const auto store = [&](int i, Result&& r) {
    {
      std::lock_guard lock(mutex);
      results[static_cast<std::size_t>(i)].emplace(std::move(r));
    }
    ready.notify_all();
  };
  std::vector<std::jthread> helpers;
  helpers.reserve(static_cast<std::size_t>(threads - 1));
  for (int t = 1; t < threads; ++t) {
    helpers.emplace_back([&] {
      try {
        for (int i; !abandon.load() && (i = next.fetch_add(1)) < count;) store(i, work(i));
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
      }
      {
        std::lock_guard lock(mutex);
        --helpersLeft;
      }
      ready.notify_all();
    });
  }

  const auto joinHelpers = [&] {
    abandon.store(true);
    for (auto& h : helpers) h.join();
  };
  try {
    for (int due = 0; due < count;) {
      std::optional<Result> mine;
      {
        std::lock_guard lock(mutex);
        if (failure) std::rethrow_exception(failure);
        auto& slot = results[static_cast<std::size_t>(due)];
        if (slot) {
          mine = std::move(slot);
          slot.reset();
        }
      }
      if (mine) {
        deliver(due, *mine);
        ++due;
        continue;
      }
      if (const int i = next.fetch_add(1); i < count) {
        store(i, work(i));
        continue;
      }
      // Every item is taken: the one due is being made by a helper.
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] {
        return results[static_cast<std::size_t>(due)].has_value() || failure || helpersLeft == 0;
      });
      if (!results[static_cast<std::size_t>(due)] && !failure) {
        // A helper that took the item ended without a result or a failure:
        // cannot happen, but never wait for it forever.
        lock.unlock();
        joinHelpers();
        std::terminate();
      }
    }
  } catch (...) {
    joinHelpers();
    throw;
  }
  joinHelpers();
}
