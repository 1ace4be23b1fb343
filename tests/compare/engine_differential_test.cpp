// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The engine against the pairwise check on random trees, and the engine's own
// bounds: open files, bytes read, files that change while it reads them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "compare/check_engine.h"
#include "compare/check_run.h"
#include "compare/pairwise_reference.h"
#include "core/worker.h"
#include "support/descriptors.h"
#include "support/file_faults.h"
#include "support/temp_tree.h"

namespace {

constexpr int kFast = static_cast<int>(CheckMode::Fast);
constexpr int kCareful = static_cast<int>(CheckMode::Careful);

// Many rounds and the reopening path on files of a few hundred bytes.
constexpr EngineLimits kTinyLimits{3, 192, 16, 64};

// Effects in order: ('u', 0), ('t', row), ('p', percent).
struct EventSink final : CheckSink {
  std::vector<std::pair<char, int>> events;
  void untickAllFiles() override { events.emplace_back('u', 0); }
  void tickRow(int row) override { events.emplace_back('t', row); }
  void progress(int percent) override { events.emplace_back('p', percent); }
};

// Ticks between two other effects may come in any order.
std::vector<std::pair<char, int>> TicksSortedBetweenProgress(std::vector<std::pair<char, int>> e) {
  for (std::size_t i = 0; i < e.size();) {
    std::size_t j = i;
    while (j < e.size() && e[j].first == 't') ++j;
    std::sort(e.begin() + static_cast<std::ptrdiff_t>(i),
              e.begin() + static_cast<std::ptrdiff_t>(j));
    i = j == i ? i + 1 : j;
  }
  return e;
}

// The fast check against the pairwise one, which sets the bar before each
// pair: the same ticks; the bar rises through the pairwise values to the same
// end, is never behind a tick and, as a run of one size is read at once and
// moves the bar while it is, never past the last pair of that tick's run.
void ExpectFastSequence(const std::vector<std::pair<char, int>>& engine,
                        const std::vector<std::pair<char, int>>& reference,
                        const CandidateTable& table, int listRows) {
  const auto only = [](const std::vector<std::pair<char, int>>& events, char kind) {
    std::vector<int> out;
    for (const auto& e : events) {
      if (e.first == kind) out.push_back(e.second);
    }
    return out;
  };
  const std::vector<int> values = only(engine, 'p'), refValues = only(reference, 'p');
  ASSERT_EQ(only(engine, 't'), only(reference, 't'));
  EXPECT_EQ(values.back(), refValues.back());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_TRUE(i == 0 || values[i] > values[i - 1]);
    EXPECT_NE(std::find(refValues.begin(), refValues.end(), values[i]), refValues.end());
  }
  const auto sizeOf = [&](int r) {
    const auto file = StatCandidate(table.row(r).FullPath, r);
    return file ? static_cast<std::int64_t>(file->size()) : -1;
  };
  int shown = -1;
  for (const auto& [kind, row] : engine) {
    if (kind == 'p') shown = row;
    if (kind != 't' || listRows <= 2) continue;
    int last = row + 1;  // the last pair of the tick's run
    while (last + 1 <= std::min(listRows, table.count()) && sizeOf(last + 1) == sizeOf(row)) ++last;
    EXPECT_GE(shown, (row - 1) * 100 / (listRows - 2));
    EXPECT_LE(shown, (last - 2) * 100 / (listRows - 2)) << "tick " << row;
  }
}

struct RunResult {
  std::vector<std::pair<char, int>> events;
  std::vector<std::uint8_t> matched;
  std::uint64_t bytesRead = 0;
  int maxOpen = 0;
};

std::vector<std::uint8_t> MatchedFlags(const CandidateTable& table) {
  std::vector<std::uint8_t> flags;
  for (int r = 1; r <= table.size(); ++r) flags.push_back(table.row(r).Matched);
  return flags;
}

void SetMatched(CandidateTable& table, const std::vector<std::uint8_t>& flags) {
  for (int r = 1; r <= table.size(); ++r)
    table.row(r).Matched = flags[static_cast<std::size_t>(r - 1)];
}

