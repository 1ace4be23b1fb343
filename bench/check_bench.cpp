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

#include "compare/check_run.h"
#include "compare/two_files.h"

namespace fs = std::filesystem;

namespace {

struct CountingSink final : CheckSink {
  int ticked = 0;
  void untickAllFiles() override {}
  void tickRow(int) override { ++ticked; }
  void progress(int) override {}
};

struct Found {
  std::string path;
  std::int64_t size = 0;
};

std::vector<Found> ListRegularFiles(const std::string& root) {
  std::vector<Found> files;
  std::error_code ec;
  const auto options = fs::directory_options::skip_permission_denied;
  for (auto it = fs::recursive_directory_iterator(root, options, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code entryError;
    if (!it->is_symlink(entryError) && it->is_regular_file(entryError)) {
      const auto size = it->file_size(entryError);
      if (!entryError) files.push_back({it->path().string(), static_cast<std::int64_t>(size)});
    }
  }
  return files;
}

// Same-size files in ascending size order, the band flag toggling at every
// change of size. Stops at the table's capacity.
void FillCandidates(std::vector<Found> files, CandidateTable& table) {
  std::stable_sort(files.begin(), files.end(),
                   [](const Found& a, const Found& b) { return a.size < b.size; });
  std::uint8_t band = 1;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const bool before = i > 0 && files[i - 1].size == files[i].size;
    const bool after = i + 1 < files.size() && files[i + 1].size == files[i].size;
    if (!before && !after) continue;
    if (!before) band = static_cast<std::uint8_t>(1 - band);
    ddd1 row;
    row.FullPath = files[i].path;
    row.FileName = FileNameOf(row.FullPath);
    row.Size = files[i].size;
    row.Band = band;
    if (!table.append(std::move(row))) break;
  }
  table.CandidateCount = table.stored();
}

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
  limits.threads = argc == 4 ? std::max(1, std::atoi(argv[3])) : DefaultCheckThreads();
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
