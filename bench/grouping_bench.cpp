// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Times one grouping run over a full scan table of synthetic entries, or the
// size sort alone over one long run of equal sizes.
// Usage: twinscan-grouping-bench             (499,999 entries, many duplicates)
//        twinscan-grouping-bench --equal N   (sort N records of one size)
// Prints key=value lines.

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>

#include "group/grouping.h"
#include "group/unit_sort.h"

namespace {

class CountingSink final : public GroupingSink {
 public:
  void stage(GroupingStage, int) override {}
  void progress(int) override { ++progressUpdates; }
  void rows(std::vector<CandidateListRow> batch) override {
    sent += static_cast<long>(batch.size());
  }
  bool wantsRows() const override { return true; }

  long sent = 0;
  long progressUpdates = 0;
};

class CachedIcons final : public IconIndexer {
 public:
  int FileTypeIconIndex(const std::string& typeName) override {
    return indices_.emplace(typeName, static_cast<int>(indices_.size())).first->second;
  }

 private:
  std::unordered_map<std::string, int> indices_;
};

double PeakRssMb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Folders of about 50 entries each; half of the files draw their size from a
// pool of 40,000 sizes (so they come in groups), the others get sizes of
// their own.
void FillScanTable(ScanTable& scan, int entries) {
  static const char* const kExtensions[] = {"txt", "jpg", "png", "pdf", "mp3", "cpp", "h", "gz"};
  std::mt19937_64 random(12345);
  int folder = 0;
  int file = 0;
  std::int64_t uniqueSize = 1'000'000'000;
  std::string folderPath;
  while (scan.size() < entries) {
    if (file % 49 == 0) {
      folderPath = "/data/dir" + std::to_string(++folder);
      ScanEntry dir;
      dir.IsDirectory = 1;
      dir.Walked = 1;
      dir.Size = 4096;
      scan.appendPath(dir, folderPath);
      if (scan.size() == entries) break;
    }
    ScanEntry entry;
    const std::string path =
        folderPath + "/file" + std::to_string(++file) + "." + kExtensions[random() % 8];
    entry.IsRegular = 1;
    entry.Walked = 1;
    entry.Size = random() % 2 == 0 ? static_cast<std::int64_t>(random() % 40'000) * 1021
                                   : (uniqueSize += 1 + static_cast<std::int64_t>(random() % 97));
    entry.Identity = FileIdentity{1, static_cast<std::uint64_t>(file), entry.Size, 0};
    scan.appendPath(entry, path);
  }
}

int RunGroupingBench() {
  constexpr int kEntries = kTableSlots - 1;
  auto scan = std::make_unique<ScanTable>();
  auto files = std::make_unique<FileTable>();
  auto candidates = std::make_unique<CandidateTable>();
  std::atomic<bool> filled{false};
  std::atomic<bool> cancel{false};
  FillScanTable(*scan, kEntries);

  CountingSink sink;
  CachedIcons icons;
  const auto start = std::chrono::steady_clock::now();
  RunGrouping(
      {*scan, *files, *candidates, filled}, icons, sink, [] {}, &cancel);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  std::printf("entries=%d\n", scan->size());
  std::printf("files=%d\n", files->size());
  std::printf("candidates=%d\n", candidates->CandidateCount.load());
  std::printf("rows=%ld\n", sink.sent);
  std::printf("progress_updates=%ld\n", sink.progressUpdates);
  std::printf("seconds=%.3f\n", elapsed.count());
  std::printf("peak_rss_mb=%.1f\n", PeakRssMb());
  return sink.sent == candidates->CandidateCount.load() ? 0 : 1;
}

int RunEqualSizesBench(int count) {
  auto table = std::make_unique<FileTable>(count);
  for (int i = 1; i <= count; ++i) table->append(FileRecord{i, 0, 0});
  const auto start = std::chrono::steady_clock::now();
  SortFileTableBySize(*table);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("equal_sizes=%d\n", count);
  std::printf("seconds=%.3f\n", elapsed.count());
  std::printf("peak_rss_mb=%.1f\n", PeakRssMb());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return RunGroupingBench();
  if (argc == 3 && std::strcmp(argv[1], "--equal") == 0) {
    const int count = std::atoi(argv[2]);
    if (count > 0 && count < kTableSlots) return RunEqualSizesBench(count);
  }
  std::fprintf(stderr, "usage: %s [--equal N]   (0 < N < %d)\n", argv[0], kTableSlots);
  return 2;
}