// Counts the open files at every `sample`-th checkpoint (none when 0); a
// group's files stay open over many checkpoints, so sampling still sees them.
RunResult RunEngine(const CheckInput& input, CandidateTable& table, const EngineLimits& limits,
                    int sample) {
  RunResult out;
  EventSink sink;
  // With several threads the checkpoint runs on all of them at once.
  std::atomic<int> calls{0};
  std::mutex mutex;
  const std::uint64_t before = CompareBytesRead();
  RunCheck(
      input, table, sink,
      [&] {
        if (sample > 0 && (calls.fetch_add(1) + 1) % sample == 0) {
          const int open = OpenDescriptors();
          std::lock_guard lock(mutex);
          out.maxOpen = std::max(out.maxOpen, open);
        }
      },
      limits);
  out.bytesRead = CompareBytesRead() - before;
  out.events = std::move(sink.events);
  out.matched = MatchedFlags(table);
  return out;
}

RunResult RunReference(const CheckInput& input, CandidateTable& table) {
  RunResult out;
  EventSink sink;
  RunCheckPairwise(input, table, sink, [] {});
  out.events = std::move(sink.events);
  out.matched = MatchedFlags(table);
  return out;
}

// Sum of the sizes of the rows that name regular files now.
std::uint64_t CandidateBytes(const CandidateTable& table) {
  std::uint64_t total = 0;
  for (int r = 1; r <= table.count(); ++r) {
    struct stat st {};
    if (::stat(table.row(r).FullPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      total += static_cast<std::uint64_t>(st.st_size);
    }
  }
  return total;
}

// A random candidate table over a real tree: bands of copies, near-copies,
// hard links, files reached through a linked folder, empty files, files that
// grew since the scan, and rows whose path has vanished or names a folder.
// Files of several 4 KiB blocks have blocks of zeros, most of them holes.
class RandomTree {
 public:
  TempTree tree;
  CandidateTable table{8192};

  RandomTree(std::mt19937& rng, std::size_t maxSize, int maxRowsPerBand) {
    tree.mkdir("real");
    tree.symlink(tree.path("real"), "via");
    const int bands = Pick(rng, 1, 7);
    std::size_t size = 0;
    std::vector<std::string> originals;
    std::uint8_t flag = 0;
    for (int b = 0; b < bands; ++b) {
      // Now and then a band of the same size as the one before: only the
      // flag separates them.
      if (b == 0 || Pick(rng, 0, 9) != 0) {
        const int kind = Pick(rng, 0, 9);
        size = kind == 0   ? 0
               : kind == 1 ? 1
                           : static_cast<std::size_t>(Pick(rng, 2, static_cast<int>(maxSize)));
        originals.clear();
        for (int i = Pick(rng, 1, 3); i > 0; --i) originals.push_back(Random(rng, size));
      }
      flag = static_cast<std::uint8_t>(1 - flag);
      const int rows = Pick(rng, 0, 12) == 0 ? 1 : Pick(rng, 2, maxRowsPerBand);
      std::vector<std::string> bandFiles;  // real paths written in this band
      for (int i = 0; i < rows; ++i) {
        const std::string name = "b" + std::to_string(b) + "/r" + std::to_string(i);
        const std::string& original = originals[static_cast<std::size_t>(
            Pick(rng, 0, static_cast<int>(originals.size()) - 1))];
        std::string path = tree.path(name);
        const int kind = Pick(rng, 0, 19);
        if (kind < 8 || size == 0) {  // a copy
          Write(rng, name, original);
        } else if (kind < 11) {  // same size, one byte differs: last, middle, first or any
          std::string near = original;
          const std::size_t at = std::vector<std::size_t>{
              size - 1, size / 2, 0,
              static_cast<std::size_t>(Pick(rng, 0, static_cast<int>(size) - 1)),
              size / 2 - size / 2 % kHoleBlock}[static_cast<std::size_t>(Pick(rng, 0, 4))];
          near[at] = static_cast<char>(near[at] ^ (1 + Pick(rng, 0, 254)));
          Write(rng, name, near);
        } else if (kind < 13 && !bandFiles.empty()) {  // a hard link to a file of the band
          tree.mkdir("b" + std::to_string(b));
          const std::string& target = bandFiles[static_cast<std::size_t>(
              Pick(rng, 0, static_cast<int>(bandFiles.size()) - 1))];
          if (::link(target.c_str(), path.c_str()) != 0) tree.write(name, original);
        } else if (kind < 15) {  // a copy reached through the linked folder
          Write(rng, "real/" + name, original);
          path = tree.path("via/" + name);
        } else if (kind < 16) {  // vanishes after the scan
          vanishing_.push_back(tree.write(name, original));
        } else if (kind < 17) {  // a folder where the file was
          folders_.push_back(tree.write(name, original));
        } else if (kind < 18) {  // grew since the scan, alike for each original
          Write(rng, name, original + "+");
        } else {
          Write(rng, name, Random(rng, size));
        }
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) bandFiles.push_back(path);
        ddd1 row;
        row.FullPath = path;
        row.Size = static_cast<std::int64_t>(size);
        row.Band = flag;
        row.Matched = static_cast<std::uint8_t>(Pick(rng, 0, 3) == 0);
        EXPECT_TRUE(table.append(std::move(row)));
      }
    }
    table.CandidateCount = table.size();
    for (const std::string& p : vanishing_) ::unlink(p.c_str());
    for (const std::string& p : folders_) {
      ::unlink(p.c_str());
      ::mkdir(p.c_str(), 0700);
    }
  }

  static int Pick(std::mt19937& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
  }

 private:
  static constexpr std::size_t kHoleBlock = 4096;

  // Random bytes, about half of the whole 4 KiB blocks zeros when there are two.
  static std::string Random(std::mt19937& rng, std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t at = 0; at < size; at += kHoleBlock) {
      if (size >= 2 * kHoleBlock && at + kHoleBlock <= size && Pick(rng, 0, 1) == 0) continue;
      for (std::size_t i = at; i < std::min(size, at + kHoleBlock); ++i)
        s[i] = static_cast<char>(Pick(rng, 0, 255));
    }
    return s;
  }

  // Writes `content`, leaving three in four of its whole 4 KiB blocks of
  // zeros as holes (read as zeros) and writing the others.
  std::string Write(std::mt19937& rng, const std::string& name, const std::string& content) {
    const std::string path = tree.write(name, "");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    for (std::size_t at = 0; at < content.size(); at += kHoleBlock) {
      const std::string_view block = std::string_view(content).substr(at, kHoleBlock);
      const bool zeros = block.size() == kHoleBlock && block.find_first_not_of('\0') == block.npos;
      if (zeros && Pick(rng, 0, 3) != 0) continue;
      EXPECT_EQ(::pwrite(fd, block.data(), block.size(), static_cast<off_t>(at)),
                static_cast<ssize_t>(block.size()));
    }
    EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(content.size())), 0);
    ::close(fd);
    return path;
  }

  std::vector<std::string> vanishing_;
  std::vector<std::string> folders_;
};

