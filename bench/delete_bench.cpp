// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Times "Delete Checked" of the copies a careful check ticks below a folder,
// against reading the bytes of the files it deletes once.
//
//   twinscan-delete-bench DIR
//
// Lists DIR (regular files, links not followed) into candidates, runs the
// careful check, lists every ticked row in "Files to delete", reads each of
// those files once (the yardstick), runs the verification alone (every ticked
// file read again with an identical file that stays, both checked unchanged;
// nothing unlinked), then deletes them as the window does (the same
// verification right before each unlink). The copies are gone afterwards:
// make a new tree for every run.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_candidates.h"
#include "compare/check_run.h"
#include "core/file_io.h"
#include "core/worker.h"
#include "lists/delete_list.h"
#include "lists/file_actions.h"
#include "lists/row_texts.h"

namespace {

struct TickingSink final : CheckSink {
  explicit TickingSink(CandidateTable& table) : candidates(table) {}
  CandidateTable& candidates;
  void untickAllFiles() override {}
  void tickRow(int row) override { candidates.row(row).Checked = 1; }
  void progress(int) override {}
  void filesRead(const std::vector<RowIdentity>& rows) override {
    for (const RowIdentity& r : rows) candidates.row(r.row).Identity = r.identity;
  }
};

struct NoIcons final : IconIndexer {
  int FileTypeIconIndex(const std::string&) override { return 0; }
};

// Reads every byte of `path` once; the bytes read.
std::uint64_t ReadOnce(const std::string& path, std::vector<char>& buffer) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return 0;
  std::uint64_t total = 0;
  Transfer got;
  do {
    got = ReadAll(fd.get(), buffer.data(), buffer.size());
    total += got.bytes;
  } while (got.error == 0 && got.bytes == buffer.size());
  return total;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: twinscan-delete-bench DIR\n");
    return 2;
  }
  const auto candidates = std::make_unique<CandidateTable>();
  bench::FillCandidates(bench::ListRegularFiles(argv[1]), *candidates);
  TickingSink sink(*candidates);
  EngineLimits limits;
  limits.threads = DefaultThreads();
  RunCheck(
      {static_cast<int>(CheckMode::Careful), candidates->count()}, *candidates, sink, [] {},
      limits);

  ResultList files;
  ResultList deleteList;
  files.addColumn("Path");
  deleteList.addColumn("Path");
  for (int k = 1; k <= candidates->count(); ++k) {
    const CandidateRow& c = candidates->row(k);
    AddListRow(files, files, 0, c.FileName(), c.Size, c.FullPath);
    files.setChecked(files.rowCount() - 1, c.Checked == 1);
  }
  const auto table = std::make_unique<DeleteTable>();
  NoIcons icons;
  int expected = 0;
  RebuildDeleteList(*candidates, *table, deleteList, files, icons, expected);

  std::vector<char> buffer(1 << 16);
  std::uint64_t bytes = 0;
  auto start = std::chrono::steady_clock::now();
  for (int j = 1; j <= table->DeleteCount; ++j) bytes += ReadOnce(table->row(j).FullPath, buffer);
  const double readOnce = SecondsSince(start);

  // The verification alone (nothing unlinked), then the real delete.
  const DeletePlan plan = PlanDelete(*candidates, *table, DeleteListTicks(deleteList));
  std::vector<int> all(plan.targetCount());
  for (std::size_t t = 0; t < all.size(); ++t) all[t] = static_cast<int>(t);
  DeletePassOptions dry;
  dry.limits.threads = limits.threads;
  dry.deleter = [](const std::string&, const FileIdentity&, const FolderIdentity&, FileIdentity*,
                   int*) { return DeleteOutcome::Deleted; };
  start = std::chrono::steady_clock::now();
  RunDeletePass(plan, all, dry, {}, {});
  const double verifyOnly = SecondsSince(start);

  start = std::chrono::steady_clock::now();
  DeletePassOptions real;
  real.limits.threads = limits.threads;
  const std::vector<DeleteResult> results = RunDeletePass(plan, all, real, {}, {});
  const double verified = SecondsSince(start);
  int deleted = 0;
  for (const DeleteResult r : results) deleted += r == DeleteResult::Deleted ? 1 : 0;

  std::printf("ticked=%d\n", table->DeleteCount);
  std::printf("deleted=%d\n", deleted);
  std::printf("bytes=%llu\n", static_cast<unsigned long long>(bytes));
  std::printf("read_once_seconds=%.3f\n", readOnce);
  std::printf("verify_only_seconds=%.3f\n", verifyOnly);
  std::printf("verified_delete_seconds=%.3f\n", verified);
  std::printf("verify_to_read_once=%.2f\n", readOnce > 0 ? verifyOnly / readOnce : 0.0);
  std::printf("delete_to_read_once=%.2f\n", readOnce > 0 ? verified / readOnce : 0.0);
  return deleted == table->DeleteCount ? 0 : 1;
}
