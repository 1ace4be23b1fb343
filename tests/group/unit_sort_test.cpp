// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "group/unit_sort.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Records named by their ScanIndex: entry k of `sizes` gets ScanIndex k + 1.
void Fill(FileTable& table, const std::vector<std::int64_t>& sizes) {
  table.clear();
  for (std::size_t k = 0; k < sizes.size(); ++k) {
    table.append(FileRecord{static_cast<int>(k + 1), 0, sizes[k]});
  }
}

std::vector<int> Order(const FileTable& table) {
  std::vector<int> order;
  for (int i = 1; i <= table.size(); ++i) order.push_back(table.row(i).ScanIndex);
  return order;
}

// Letters and sizes, e.g. "A5 B3" <-> ScanIndex 1 size 5, ScanIndex 2 size 3.
std::vector<std::int64_t> SizesOf(const std::vector<std::string>& named) {
  std::vector<std::int64_t> sizes;
  for (const auto& n : named) sizes.push_back(std::stoll(n.substr(1)));
  return sizes;
}

std::vector<std::string> Named(const FileTable& table) {
  std::vector<std::string> out;
  for (int i = 1; i <= table.size(); ++i) {
    const FileRecord& r = table.row(i);
    out.push_back(std::string(1, static_cast<char>('A' + r.ScanIndex - 1)) +
                  std::to_string(r.Size));
  }
  return out;
}

// The sort as plainly stated: both sides by recursion, left first.
void ReferenceSort(std::vector<std::pair<int, std::int64_t>>& v, int lo, int hi) {
  if (hi <= lo) return;
  const int mid = (lo + hi) / 2;
  std::swap(v[lo], v[mid]);
  const std::int64_t pivot = v[lo].second;
  int last = lo;
  for (int j = lo + 1; j <= hi; ++j) {
    if (v[j].second < pivot) std::swap(v[++last], v[j]);
  }
  std::swap(v[lo], v[last]);
  ReferenceSort(v, lo, last - 1);
  ReferenceSort(v, last + 1, hi);
}

TEST(UnitSortTest, OrderOfEqualSizesFollowsTheSwapSequence) {
  const struct {
    std::vector<std::string> in, out;
  } cases[] = {
      {{"A5", "B3", "C5", "D3", "E5"}, {"D3", "B3", "C5", "A5", "E5"}},
      {{"A7", "B7", "C7", "D7"}, {"B7", "C7", "A7", "D7"}},
      {{"A4", "B9", "C4", "D1", "E9", "F4"}, {"D1", "C4", "F4", "A4", "B9", "E9"}},
      {{}, {}},
      {{"A8"}, {"A8"}},
      {{"A3", "B5"}, {"A3", "B5"}},
      {{"A5", "B3"}, {"B3", "A5"}},
      {{"A4", "B4"}, {"A4", "B4"}},
  };
  for (const auto& c : cases) {
    FileTable table(16);
    Fill(table, SizesOf(c.in));
    SortFileTableBySize(table);
    EXPECT_EQ(Named(table), c.out) << ::testing::PrintToString(c.in);
  }
}

TEST(UnitSortTest, MatchesThePlainRecursionOnRandomTables) {
  // Lengths well past the skip block, few distinct sizes (long equal runs),
  // negative sizes included: the permutation must be the plain one.
  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    const int n = static_cast<int>(random() % 200);
    const int distinct = 1 + static_cast<int>(random() % 12);
    std::vector<std::int64_t> sizes;
    std::vector<std::pair<int, std::int64_t>> expected;
    for (int k = 0; k < n; ++k) {
      const std::int64_t size = static_cast<std::int64_t>(random() % distinct) - 2;
      sizes.push_back(size);
      expected.emplace_back(k + 1, size);
    }
    ReferenceSort(expected, 0, n - 1);
    FileTable table(256);
    Fill(table, sizes);
    SortFileTableBySize(table);
    std::vector<int> order;
    for (const auto& e : expected) order.push_back(e.first);
    ASSERT_EQ(Order(table), order) << "round " << round << " n " << n;
  }
}

TEST(UnitSortTest, CancelBeforeTheCallLeavesTheTableUntouched) {
  FileTable table(16);
  Fill(table, {9, 1, 8, 2, 7, 3});
  const auto before = Order(table);
  std::atomic<bool> cancel{true};
  SortFileTableBySize(table, &cancel);
  EXPECT_EQ(Order(table), before);
  cancel = false;
  SortFileTableBySize(table, &cancel);
  EXPECT_EQ(Order(table), (std::vector<int>{2, 4, 6, 5, 3, 1}));
}

// Sizes for which every partition step picks the largest size of its range,
// so all other entries fall on the low side: the sorting of that side nests
// once per entry. Found by following the swaps, which do not depend on the
// other sizes as long as they are smaller.
std::vector<std::int64_t> WorstCaseSizes(int n) {
  std::vector<int> at(static_cast<std::size_t>(n));  // original index per position
  for (int k = 0; k < n; ++k) at[static_cast<std::size_t>(k)] = k;
  std::vector<std::int64_t> sizes(static_cast<std::size_t>(n));
  for (int hi = n - 1; hi >= 0; --hi) {
    const int mid = hi / 2;
    sizes[static_cast<std::size_t>(at[static_cast<std::size_t>(mid)])] = hi + 1;
    std::swap(at[0], at[static_cast<std::size_t>(mid)]);
    std::swap(at[0], at[static_cast<std::size_t>(hi)]);
  }
  return sizes;
}

void SortOnSmallStack(FileTable& table) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, 128 * 1024), 0);
  pthread_t thread;
  auto run = [](void* arg) -> void* {
    SortFileTableBySize(*static_cast<FileTable*>(arg));
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, &table), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

// A sort that recursed once per nesting level would overflow a 128 KiB stack
// long before the end of either input.
TEST(UnitSortTest, DeepPartitionsFitASmallStack) {
  constexpr int kCount = 30000;
  constexpr int kWorstCount = 10000;  // quadratic in swaps, hence shorter
  {
    SCOPED_TRACE("one size for all");
    FileTable table(kCount);
    Fill(table, std::vector<std::int64_t>(kCount, 0));
    SortOnSmallStack(table);
    std::vector<bool> seen(kCount + 1, false);
    for (int i = 1; i <= kCount; ++i) {
      const int index = table.row(i).ScanIndex;
      ASSERT_TRUE(index >= 1 && index <= kCount && !seen[static_cast<std::size_t>(index)]) << i;
      seen[static_cast<std::size_t>(index)] = true;
    }
    // Each step over an equal run parks its middle entry at its first position.
    EXPECT_EQ(table.row(1).ScanIndex, kCount / 2);
  }
  {
    SCOPED_TRACE("largest size in the middle at every step");
    FileTable table(kWorstCount);
    Fill(table, WorstCaseSizes(kWorstCount));
    SortOnSmallStack(table);
    for (int i = 1; i <= kWorstCount; ++i) ASSERT_EQ(table.row(i).Size, i) << i;
  }
}

}  // namespace