void ExpectSameAsPairwise(RandomTree& t, std::mt19937& rng, const EngineLimits& limits) {
  const int count = t.table.count();
  const std::vector<std::uint8_t> initial = MatchedFlags(t.table);
  const std::uint64_t candidateBytes = CandidateBytes(t.table);
  const int listChoices[] = {count, std::max(count - 1, 0), count + 2,
                             RandomTree::Pick(rng, 0, count)};
  for (const int mode : {kFast, kCareful}) {
    const int listRows = listChoices[RandomTree::Pick(rng, 0, 3)];
    SCOPED_TRACE(testing::Message()
                 << "mode " << mode << ", list rows " << listRows << " of " << count);
    const CheckInput input{mode, listRows};
    SetMatched(t.table, initial);
    const RunResult reference = RunReference(input, t.table);
    SetMatched(t.table, initial);
    const int baseline = OpenDescriptors();
    const RunResult engine = RunEngine(input, t.table, limits, 2);
    if (mode == kFast) {
      ExpectFastSequence(engine.events, reference.events, t.table, listRows);
    } else {
      EXPECT_EQ(TicksSortedBetweenProgress(engine.events),
                TicksSortedBetweenProgress(reference.events));
    }
    EXPECT_EQ(engine.matched, reference.matched);
    EXPECT_LE(engine.bytesRead, candidateBytes) << "a byte was read twice";
    // Each thread's files, and the folder each thread lists to count them.
    EXPECT_LE(engine.maxOpen, baseline + limits.threads * (limits.maxOpenFiles + 1));
    EXPECT_EQ(OpenDescriptors(), baseline);
  }
}

