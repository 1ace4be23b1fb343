// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "compare/check_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/worker.h"
#include "support/descriptors.h"
#include "support/temp_tree.h"

namespace {

constexpr int kFast = static_cast<int>(CheckMode::Fast);
constexpr int kCareful = static_cast<int>(CheckMode::Careful);

// Records the run's effects in order.
struct RecordingSink final : CheckSink {
  int unticks = 0;
  std::vector<int> ticks;
  std::vector<int> progressValues;
  std::vector<std::pair<char, int>> events;  // ('t', row), ('p', percent)
  void untickAllFiles() override { ++unticks; }
  void tickRow(int row) override {
    ticks.push_back(row);
    events.emplace_back('t', row);
  }
  void progress(int percent) override {
    progressValues.push_back(percent);
    events.emplace_back('p', percent);
  }
};

// A candidate row for each file content, in order; the band flag toggles
// whenever the size changes, as the grouping sets it.
struct Rows {
  TempTree tree;
  std::unique_ptr<CandidateTable> table = std::make_unique<CandidateTable>(64);

  explicit Rows(const std::vector<std::string>& contents) {
    for (std::size_t i = 0; i < contents.size(); ++i) {
      add(tree.write("f" + std::to_string(i + 1), contents[i]), contents[i].size());
    }
  }
  void add(const std::string& path, std::size_t size) {
    ddd1 row;
    row.FullPath = path;
    row.Size = static_cast<std::int64_t>(size);
    const int n = table->size();
    row.Band = n == 0                           ? 0
               : table->row(n).Size == row.Size ? table->row(n).Band
                                                : static_cast<std::uint8_t>(1 - table->row(n).Band);
    ASSERT_TRUE(table->append(std::move(row)));
    table->CandidateCount = table->size();
  }
  int count() const { return table->count(); }
};

struct Outcome {
  RecordingSink sink;
  int checkpoints = 0;
  std::uint64_t bytesRead = 0;
};

Outcome Check(int mode, CandidateTable& table, int listRows) {
  Outcome out;
  const std::uint64_t before = CompareBytesRead();
  RunCheck(CheckInput{mode, listRows}, table, out.sink, [&] { ++out.checkpoints; });
  out.bytesRead = CompareBytesRead() - before;
  return out;
}

std::uint64_t TotalSize(const std::vector<std::string>& contents) {
  std::uint64_t total = 0;
  for (const std::string& c : contents) total += c.size();
  return total;
}

std::vector<int> MatchedRows(const CandidateTable& table) {
  std::vector<int> rows;
  for (int r = 1; r <= table.count(); ++r) {
    if (table.row(r).Matched != 0) rows.push_back(r);
  }
  return rows;
}

using Ticks = std::vector<int>;

TEST(RunCheckTest, FastTicksEarlierNeighbourCarefulTicksLaterCopies) {
  struct Case {
    const char* name;
    std::vector<std::string> contents;
    Ticks fast;
    Ticks careful;
  };
  const std::vector<Case> cases = {
      {"three identical", {"same", "same", "same"}, {1, 2}, {2, 3}},
      {"first and third identical, second differs", {"aaaa", "abab", "aaaa"}, {}, {3}},
      {"two sets in one band", {"xx", "yy", "xx", "yy", "xx"}, {}, {3, 4, 5}},
      {"neighbours of different sizes", {"a", "a", "bb", "bb"}, {1, 3}, {2, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rows rows(c.contents);
    const Outcome fast = Check(kFast, *rows.table, rows.count());
    EXPECT_EQ(fast.sink.ticks, c.fast);
    EXPECT_LE(fast.bytesRead, TotalSize(c.contents)) << "no byte is read twice";
    EXPECT_EQ(MatchedRows(*rows.table), Ticks{}) << "fast mode leaves Matched alone";

    const Outcome careful = Check(kCareful, *rows.table, rows.count());
    EXPECT_EQ(careful.sink.ticks, c.careful) << "in row order within a band";
    EXPECT_EQ(MatchedRows(*rows.table), c.careful);
    EXPECT_LE(careful.bytesRead, TotalSize(c.contents));
    EXPECT_EQ(careful.sink.unticks, 1);
  }
}

TEST(RunCheckTest, CarefulComparesOnlyInsideBands) {
  // Rows 2 and 3 are identical but lie in different bands (the flag decides,
  // not the size): careful never pairs them, fast does.
  Rows rows({"p", "q", "q", "r", "s"});
  rows.table->row(1).Band = 0;
  rows.table->row(2).Band = 0;
  for (int r = 3; r <= 5; ++r) rows.table->row(r).Band = 1;

  const Outcome careful = Check(kCareful, *rows.table, 5);
  EXPECT_EQ(careful.sink.ticks, Ticks{});
  EXPECT_EQ(careful.sink.progressValues, (std::vector<int>{50, 100, 0}));

  const Outcome fast = Check(kFast, *rows.table, 5);
  EXPECT_EQ(fast.sink.ticks, Ticks{2});
  EXPECT_EQ(fast.sink.progressValues, (std::vector<int>{0, 33, 66, 100}));
}

// The bar takes a band's value before the band is compared (a single band
// reads 100 while it is); the fast bar shows its first value before any row
// is looked at, and moves while one long run of one size is read.
TEST(RunCheckTest, TheBarLeadsTheComparisons) {
  using Events = std::vector<std::pair<char, int>>;
  Rows one({"same", "same", "same"});
  EXPECT_EQ(Check(kCareful, *one.table, 3).sink.events,
            (Events{{'p', 100}, {'t', 2}, {'t', 3}, {'p', 0}}));
  Rows run(std::vector<std::string>(12, std::string(1000, 'r')));
  for (const int threads : {1, 2}) {
    RecordingSink sink;
    std::atomic<bool> looked{false};
    std::size_t before = 0;  // effects before the first row is looked at
    RunCheck(
        CheckInput{kFast, 12}, *run.table, sink,
        [&] {
          if (!looked.exchange(true)) before = sink.events.size();
        },
        EngineLimits{128, 96, 16, 64, threads});
    EXPECT_EQ(before, 1u);
    EXPECT_EQ(sink.ticks, (Ticks{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    ASSERT_GT(sink.events.size(), 2u);
    EXPECT_EQ(sink.events[0], std::pair('p', 0));
    EXPECT_EQ(sink.events[1].first, 'p') << "the bar stood still while the run was read";
  }
}

TEST(RunCheckTest, IdenticalFilesAreReadOnce) {
  const std::string block(kCompareBlockSize, 'z');
  const std::vector<std::string> contents(5, block + block + "tail");
  Rows rows(contents);
  for (const int mode : {kCareful, kFast}) {
    SCOPED_TRACE(mode);
    const Outcome out = Check(mode, *rows.table, 5);
    EXPECT_EQ(out.sink.ticks, mode == kCareful ? (Ticks{2, 3, 4, 5}) : (Ticks{1, 2, 3, 4}));
    EXPECT_EQ(out.bytesRead, TotalSize(contents)) << "pairs would read the files 4 or 8 times";
  }
}

TEST(RunCheckTest, TinyListsMakeNoComparison) {
  for (const int size : {0, 1}) {
    SCOPED_TRACE(size);
    Rows rows(std::vector<std::string>(static_cast<std::size_t>(size), "one"));
    const Outcome fast = Check(kFast, *rows.table, size);
    EXPECT_EQ(fast.bytesRead, 0u);
    EXPECT_EQ(fast.sink.unticks, 1);
    EXPECT_EQ(fast.sink.progressValues, std::vector<int>{100});
    const Outcome careful = Check(kCareful, *rows.table, size);
    EXPECT_EQ(careful.bytesRead, 0u);
    EXPECT_EQ(careful.sink.progressValues,
              (size == 0 ? std::vector<int>{0} : std::vector<int>{100, 0}));
  }
  Rows two({"ab", "ab"});
  EXPECT_EQ(Check(kFast, *two.table, 2).sink.progressValues, std::vector<int>{100});
}

TEST(RunCheckTest, RunStartsByClearingMatched) {
  Rows rows({"same", "same", "same"});
  for (int r = 1; r <= 3; ++r) rows.table->row(r).Matched = 1;
  const Outcome careful = Check(kCareful, *rows.table, 3);
  EXPECT_EQ(careful.sink.ticks, (Ticks{2, 3}));
  EXPECT_EQ(MatchedRows(*rows.table), (Ticks{2, 3}));

  // Any other mode only unticks and clears.
  for (int r = 1; r <= 3; ++r) rows.table->row(r).Matched = 1;
  const Outcome other = Check(2, *rows.table, 3);
  EXPECT_EQ(other.sink.unticks, 1);
  EXPECT_EQ(other.checkpoints, 0);
  EXPECT_EQ(other.bytesRead, 0u);
  EXPECT_TRUE(other.sink.ticks.empty());
  EXPECT_TRUE(other.sink.progressValues.empty());
  EXPECT_EQ(MatchedRows(*rows.table), Ticks{});
}

TEST(RunCheckTest, ListAndTableOfDifferentLengths) {
  Rows rows({"same", "same", "same"});
  {
    SCOPED_TRACE("list shorter than the table");
    const Outcome fast = Check(kFast, *rows.table, 2);
    EXPECT_EQ(fast.sink.ticks, Ticks{1});
    const Outcome careful = Check(kCareful, *rows.table, 2);
    EXPECT_EQ(careful.sink.ticks, Ticks{2}) << "row 3 is not in the list";
  }
  {
    SCOPED_TRACE("list longer than the table");
    const Outcome fast = Check(kFast, *rows.table, 6);
    EXPECT_EQ(fast.sink.ticks, (Ticks{1, 2}));
    EXPECT_EQ(fast.bytesRead, 3u * 4u) << "rows beyond the table are not read";
    EXPECT_EQ(fast.sink.progressValues.back(), 100);
    const Outcome careful = Check(kCareful, *rows.table, 6);
    EXPECT_EQ(careful.sink.ticks, (Ticks{2, 3}));
  }
}

TEST(RunCheckTest, MoreThanAHundredThousandBands) {
  // Two rows per band, pointing at files that do not exist: nothing is read.
  constexpr int kBands = 100010;
  CandidateTable table;
  for (int b = 0; b < kBands; ++b) {
    for (int i = 0; i < 2; ++i) {
      ddd1 row;
      row.FullPath = "/nonexistent/twinscan/" + std::to_string(b) + "-" + std::to_string(i);
      row.Size = b + 1;
      row.Band = static_cast<std::uint8_t>(b % 2);
      ASSERT_TRUE(table.append(std::move(row)));
    }
  }
  table.CandidateCount = table.size();
  const Outcome careful = Check(kCareful, table, table.count());
  EXPECT_EQ(careful.bytesRead, 0u);
  EXPECT_TRUE(careful.sink.ticks.empty());
  const std::vector<int>& p = careful.sink.progressValues;
  ASSERT_EQ(p.size(), 101u);  // 1..100, each once, then back to 0
  for (std::size_t i = 0; i < 100; ++i) EXPECT_EQ(p[i], static_cast<int>(i) + 1);
  EXPECT_EQ(p.back(), 0);
}

TEST(RunCheckTest, StopRunFromTheCheckpointEndsTheRun) {
  const int descriptors = OpenDescriptors();
  for (const int mode : {kFast, kCareful}) {
    SCOPED_TRACE(mode);
    // Two sizes: the first is decided (and ticked) before the second is
    // looked at. Checkpoints: 2 files, 2 reads, then the files of the second.
    Rows rows({"aa", "aa", "bbb", "bbb"});
    RecordingSink sink;
    int calls = 0;
    EXPECT_THROW(RunCheck(CheckInput{mode, 4}, *rows.table, sink,
                          [&] {
                            if (++calls == 6) throw StopRun{};
                          }),
                 StopRun);
    EXPECT_EQ(sink.ticks, Ticks{mode == kFast ? 1 : 2}) << "ticks made so far stay";
    ASSERT_FALSE(sink.progressValues.empty());
    EXPECT_NE(sink.progressValues.back(), mode == kFast ? 100 : 0) << "no end steps";
  }
  // Between the block reads of a long pair as well: stopped before the
  // second file's first block, nothing more is read and no file stays open.
  const std::string big(3 * kCompareBlockSize, 'k');
  Rows rows({big, big});
  int calls = 0;
  RecordingSink sink;
  RunCheck(CheckInput{kCareful, 2}, *rows.table, sink, [&] { ++calls; });
  EXPECT_GT(calls, 2 + 2) << "one per file and per block";
  EXPECT_EQ(sink.ticks, Ticks{2});
  calls = 0;
  RecordingSink stopped;
  const std::uint64_t before = CompareBytesRead();
  EXPECT_THROW(RunCheck(CheckInput{kCareful, 2}, *rows.table, stopped,
                        [&] {
                          if (++calls == 4) throw StopRun{};
                        }),
               StopRun);
  EXPECT_EQ(CompareBytesRead() - before, kCompareBlockSize);
  EXPECT_TRUE(stopped.ticks.empty());
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

// The check on a real worker, its effects posted to a drained queue. The
// posted tasks outlive the sink, so they capture only the recorder.
struct PostingSink final : CheckSink {
  RunContext& run;
  RecordingSink* shown;
  PostingSink(RunContext& r, RecordingSink& s) : run(r), shown(&s) {}
  void untickAllFiles() override {
    run.post([s = shown] { s->untickAllFiles(); });
  }
  void tickRow(int row) override {
    run.post([s = shown, row] { s->tickRow(row); });
  }
  void progress(int percent) override {
    run.post([s = shown, percent] { s->progress(percent); });
  }
};

TEST(RunCheckTest, RunsOnAWorkerThread) {
  Rows rows({"a1", "a1", "b2", "a1", "c3", "c3"});
  DrainQueue queue;
  RecordingSink shown;
  {
    Worker worker(queue);
    worker.start([&](RunContext& run) {
      PostingSink sink(run, shown);
      RunCheck(CheckInput{kCareful, rows.count()}, *rows.table, sink, [&run] { run.checkpoint(); });
      run.post([&shown] { shown.progress(-1); });  // marks the end of the run
    });
    ASSERT_TRUE(queue.drainUntil(
        [&] { return !shown.progressValues.empty() && shown.progressValues.back() == -1; }));
    worker.wait();
  }
  EXPECT_EQ(shown.unticks, 1);
  EXPECT_EQ(shown.ticks, (Ticks{2, 4, 6}));
  EXPECT_EQ(MatchedRows(*rows.table), (Ticks{2, 4, 6}));
}

}  // namespace
