#include "compare/check_run.h"

#include "compare/in_order.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

// The rows of one run of equal size, first..last (1-based, inclusive).
struct BandRange {
  int first = 0;
  int last = 0;
};

// What the engine decided for one band or run: the rows it ticks and the
// identities of the files whose bytes those ticks rest on.
struct Decided {
  std::vector<int> ticks;
  std::vector<RowIdentity> read;
};

Decided Decide(const std::vector<CandidateFile>& files, TickRule rule,
               const CandidateTable& candidates, const std::function<void()>& checkpoint,
               const EngineLimits& limits) {
  Decided decided;
  if (files.size() < 2) return decided;
  std::vector<int> copies;
  decided.ticks = TickedRows(files, rule, candidates, checkpoint, limits, &copies);
  // Both lists ascend by row, as do the files.
  auto file = files.begin();
  for (const int row : copies) {
    while (file != files.end() && file->row < row) ++file;
    if (file != files.end() && file->row == row) decided.read.push_back({row, file->id});
  }
  return decided;
}

// Each row with the row after it, over the rows the list had at the start
// (the list cannot change during a check); the earlier row of an identical
// pair is ticked. Only neighbours of one size can be identical, so the rows
// are taken in runs of one size as stat() sees them now, and each run goes to
// the engine whole. Progress keeps the per-pair values, sent only when they
// change, and reaches the window together with the ticks of the pairs before
// it, once those pairs are decided.
void FastCheck(const CheckInput& input, const CandidateTable& candidates, CheckSink& sink,
               const std::function<void()>& checkpoint, const EngineLimits& limits) {
  const int rows = input.listRows;
  // A list row without a candidate behind it is never identical or read.
  const int readable = std::min(rows, candidates.count());
  int shown = -1;
  // Ticks wait here until the next change of the bar, which must come after them.
  std::vector<int> pending;
  const auto flush = [&] {
    if (pending.empty()) return;
    sink.tickRows(pending);
    pending.clear();
  };
  const auto show = [&](int percent) {
    if (percent == shown) return;
    flush();
    sink.progress(percent);
    shown = percent;
  };
  int next = 1;  // the first pair (next, next + 1) not yet reported
  const auto reportThrough = [&](int last, const Decided& decided) {
    if (!decided.read.empty()) {
      flush();
      sink.filesRead(decided.read);
    }
    const std::vector<int>& ticks = decided.ticks;
    auto tick = ticks.begin();
    for (; next <= last; ++next) {
      if (rows > 2) show(static_cast<int>(static_cast<std::int64_t>(next - 1) * 100 / (rows - 2)));
      while (tick != ticks.end() && *tick < next) ++tick;
      if (tick != ticks.end() && *tick == next) pending.push_back(next);
    }
    flush();
  };

  if (limits.threads > 1) {
    // With several threads every row is looked at first, then the runs of
    // one size go to the engines side by side; the window hears of them in
    // row order, exactly as one thread would tell it.
    std::vector<std::vector<CandidateFile>> runs;
    bool broken = true;
    constexpr int kStatChunk = 512;
    RunInOrder<std::vector<std::optional<CandidateFile>>>(
        (readable + kStatChunk - 1) / kStatChunk, limits.threads,
        [&](int c) {
          std::vector<std::optional<CandidateFile>> files;
          const int last = std::min(readable, (c + 1) * kStatChunk);
          for (int r = c * kStatChunk + 1; r <= last; ++r) {
            checkpoint();
            files.push_back(StatCandidate(candidates.row(r).FullPath, r));
          }
          return files;
        },
        [&](int, const std::vector<std::optional<CandidateFile>>& files) {
          for (const std::optional<CandidateFile>& file : files) {
            if (!file) {
              broken = true;
              continue;
            }
            if (broken || runs.back().back().size() != file->size()) runs.emplace_back();
            runs.back().push_back(*file);
            broken = false;
          }
        });
    std::erase_if(runs, [](const std::vector<CandidateFile>& run) { return run.size() < 2; });
    RunInOrder<Decided>(
        static_cast<int>(runs.size()), limits.threads,
        [&](int i) {
          return Decide(runs[static_cast<std::size_t>(i)], TickRule::EarlierNeighbour, candidates,
                        checkpoint, limits);
        },
        [&](int i, const Decided& decided) {
          reportThrough(runs[static_cast<std::size_t>(i)].back().row - 1, decided);
        });
    reportThrough(rows - 1, {});
    show(100);
    return;
  }

  std::vector<CandidateFile> run;
  const auto finishRun = [&] {
    if (run.empty()) return;
    reportThrough(run.back().row - 1,
                  Decide(run, TickRule::EarlierNeighbour, candidates, checkpoint, limits));
    run.clear();
  };
  for (int r = 1; r <= readable; ++r) {
    checkpoint();
    const std::optional<CandidateFile> file = StatCandidate(candidates.row(r).FullPath, r);
    if (!file || (!run.empty() && run.back().size() != file->size())) finishRun();
    if (file) run.push_back(*file);
  }
  finishRun();
  reportThrough(rows - 1, {});
  show(100);
}

// Splits rows 1..count into bands: a row whose Band flag differs from the
// previous row's starts a new band. As many bands as there are.
std::vector<BandRange> SplitIntoBands(const CandidateTable& candidates, int count) {
  std::vector<BandRange> bands;
  for (int r = 1; r <= count; ++r) {
    if (r == 1 || candidates.row(r).Band != candidates.row(r - 1).Band) {
      bands.push_back({r, r});
    } else {
      bands.back().last = r;
    }
  }
  return bands;
}

// A row identical to an earlier row of its band is marked Matched and ticked.
// A row still Matched from before the run (only rows the list lacks keep
// theirs) stays so. Rows the list lacks are read but never ticked. The bar
// only rises, from the 0 the caller set before the run. Bands are independent,
// so `limits.threads` threads check them side by side; their ticks, Matched
// flags and the bar still follow band order, on the calling thread.
void CarefulCheck(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
                  const std::function<void()>& checkpoint, const EngineLimits& limits) {
  const std::vector<BandRange> bands = SplitIntoBands(candidates, candidates.count());
  const auto bandCount = static_cast<std::int64_t>(bands.size());
  const auto check = [&](int b) {
    const BandRange band = bands[static_cast<std::size_t>(b)];
    std::vector<CandidateFile> files;
    if (band.first == band.last) return Decided{};
    for (int r = band.first; r <= band.last; ++r) {
      checkpoint();
      if (const auto file = StatCandidate(candidates.row(r).FullPath, r)) files.push_back(*file);
    }
    return Decide(files, TickRule::LaterCopy, candidates, checkpoint, limits);
  };
  int shown = 0;
  std::vector<int> ticks;
  const auto report = [&](int b, const Decided& decided) {
    const int percent = static_cast<int>((b + 1) * 100 / bandCount);
    if (percent > shown) {
      sink.progress(percent);
      shown = percent;
    }
    if (!decided.read.empty()) sink.filesRead(decided.read);
    ticks.clear();
    for (const int r : decided.ticks) {
      CandidateRow& row = candidates.row(r);
      if (row.Matched != 0) continue;
      row.Matched = 1;
      if (r <= input.listRows) ticks.push_back(r);
    }
    if (!ticks.empty()) sink.tickRows(ticks);
  };
  RunInOrder<Decided>(static_cast<int>(bandCount), limits.threads, check, report);
  sink.progress(0);
}

}  // namespace

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