TEST(EngineDifferentialTest, SameAnswersAsPairsOnRandomTrees) {
  for (unsigned seed = 1; seed <= 100; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    RandomTree t(rng, 700, 9);
    EngineLimits limits = seed % 3 == 0 ? EngineLimits{} : kTinyLimits;
    // Every other tree with two threads checking bands side by side.
    limits.threads = seed % 2 == 0 ? 2 : 1;
    // Every fourth one read in short pieces, every other read interrupted.
    std::optional<FileFaults> choppy;
    if (seed % 4 == 1) choppy.emplace().choppy = 5;
    ExpectSameAsPairwise(t, rng, limits);
    if (HasFailure()) return;
  }
}

// With holes: skipped where every member has one, zeros against another
// member's data, in blocks of 64 KiB and of 4 KiB, files kept open or
// reopened in each round.
TEST(EngineDifferentialTest, SameAnswersAsPairsOnFilesOfSeveralBlocks) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(1000 + seed);
    RandomTree t(rng, 3 * kCompareBlockSize + 100, 6);
    EngineLimits limits = seed % 2 == 0 ? EngineLimits{} : EngineLimits{4, 16384, 512, 4096};
    limits.threads = seed % 3 == 0 ? 2 : 1;
    ExpectSameAsPairwise(t, rng, limits);
  }
}

// Files of 2^62 bytes with a few bytes of data cost what their data costs:
// one whose middle differs, a copy with a MiB of zeros written into a hole.
TEST(EngineDifferentialTest, HugeSparseFilesAreComparedByTheirData) {
  constexpr std::uint64_t kSize = std::uint64_t{1} << 62;
  TempTree tree(MemoryFolder());
  CandidateTable table(8);
  std::vector<RowIdentity> files;
  for (const char* content : {"x", "y", "x0"}) {
    ddd1 row;
    row.FullPath = tree.write(std::to_string(files.size()), "head");
    row.Size = static_cast<std::int64_t>(kSize);
    const std::string mib(content[1] == '0' ? std::size_t{1} << 20 : 0, '\0');
    const int fd = ::open(row.FullPath.c_str(), O_WRONLY | O_CLOEXEC);
    if (::ftruncate(fd, static_cast<off_t>(kSize)) != 0) GTEST_SKIP() << "no file of 2^62 bytes";
    ASSERT_EQ(::pwrite(fd, content, 1, off_t{1} << 40) + ::pwrite(fd, "tail", 4, kSize - 4), 5);
    ASSERT_EQ(::pwrite(fd, mib.data(), mib.size(), off_t{1} << 41),
              static_cast<ssize_t>(mib.size()));
    ::close(fd);
    files.push_back(*StatCandidate(row.FullPath, table.size() + 1));
    ASSERT_TRUE(table.append(std::move(row)));
  }
  table.CandidateCount = table.size();

  const std::uint64_t before = CompareBytesRead();
  const auto bounded = [&] {  // stops a reading of the holes instead of running for ever
    if (CompareBytesRead() - before > (std::uint64_t{256} << 20)) throw StopRun{};
  };
  std::pair<std::uint64_t, std::uint64_t> told{};
  std::vector<int> ticks;
  ASSERT_NO_THROW(ticks = TickedRows(files, TickRule::LaterCopy, table, bounded, {},
                                     [&](std::uint64_t settled, std::uint64_t total) {
                                       told = {settled, total};
                                     }));
  EXPECT_EQ(ticks, std::vector<int>{3});
  EXPECT_EQ(told, std::make_pair(3 * kSize, 3 * kSize));  // the bar passed the holes
  EXPECT_EQ(IdenticalClasses(files, table, bounded), (std::vector<std::vector<int>>{{1, 3}}));
  EXPECT_LT(CompareBytesRead() - before, std::uint64_t{16} << 20);
}

