// Times one walk of a folder tree into a full-size scan table.
// Usage: twinscan-walk-bench DIR
// Prints key=value lines: result, entries, seconds, peak_rss_mb.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "scan/walk.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  auto table = std::make_unique<ScanTable>();
  WalkObserver quiet;

  const auto start = std::chrono::steady_clock::now();
  const bool ok = WalkTree(argv[1], *table, quiet);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("result=%s\n", ok ? "true" : "false");
  std::printf("entries=%d\n", table->size());
  std::printf("seconds=%.3f\n", elapsed.count());
  std::printf("peak_rss_mb=%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return ok ? 0 : 1;
}
