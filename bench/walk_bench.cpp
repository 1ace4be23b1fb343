// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Times one walk of a folder tree into a scan table.
// Usage: twinscan-walk-bench DIR [THREADS [CAPACITY]]
//   THREADS   threads listing folders (default: what a scan uses here)
//   CAPACITY  slots of the table (default: the window's 500,000)
// Prints key=value lines: result, entries, threads, seconds, cpu_seconds, peak_rss_mb.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/worker.h"
#include "scan/walk.h"

namespace {
double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: %s DIR [THREADS [CAPACITY]]\n", argv[0]);
    return 2;
  }
  const int threads = argc >= 3 ? std::atoi(argv[2]) : DefaultThreads();
  const int capacity = argc >= 4 ? std::atoi(argv[3]) : kTableSlots;
  if (threads < 1 || capacity < 1) {
    std::fprintf(stderr, "THREADS and CAPACITY must be positive\n");
    return 2;
  }
  auto table = std::make_unique<ScanTable>(capacity);
  WalkObserver quiet;

  const auto start = std::chrono::steady_clock::now();
  const bool ok = WalkTree(argv[1], *table, quiet, threads);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("result=%s\n", ok ? "true" : "false");
  std::printf("entries=%d\n", table->size());
  std::printf("threads=%d\n", threads);
  std::printf("seconds=%.3f\n", elapsed.count());
  std::printf("cpu_seconds=%.3f\n", Seconds(usage.ru_utime) + Seconds(usage.ru_stime));
  std::printf("peak_rss_mb=%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return ok ? 0 : 1;
}