// One band of thousands of small files: 60 contents, copies spread over the
// band and some hard links. A row is ticked when an earlier row holds the
// same bytes in another file.
TEST(EngineDifferentialTest, BandOfThousandsOfRows) {
  constexpr int kRows = 3000;
  TempTree tree;
  CandidateTable table(kRows + 1);
  std::mt19937 rng(7);
  std::vector<int> contentOf;
  std::vector<std::string> pathOf;
  for (int i = 0; i < kRows; ++i) {
    const int content = RandomTree::Pick(rng, 0, 59);
    std::string path = tree.path("f" + std::to_string(i));
    if (i > 0 && RandomTree::Pick(rng, 0, 9) == 0) {
      const int target = RandomTree::Pick(rng, 0, i - 1);
      ASSERT_EQ(::link(pathOf[static_cast<std::size_t>(target)].c_str(), path.c_str()), 0);
      contentOf.push_back(contentOf[static_cast<std::size_t>(target)]);
    } else {
      // Equal sizes, differing only in the last two bytes.
      tree.write("f" + std::to_string(i), std::string(300, 'x') +
                                              static_cast<char>('a' + content / 26) +
                                              static_cast<char>('a' + content % 26));
      contentOf.push_back(content);
    }
    pathOf.push_back(path);
    ddd1 row;
    row.FullPath = path;
    row.Size = 302;
    ASSERT_TRUE(table.append(std::move(row)));
  }
  table.CandidateCount = kRows;

  std::vector<ino_t> inodeOf;
  for (const std::string& p : pathOf) {
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    inodeOf.push_back(st.st_ino);
  }
  std::vector<int> expected;
  for (std::size_t l = 1; l < kRows; ++l) {
    for (std::size_t k = 0; k < l; ++k) {
      if (contentOf[k] == contentOf[l] && inodeOf[k] != inodeOf[l]) {
        expected.push_back(static_cast<int>(l) + 1);
        break;
      }
    }
  }
  for (const EngineLimits& limits : {EngineLimits{}, EngineLimits{16, 4096, 64, 128}}) {
    const int baseline = OpenDescriptors();
    const RunResult careful = RunEngine({kCareful, kRows}, table, limits, 7);
    std::vector<int> ticks;
    for (const auto& [kind, value] : careful.events) {
      if (kind == 't') ticks.push_back(value);
    }
    EXPECT_EQ(ticks, expected);
    EXPECT_LE(careful.bytesRead, 302u * kRows);
    EXPECT_LE(careful.maxOpen, baseline + limits.maxOpenFiles);

    const RunResult fast = RunEngine({kFast, kRows}, table, limits, 0);
    ExpectFastSequence(fast.events, RunReference({kFast, kRows}, table).events, table, kRows);
    EXPECT_LE(fast.bytesRead, 302u * kRows);
  }
}

// Rows 1 and 2 name one file; rows 3 and 4 are copies of it.
TEST(EngineDifferentialTest, HardLinksAreNotCopiesOfEachOther) {
  TempTree tree;
  const std::string a = tree.write("a", "content");
  const std::string link = tree.path("a-link");
  ASSERT_EQ(::link(a.c_str(), link.c_str()), 0);
  const std::string b = tree.write("b", "content");
  CandidateTable table(8);
  for (const std::string& p : {a, link, b, link}) {
    ddd1 row;
    row.FullPath = p;
    row.Size = 7;
    ASSERT_TRUE(table.append(std::move(row)));
  }
  table.CandidateCount = 4;
  // a, a-link, b, a-link: a-link (2) has only itself before it; b (3) has a;
  // a-link (4) has b.
  const std::vector<std::pair<char, int>> careful = {
      {'u', 0}, {'p', 100}, {'t', 3}, {'t', 4}, {'p', 0}};
  EXPECT_EQ(RunEngine({kCareful, 4}, table, {}, 0).events, careful);
  // Pairs: (1,2) one file, (2,3) copies, (3,4) copies.
  const std::vector<std::pair<char, int>> fast = {{'u', 0}, {'p', 0},   {'p', 50},
                                                  {'t', 2}, {'p', 100}, {'t', 3}};
  EXPECT_EQ(RunEngine({kFast, 4}, table, {}, 0).events, fast);
}

