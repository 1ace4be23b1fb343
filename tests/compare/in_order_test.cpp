// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "compare/in_order.h"

#include <sys/fsuid.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "support/unprivileged.h"

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

// The helpers outlive a call: the next call's items run on threads an
// earlier call used (a thread of its own per call would start unmarked). A
// work item may itself run items in order, on more helpers than the outer
// call holds, and the run still ends.
TEST(RunInOrderTest, HelpersAreKeptForTheNextCallAndMayNest) {
  static thread_local bool used = false;
  // Three items that wait for each other: each helper takes one.
  std::atomic<int> started{0};
  RunInOrder<int>(
      3, 3,
      [&](int i) {
        used = true;
        ++started;
        for (int wait = 0; wait < 5000 && started.load() < 3; ++wait)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return i;
      },
      [](int, int&) {});
  // Once the helpers wait for their next task (a loaded machine may take a
  // while to let one get there), every item runs on a marked thread.
  int fresh = -1;
  for (int attempt = 0; attempt < 20 && fresh != 0; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    fresh = 0;
    RunInOrder<bool>(
        40, 3,
        [](int i) {
          std::this_thread::sleep_for(std::chrono::microseconds(200 + i));
          return std::exchange(used, true);
        },
        [&](int, bool& wasUsed) { fresh += wasUsed ? 0 : 1; });
  }
  EXPECT_EQ(fresh, 0);
  // They read files as the caller would: as "nobody" for a caller that is.
  std::vector<uid_t> readers;
  if (RunUnprivileged([&] {
        RunInOrder<uid_t>(
            12, 3, [](int) { return static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))); },
            [&](int, uid_t& uid) { readers.push_back(uid); });
      })) {
    EXPECT_EQ(readers,
              std::vector<uid_t>(12, ::geteuid() == 0 ? ScopedUnprivileged::kNobody : ::geteuid()));
  }

  std::vector<int> sums;
  RunInOrder<int>(
      8, 4,
      [](int i) {
        int sum = 0;
        RunInOrder<int>(
            10, 3, [i](int j) { return i * j; }, [&](int, int& r) { sum += r; });
        return sum;
      },
      [&](int, int& sum) { sums.push_back(sum); });
  EXPECT_EQ(sums, (std::vector<int>{0, 45, 90, 135, 180, 225, 270, 315}));
}

}  // namespace
