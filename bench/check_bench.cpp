// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Times one duplicate check over the same-size files below a folder.
//
//   twinscan-check-bench DIR fast|careful
//
// Lists DIR itself (regular files, links not followed), keeps the sizes that
// occur more than once, in ascending size order, and runs the check on them.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "bench/bench_candidates.h"
#include "compare/check_run.h"
#include "core/worker.h"

using bench::FillCandidates;
using bench::ListRegularFiles;

namespace {

struct CountingSink final : CheckSink {
  int ticked = 0;
  void untickAllFiles() override {}
  void tickRow(int) override { ++ticked; }
  void progress(int) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 ||
      (std::strcmp(argv[2], "fast") != 0 && std::strcmp(argv[2], "careful") != 0)) {
    std::fprintf(stderr, "usage: twinscan-check-bench DIR fast|careful [THREADS]\n");
    return 2;
  }
  const auto table = std::make_unique<CandidateTable>();
  FillCandidates(ListRegularFiles(argv[1]), *table);

  const CheckInput input{std::strcmp(argv[2], "fast") == 0 ? static_cast<int>(CheckMode::Fast)
                                                           : static_cast<int>(CheckMode::Careful),
                         table->count()};
  CountingSink sink;
  const std::uint64_t bytesBefore = CompareBytesRead();
  const auto start = std::chrono::steady_clock::now();
  EngineLimits limits;
  limits.threads = argc == 4 ? std::max(1, std::atoi(argv[3])) : DefaultThreads();
  RunCheck(
      input, *table, sink, [] {}, limits);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("threads=%d\n", limits.threads);
  std::printf("candidates=%d\n", table->count());
  std::printf("ticked=%d\n", sink.ticked);
  std::printf("seconds=%.3f\n", elapsed.count());
  std::printf("bytes_read=%llu\n",
              static_cast<unsigned long long>(CompareBytesRead() - bytesBefore));
  std::printf("peak_rss_mb=%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
