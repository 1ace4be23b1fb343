// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "compare/in_order.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Items of uneven cost on several threads reach deliver in order, each once,
// on the calling thread; the helpers really take part.
TEST(RunInOrderTest, DeliversEveryResultInOrderOnTheCallingThread) {
  for (const int threads : {1, 2, 4}) {
    std::vector<int> delivered;
    std::atomic<int> offThread{0};
    const auto caller = std::this_thread::get_id();
    RunInOrder<int>(
        300, threads,
        [&](int i) {
          if (std::this_thread::get_id() != caller) ++offThread;
          if (i % 37 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
          return i * 3;
        },
        [&](int i, int& r) {
          EXPECT_EQ(std::this_thread::get_id(), caller);
          EXPECT_EQ(r, i * 3);
          delivered.push_back(i);
        });
    ASSERT_EQ(delivered.size(), 300u) << threads;
    for (int i = 0; i < 300; ++i) ASSERT_EQ(delivered[static_cast<std::size_t>(i)], i);
    if (threads > 1) {
      EXPECT_GT(offThread.load(), 0);
    }
  }
}

// A result goes out as soon as it and every earlier one are made (each item
// here waits for the one before it to be delivered). A failure on any thread
// ends the run: every item made before it is still delivered, in order, once;
// the exception reaches the caller after every helper has stopped.
TEST(RunInOrderTest, ResultsGoOutWhenMadeAndSurviveAFailure) {
  int done = 0;
  RunInOrder<int>(
      6, 2,
      [&](int i) {
        for (int wait = 0; wait < 5000 && std::atomic_ref(done).load() < i; ++wait)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return std::atomic_ref(done).load() >= i ? i : -1;
      },
      [&](int i, int& r) {
        EXPECT_EQ(r, i) << "item " << i << " waited for its own delivery";
        std::atomic_ref(done).store(i + 1);
      });
  struct Stop {};
  for (int failing = 0; failing < 40; failing += 7) {
    std::vector<int> delivered;
    std::vector<std::atomic<bool>> made(40);
    std::atomic<int> running{0};
    EXPECT_THROW(RunInOrder<int>(
                     40, 3,
                     [&](int i) {
                       ++running;
                       // Uneven items, so later ones end before earlier ones.
                       std::this_thread::sleep_for(std::chrono::microseconds(i % 3 ? 100 : 900));
                       --running;
                       if (i == failing) throw Stop{};
                       made[static_cast<std::size_t>(i)] = true;
                       return i;
                     },
                     [&](int i, int&) { delivered.push_back(i); }),
                 Stop);
    EXPECT_EQ(running.load(), 0);
    std::vector<int> expected;
    for (int i = 0; i < 40; ++i) {
      if (made[static_cast<std::size_t>(i)]) expected.push_back(i);
    }
    EXPECT_EQ(delivered, expected);
  }
  std::vector<int> delivered;
  EXPECT_THROW(RunInOrder<int>(
                   50, 2, [](int i) { return i; },
                   [&](int i, int&) {
                     if (i == 5) throw std::runtime_error("deliver");
                     delivered.push_back(i);
                   }),
               std::runtime_error);
  EXPECT_EQ(delivered.size(), 5u);
}

}  // namespace
