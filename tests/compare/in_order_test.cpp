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

// A failure on any thread ends the run: the items before it that were
// delivered form a prefix, nothing is delivered twice, and the exception
// reaches the caller after every helper has stopped.
TEST(RunInOrderTest, AFailureOnAnyThreadEndsTheRun) {
  struct Stop {};
  for (int failing = 0; failing < 40; failing += 7) {
    std::vector<int> delivered;
    std::atomic<int> running{0};
    EXPECT_THROW(RunInOrder<int>(
                     40, 2,
                     [&](int i) {
                       ++running;
                       std::this_thread::sleep_for(std::chrono::microseconds(200));
                       --running;
                       if (i == failing) throw Stop{};
                       return i;
                     },
                     [&](int i, int&) { delivered.push_back(i); }),
                 Stop);
    EXPECT_EQ(running.load(), 0);
    for (std::size_t k = 0; k < delivered.size(); ++k) EXPECT_EQ(delivered[k], static_cast<int>(k));
    EXPECT_LE(delivered.size(), static_cast<std::size_t>(failing));
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
