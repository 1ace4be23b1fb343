// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(WorkerTest, PostsRunInOrderOnTheDrainingThread) {
  DrainQueue queue;
  Worker worker(queue);
  std::vector<int> seen;
  const auto drainer = std::this_thread::get_id();
  bool onDrainer = true;
  worker.start([&](RunContext& run) {
    for (int i = 0; i < 100; ++i) {
      run.post([&, i] {
        seen.push_back(i);
        onDrainer = onDrainer && std::this_thread::get_id() == drainer;
      });
    }
  });
  worker.wait();
  queue.drain();
  ASSERT_EQ(seen.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
  EXPECT_TRUE(onDrainer);
  EXPECT_FALSE(worker.busy());
}

TEST(WorkerTest, StopNowEndsTheBodyAndDropsItsPosts) {
  DrainQueue queue;
  Worker worker(queue);
  std::atomic<int> steps{0};
  std::atomic<bool> afterLoop{false};
  int shown = 0;
  worker.start([&](RunContext& run) {
    for (;;) {
      run.checkpoint();
      ++steps;
      run.post([&] { ++shown; });
      std::this_thread::sleep_for(1ms);
    }
    afterLoop = true;
  });
  while (steps.load() < 5) std::this_thread::sleep_for(1ms);
  worker.stopNow();
  queue.drain();  // posts queued before the stop must not run any more
  EXPECT_EQ(shown, 0);
  worker.wait();
  queue.drain();
  EXPECT_EQ(shown, 0);
  EXPECT_FALSE(afterLoop.load());
  EXPECT_FALSE(worker.busy());
}

TEST(WorkerTest, PauseHoldsTheBodyUntilResumeOrStop) {
  DrainQueue queue;
  Worker worker(queue);
  std::atomic<int> steps{0};
  std::atomic<bool> go{false};
  worker.start([&](RunContext& run) {
    while (!go.load()) std::this_thread::sleep_for(1ms);
    for (int i = 0; i < 1000; ++i) {
      run.checkpoint();
      ++steps;
    }
  });
  worker.pause();
  EXPECT_TRUE(worker.paused());
  go = true;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(steps.load(), 0) << "a paused body made progress";
  worker.resume();
  worker.wait();
  EXPECT_EQ(steps.load(), 1000);

  // Stopping a paused body ends it too.
  steps = 0;
  go = false;
  worker.start([&](RunContext& run) {
    while (!go.load()) std::this_thread::sleep_for(1ms);
    for (;;) {
      run.checkpoint();
      ++steps;
    }
  });
  worker.pause();
  go = true;
  std::this_thread::sleep_for(10ms);
  worker.stopNow();
  worker.wait();
  EXPECT_EQ(steps.load(), 0);
  EXPECT_FALSE(worker.paused());
}

TEST(WorkerTest, StartStopsAndWaitsForTheRunningBody) {
  DrainQueue queue;
  Worker worker(queue);
  std::atomic<int> active{0};
  std::atomic<int> maxActive{0};
  std::vector<std::uint64_t> generations;
  for (int round = 0; round < 20; ++round) {
    worker.start([&](RunContext& run) {
      const int now = ++active;
      if (now > maxActive.load()) maxActive = now;
      run.post([&, g = run.generation()] { generations.push_back(g); });
      try {
        for (;;) {
          run.checkpoint();
          std::this_thread::sleep_for(100us);
        }
      } catch (...) {
        --active;
        throw;
      }
    });
  }
  worker.stopNow();
  worker.wait();
  queue.drain();
  EXPECT_EQ(maxActive.load(), 1) << "two bodies of one worker overlapped";
  EXPECT_TRUE(generations.empty()) << "posts of stopped runs were run";
}

TEST(WorkerTest, ACompletedRunKeepsItsPosts) {
  DrainQueue queue;
  Worker worker(queue);
  int shown = 0;
  worker.start([&](RunContext& run) { run.post([&] { ++shown; }); });
  worker.wait();
  EXPECT_TRUE(queue.drainUntil([&] { return shown == 1; }));
}

}  // namespace