// A file changed while the engine reads it is identical to nothing, whether
// it stays open between rounds or is reopened (and checked) for each round.
TEST(EngineDifferentialTest, FileChangedDuringTheRunMatchesNothing) {
  const std::size_t size = 5 * 64;
  const std::string content(size, 'c');
  struct Case {
    const char* name;
    void (*change)(TempTree& tree, const std::string& path);
  };
  const Case cases[] = {
      {"truncated",
       [](TempTree&, const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 100), 0); }},
      {"grown",
       [](TempTree&, const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 5 * 64 + 1), 0); }},
      // A file kept open is read to its end whatever happens to its path; one
      // reopened for each round is checked to be the file seen.
      {"replaced by an equal file",
       [](TempTree& tree, const std::string& p) {
         const std::string other = tree.write("other", std::string(5 * 64, 'c'));
         ASSERT_EQ(::rename(other.c_str(), p.c_str()), 0);
       }},
      {"removed", [](TempTree&, const std::string& p) { ASSERT_EQ(::unlink(p.c_str()), 0); }},
  };
  for (const Case& c : cases) {
    const bool pathOnly = c.name[0] == 'r';
    for (const int maxOpen : {2, 8}) {
      if (pathOnly && maxOpen > 2) continue;
      SCOPED_TRACE(testing::Message() << c.name << ", open files " << maxOpen);
      TempTree tree;
      CandidateTable table(8);
      std::vector<RowIdentity> files;
      for (int i = 1; i <= 3; ++i) {
        ddd1 row;
        row.FullPath = tree.write("f" + std::to_string(i), content);
        row.Size = static_cast<std::int64_t>(size);
        files.push_back(*StatCandidate(row.FullPath, i));
        ASSERT_TRUE(table.append(std::move(row)));
      }
      table.CandidateCount = 3;
      int reads = 0;
      // Row 2 changes once the first round has been read.
      const std::vector<int> ticks = TickedRows(
          files, TickRule::LaterCopy, table,
          [&] {
            if (++reads == 4) c.change(tree, table.row(2).FullPath);
          },
          EngineLimits{maxOpen, 192, 16, 64});
      EXPECT_EQ(ticks, std::vector<int>{3});
    }
  }
}

// Running out of descriptors never changes the ticks: with none left while
// it keeps files open, the engine closes its own and goes on. (An engine
// with none to close waits for others, as the walk does in
// CliRunTest.FewFileDescriptorsChangeNoListing: the same OpenDespiteShortage.)
TEST(EngineDifferentialTest, ADescriptorShortageIsWaitedOut) {
  TempTree tree;
  CandidateTable table(8);
  std::vector<RowIdentity> files;
  for (int i = 1; i <= 4; ++i) {
    ddd1 row;
    row.FullPath = tree.write("f" + std::to_string(i), std::string(640, i == 3 ? 'x' : 'c'));
    row.Size = 640;
    files.push_back(*StatCandidate(row.FullPath, i));
    ASSERT_TRUE(table.append(std::move(row)));
  }
  table.CandidateCount = 4;
  const EngineLimits limits{4, 192, 16, 64};  // all four stay open from round to round
  const std::vector<int> expected = TickedRows(files, TickRule::LaterCopy, table, {}, limits);
  ASSERT_EQ(expected, (std::vector<int>{2, 4}));

  ScopedFileLimit few(64);
  if (!few.active()) GTEST_SKIP() << "cannot lower the limit of open files";
  std::optional<DescriptorHog> hog;
  int calls = 0;
  // From checkpoint 3 on, with two files open, no descriptor is left.
  const std::vector<int> ticks = TickedRows(
      files, TickRule::LaterCopy, table,
      [&] {
        if (++calls == 3) hog.emplace();
      },
      limits);
  ASSERT_TRUE(hog && hog->taken() > 0);
  EXPECT_EQ(ticks, expected);
}

}  // namespace
