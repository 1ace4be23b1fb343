// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "compare/check_run.h"

#include "compare/in_order.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace {

// What the engine decided for one band or run: the rows it ticks and the
// identities of the files whose bytes those ticks rest on.
struct Decided {
  std::vector<int> ticks;
  std::vector<RowIdentity> read;
  std::vector<std::vector<int>> classes;  // careful bands only
};

Decided Decide(const std::vector<RowIdentity>& files, TickRule rule,
               const CandidateTable& candidates, const std::function<void()>& checkpoint,
               const EngineLimits& limits, const EngineProgress& progress = {}) {
  Decided decided;
  if (files.size() < 2) return decided;
  std::vector<int> copies;
  decided.ticks = progress
                      ? TickedRows(files, rule, candidates, checkpoint, limits, progress, &copies)
                      : TickedRows(files, rule, candidates, checkpoint, limits, &copies,
                                   rule == TickRule::LaterCopy ? &decided.classes : nullptr);
  std::sort(decided.classes.begin(), decided.classes.end());
  // Both lists ascend by row, as do the files.
  auto file = files.begin();
  for (const int row : copies) {
    while (file != files.end() && file->row < row) ++file;
    if (file != files.end() && file->row == row) decided.read.push_back(*file);
  }
  return decided;
}

// What the window sees of a fast check, in the order of the pairs: for each
// pair (r, r + 1) its progress value, then its tick. The engine decides a run
// of one size at once, so each run's ticks go out when it is decided and every
// earlier run has gone out; while a run is under way the bar moves with the
// engine's progress through it. Calls may come from the engines' threads:
// one lock keeps them in order.
class FastReport final {
 public:
  FastReport(int rows, CheckSink& sink) : rows_(rows), sink_(sink) {}

  // The value of pair r, before it is compared; the first goes out at once.
  void start() {
    std::lock_guard lock(mutex_);
    showPair(1);
  }

  // Run `run` (0-based, in row order) is decided: its ticks go out, with the
  // values of the pairs before it and then the value of the next pair.
  void decided(int run, int lastRow, const Decided& decided) {
    std::lock_guard lock(mutex_);
    if (!decided.read.empty()) sink_.filesRead(decided.read);
    const std::vector<int>& ticks = decided.ticks;
    auto tick = ticks.begin();
    std::vector<int> pending;  // ticks wait for the next change of the bar
    for (; next_ < lastRow; ++next_) {
      if (percentOf(next_) > shown_) {
        flush(pending);
        showPair(next_);
      }
      while (tick != ticks.end() && *tick < next_) ++tick;
      if (tick != ticks.end() && *tick == next_) pending.push_back(next_);
    }
    flush(pending);
    showPair(next_);
    due_ = run + 1;
  }

  // The engine has settled `settled` of the `total` bytes of run `run`,
  // rows first..last: the bar follows when that run is the one due.
  void within(int run, int first, int last, std::uint64_t settled, std::uint64_t total) {
    std::lock_guard lock(mutex_);
    // A run settled in one go is told pair by pair when it is decided.
    if (run != due_ || settled >= total || last <= first) return;
    const double share = static_cast<double>(settled) / static_cast<double>(total);
    const int pair = first + static_cast<int>(share * (last - 1 - first));
    showPair(std::max(pair, next_));
  }

  void finish() {
    std::lock_guard lock(mutex_);
    if (shown_ < 100) sink_.progress(100);
    shown_ = 100;
  }

 private:
  int percentOf(int pair) const {
    return rows_ > 2 ? static_cast<int>(static_cast<std::int64_t>(pair - 1) * 100 / (rows_ - 2))
                     : -1;
  }
  // Sets the bar for pair r when that value is new (the values only rise).
  void showPair(int pair) {
    if (pair >= rows_) return;
    const int percent = percentOf(pair);
    if (percent <= shown_) return;
    sink_.progress(percent);
    shown_ = percent;
  }
  void flush(std::vector<int>& pending) {
    if (pending.empty()) return;
    sink_.tickRows(pending);
    pending.clear();
  }

  std::mutex mutex_;
  const int rows_;
  CheckSink& sink_;
  int shown_ = -1;
  int next_ = 1;  // the first pair (next, next + 1) not yet reported
  int due_ = 0;   // the run whose ticks go out next
};

