#include "compare/in_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
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

// A result goes out as soon as it and every earlier one are made, however
// long a later item takes: each item here waits for the one before it to
// have been delivered.
TEST(RunInOrderTest, AResultDoesNotWaitForLaterItems) {
  std::mutex mutex;
  std::condition_variable delivered;
  int done = 0;
  bool late = false;
  RunInOrder<int>(
      6, 2,
      [&](int i) {
        std::unique_lock lock(mutex);
        if (!delivered.wait_for(lock, std::chrono::seconds(5), [&] { return done >= i; })) {
          late = true;
        }
        return i;
      },
      [&](int i, int&) {
        std::lock_guard lock(mutex);
        done = i + 1;
        delivered.notify_all();
      });
  EXPECT_FALSE(late);
  EXPECT_EQ(done, 6);
}

// A failure on any thread ends the run: every item whose work ended before
// it is still delivered, in order, once, after the helpers have stopped; the
// failed item is not; the exception reaches the caller.
TEST(RunInOrderTest, AFailureOnAnyThreadEndsTheRunAndKeepsWhatWasMade) {
  struct Stop {};
  for (const int threads : {2, 3}) {
    for (int failing = 0; failing < 40; failing += 7) {
      std::vector<int> delivered;
      std::vector<bool> made(40, false);
      std::mutex mutex;
      std::atomic<int> running{0};
      EXPECT_THROW(
          RunInOrder<int>(
              40, threads,
              [&](int i) {
                ++running;
                // Uneven items, so later ones end before earlier ones.
                std::this_thread::sleep_for(std::chrono::microseconds(i % 3 == 0 ? 900 : 100));
                --running;
                if (i == failing) throw Stop{};
                std::lock_guard lock(mutex);
                made[static_cast<std::size_t>(i)] = true;
                return i;
              },
              [&](int i, int& r) {
                EXPECT_EQ(r, i);
                delivered.push_back(i);
              }),
          Stop);
      EXPECT_EQ(running.load(), 0);
      std::vector<int> expected;
      for (int i = 0; i < 40; ++i) {
        if (made[static_cast<std::size_t>(i)]) expected.push_back(i);
      }
      EXPECT_EQ(delivered.size(), expected.size());
      EXPECT_EQ(delivered, expected) << "in order, each made item once";
      EXPECT_TRUE(std::find(delivered.begin(), delivered.end(), failing) == delivered.end());
    }
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