// Each row with the row after it, over the rows the list had at the start
// (the list cannot change during a check); the earlier row of an identical
// pair is ticked. Only neighbours of one size can be identical, so the rows
// are taken in runs of one size as stat() sees them now, and each run goes to
// the engine whole.
void FastCheck(const CheckInput& input, const CandidateTable& candidates, CheckSink& sink,
               const std::function<void()>& checkpoint, const EngineLimits& limits) {
  const int rows = input.listRows;
  // A list row without a candidate behind it is never identical or read.
  const int readable = std::min(rows, candidates.count());
  FastReport report(rows, sink);
  report.start();
  const auto check = [&](int index, const std::vector<RowIdentity>& run) {
    const int first = run.front().row;
    const int last = run.back().row;
    return Decide(run, TickRule::EarlierNeighbour, candidates, checkpoint, limits,
                  [&report, index, first, last](std::uint64_t settled, std::uint64_t total) {
                    report.within(index, first, last, settled, total);
                  });
  };

  if (limits.threads > 1) {
    // With several threads every row is looked at first, then the runs of
    // one size go to the engines side by side; the window hears of them in
    // row order, exactly as one thread would tell it.
    std::vector<std::vector<RowIdentity>> runs;
    bool broken = true;
    constexpr int kStatChunk = 512;
    RunInOrder<std::vector<std::optional<RowIdentity>>>(
        (readable + kStatChunk - 1) / kStatChunk, limits.threads,
        [&](int c) {
          std::vector<std::optional<RowIdentity>> files;
          const int last = std::min(readable, (c + 1) * kStatChunk);
          for (int r = c * kStatChunk + 1; r <= last; ++r) {
            checkpoint();
            files.push_back(StatCandidate(candidates.row(r).FullPath, r));
          }
          return files;
        },
        [&](int, const std::vector<std::optional<RowIdentity>>& files) {
          for (const std::optional<RowIdentity>& file : files) {
            if (!file) {
              broken = true;
              continue;
            }
            if (broken || runs.back().back().size() != file->size()) runs.emplace_back();
            runs.back().push_back(*file);
            broken = false;
          }
        });
    std::erase_if(runs, [](const std::vector<RowIdentity>& run) { return run.size() < 2; });
    RunInOrder<Decided>(
        static_cast<int>(runs.size()), limits.threads,
        [&](int i) { return check(i, runs[static_cast<std::size_t>(i)]); },
        [&](int i, const Decided& decided) {
          report.decided(i, runs[static_cast<std::size_t>(i)].back().row, decided);
        });
  } else {
    std::vector<RowIdentity> run;
    int index = 0;
    const auto finishRun = [&] {
      if (run.empty()) return;
      report.decided(index, run.back().row, run.size() < 2 ? Decided{} : check(index, run));
      ++index;
      run.clear();
    };
    for (int r = 1; r <= readable; ++r) {
      checkpoint();
      const std::optional<RowIdentity> file = StatCandidate(candidates.row(r).FullPath, r);
      if (!file || (!run.empty() && run.back().size() != file->size())) finishRun();
      if (file) run.push_back(*file);
    }
    finishRun();
  }
  report.decided(-1, rows, {});
  report.finish();
}

// A row identical to an earlier row of its band is marked Matched and ticked.
// A row still Matched from before the run (only rows the list lacks keep
// theirs) stays so. Rows the list lacks are read but never ticked. The bar
// only rises, from the 0 the caller set before the run, and takes band b's
// value before band b is compared. Bands are independent, so `limits.threads`
// threads check them side by side; their ticks, Matched flags and the bar
// still follow band order, on the calling thread, each band as soon as it and
// every earlier one are decided.
void CarefulCheck(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
                  const std::function<void()>& checkpoint, const EngineLimits& limits) {
  const std::vector<RowRange> bands = Bands(candidates);
  const auto bandCount = static_cast<std::int64_t>(bands.size());
  const auto check = [&](int b) {
    const RowRange band = bands[static_cast<std::size_t>(b)];
    std::vector<RowIdentity> files;
    if (band.first == band.last) return Decided{};
    for (int r = band.first; r <= band.last; ++r) {
      checkpoint();
      if (const auto file = StatCandidate(candidates.row(r).FullPath, r)) files.push_back(*file);
    }
    return Decide(files, TickRule::LaterCopy, candidates, checkpoint, limits);
  };
  int shown = 0;
  // Band b (0-based) is the (b + 1)th of bandCount.
  const auto rise = [&](int b) {
    if (b >= bandCount) return;
    const int percent = static_cast<int>((std::int64_t{b} + 1) * 100 / bandCount);
    if (percent > shown) {
      sink.progress(percent);
      shown = percent;
    }
  };
  std::vector<int> ticks;
  const auto report = [&](int b, const Decided& decided) {
    if (!decided.read.empty()) sink.filesRead(decided.read);
    if (!decided.classes.empty()) sink.identicalSets(decided.classes);
    ticks.clear();
    for (const int r : decided.ticks) {
      CandidateRow& row = candidates.row(r);
      if (row.Matched != 0) continue;
      row.Matched = 1;
      if (r <= input.listRows) ticks.push_back(r);
    }
    if (!ticks.empty()) sink.tickRows(ticks);
    rise(b + 1);
  };
  rise(0);
  RunInOrder<Decided>(static_cast<int>(bandCount), limits.threads, check, report);
  sink.progress(0);
}

}  // namespace

std::vector<RowRange> Bands(const CandidateTable& candidates) {
  std::vector<RowRange> bands;
  const int count = candidates.count();
  for (int r = 1; r <= count; ++r) {
    if (r == 1 || candidates.row(r).Band != candidates.row(r - 1).Band) {
      bands.push_back({r, r});
    } else {
      bands.back().last = r;
    }
  }
  return bands;
}

void RunCheck(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
              const std::function<void()>& checkpoint) {
  RunCheck(input, candidates, sink, checkpoint, EngineLimits{});
}

void RunCheck(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
              const std::function<void()>& checkpoint, const EngineLimits& limits) {
  const std::function<void()> step = checkpoint ? checkpoint : [] {};

  // Untick all: the worker clears Matched itself, as the owner of the flags
  // during the run.
  sink.untickAllFiles();
  const int cleared = std::min(input.listRows, candidates.count());
  for (int r = 1; r <= cleared; ++r) candidates.row(r).Matched = 0;

  switch (input.mode) {
    case static_cast<int>(CheckMode::Fast):
      FastCheck(input, candidates, sink, step, limits);
      break;
    case static_cast<int>(CheckMode::Careful):
      CarefulCheck(input, candidates, sink, step, limits);
      break;
    default:
      break;
  }
}
