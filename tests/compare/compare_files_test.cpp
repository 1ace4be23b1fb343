// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "support/compare_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "compare/check_engine.h"
#include "core/worker.h"
#include "support/descriptors.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace {

constexpr std::size_t kBlock = kCompareBlockSize;

// Bytes that differ from block to block, so a misplaced block shows.
std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + i / 997) & 0xff);
  return s;
}

std::string Flipped(std::string s, std::size_t at) {
  s[at] = static_cast<char>(s[at] ^ 0x5a);
  return s;
}

const char* Name(CompareVerdict v) {
  switch (v) {
    case CompareVerdict::Identical:
      return "Identical";
    case CompareVerdict::Different:
      return "Different";
    case CompareVerdict::SizesDiffer:
      return "SizesDiffer";
    case CompareVerdict::Missing:
      return "Missing";
    case CompareVerdict::SameFile:
      return "SameFile";
    case CompareVerdict::Unreadable:
      return "Unreadable";
    case CompareVerdict::Changed:
      return "Changed";
  }
  return "?";
}

TEST(CompareFilesTest, ContentCases) {
  const std::string big = Pattern(200000);
  struct Case {
    const char* name;
    std::string first;
    std::string second;
    CompareVerdict expected;
    std::uint64_t maxBytesRead;  // both files together
  };
  const std::vector<Case> cases = {
      {"two empty files", "", "", CompareVerdict::Identical, 0},
      {"1025 equal bytes", Pattern(1025), Pattern(1025), CompareVerdict::Identical, 2050},
      {"small, last byte differs", Pattern(1025), Flipped(Pattern(1025), 1024),
       CompareVerdict::Different, 2050},
      {"small, first byte differs", Pattern(1025), Flipped(Pattern(1025), 0),
       CompareVerdict::Different, 2050},
      {"exactly one block, equal", Pattern(kBlock), Pattern(kBlock), CompareVerdict::Identical,
       2 * kBlock},
      {"several blocks, equal", big, big, CompareVerdict::Identical, 2 * big.size()},
      {"several blocks, last byte differs", big, Flipped(big, big.size() - 1),
       CompareVerdict::Different, 2 * big.size()},
      {"byte right after a block boundary differs", big, Flipped(big, kBlock),
       CompareVerdict::Different, 4 * kBlock},
      {"first byte of a long file differs", big, Flipped(big, 0), CompareVerdict::Different,
       2 * kBlock},
      {"sizes differ", Pattern(1025), Pattern(1024), CompareVerdict::SizesDiffer, 0},
      {"long files of different sizes", big, big + "x", CompareVerdict::SizesDiffer, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    const std::string a = tree.write("a", c.first);
    const std::string b = tree.write("b", c.second);
    const std::uint64_t before = CompareBytesRead();
    const CompareVerdict got = CompareFiles(a, b);
    const std::uint64_t read = CompareBytesRead() - before;
    EXPECT_STREQ(Name(got), Name(c.expected));
    EXPECT_LE(read, c.maxBytesRead);
    EXPECT_EQ(CompareTwoFiles(a, b), c.expected == CompareVerdict::Identical);
    EXPECT_EQ(Name(CompareFiles(b, a)), Name(c.expected)) << "reversed";
  }
}

TEST(CompareFilesTest, SizesAreTrue64BitLengths) {
  // 4 GiB + 1 and 1 byte agree in their low 32 bits; sparse, so nothing is written.
  TempTree tree;
  const std::string small = tree.write("small", "\0");
  const std::string huge = tree.write("huge", "");
  ASSERT_EQ(::truncate(huge.c_str(), (off_t{1} << 32) + 1), 0);
  EXPECT_EQ(CompareFiles(small, huge), CompareVerdict::SizesDiffer);
}

TEST(CompareFilesTest, OnlyRegularFilesExist) {
  TempTree tree;
  const std::string file = tree.write("file", "abc");
  const std::string copy = tree.write("copy", "abc");
  const std::string folder = tree.mkdir("folder");
  const std::string fifo = tree.path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string dangling = tree.symlink(tree.path("nothing"), "dangling");
  const std::string fileLink = tree.symlink(copy, "link-to-copy");

  EXPECT_EQ(CompareFiles(file, tree.path("missing")), CompareVerdict::Missing);
  EXPECT_EQ(CompareFiles(tree.path("missing"), file), CompareVerdict::Missing);
  EXPECT_EQ(CompareFiles(file, folder), CompareVerdict::Missing);
  EXPECT_EQ(CompareFiles(folder, folder), CompareVerdict::Missing);
  EXPECT_EQ(CompareFiles(file, fifo), CompareVerdict::Missing) << "a FIFO is never read";
  EXPECT_EQ(CompareFiles(file, dangling), CompareVerdict::Missing);
  EXPECT_EQ(CompareFiles(file, "/dev/null"), CompareVerdict::Missing);
  // A link to a file is compared as the file it names.
  EXPECT_EQ(CompareFiles(file, fileLink), CompareVerdict::Identical);
}

TEST(CompareFilesTest, FileIsNeverIdenticalToItself) {
  TempTree tree;
  const std::string file = tree.write("dir/file", Pattern(3000));
  const std::string hardLink = tree.path("hard");
  ASSERT_EQ(::link(file.c_str(), hardLink.c_str()), 0);
  tree.symlink(tree.path("dir"), "dirlink");

  EXPECT_EQ(CompareFiles(file, file), CompareVerdict::SameFile);
  EXPECT_EQ(CompareFiles(file, hardLink), CompareVerdict::SameFile);
  EXPECT_EQ(CompareFiles(file, tree.path("dirlink/file")), CompareVerdict::SameFile);
  EXPECT_FALSE(CompareTwoFiles(hardLink, tree.path("dirlink/file")));
}

TEST(CompareFilesTest, NeedsReadPermissionOnly) {
  TempTree tree;
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  const std::string content = Pattern(70000);
  const std::string readOnly = tree.write("read-only", content);
  const std::string writable = tree.write("writable", content);
  const std::string secret = tree.write("secret", content);
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(writable.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(secret.c_str(), 0), 0);

  EXPECT_EQ(CompareFiles(readOnly, writable), CompareVerdict::Identical);
  // As another user: no write permission on either file, and one unreadable.
  CompareVerdict asOther = CompareVerdict::Missing;
  CompareVerdict withSecret = CompareVerdict::Missing;
  CompareVerdict secretFirst = CompareVerdict::Missing;
  if (!RunUnprivileged([&] {
        asOther = CompareFiles(readOnly, writable);
        withSecret = CompareFiles(readOnly, secret);
        secretFirst = CompareFiles(secret, readOnly);
      })) {
    GTEST_SKIP() << "cannot change the file-system uid";
  }
  EXPECT_EQ(asOther, CompareVerdict::Identical);
  EXPECT_EQ(withSecret, CompareVerdict::Unreadable);
  EXPECT_EQ(secretFirst, CompareVerdict::Unreadable);
}

TEST(CompareFilesTest, BetweenBlocksRunsBeforeEachReadAfterTheFirst) {
  TempTree tree;
  const std::string content = Pattern(3 * kBlock + 100);
  const std::string a = tree.write("a", content);
  const std::string b = tree.write("b", content);
  int calls = 0;
  EXPECT_EQ(CompareFiles(a, b, [&] { ++calls; }), CompareVerdict::Identical);
  EXPECT_EQ(calls, 3);

  calls = 0;
  const std::string c = tree.write("c", Pattern(kBlock - 1));
  const std::string d = tree.write("d", Pattern(kBlock - 1));
  EXPECT_EQ(CompareFiles(c, d, [&] { ++calls; }), CompareVerdict::Identical);
  EXPECT_EQ(calls, 0) << "a file within one block needs one read";
}

TEST(CompareFilesTest, FileChangedDuringTheComparisonIsNotIdentical) {
  const std::string content = Pattern(3 * kBlock);
  struct Case {
    const char* name;
    std::function<void(const std::string& first, const std::string& second)> change;
  };
  const std::vector<Case> cases = {
      {"second truncated inside a block",
       [](const std::string&, const std::string& s) {
         EXPECT_EQ(::truncate(s.c_str(), kBlock + 10), 0);
       }},
      {"second truncated at a block boundary",
       [](const std::string&, const std::string& s) {
         EXPECT_EQ(::truncate(s.c_str(), kBlock), 0);
       }},
      {"both truncated alike",
       [](const std::string& f, const std::string& s) {
         EXPECT_EQ(::truncate(f.c_str(), kBlock + 10), 0);
         EXPECT_EQ(::truncate(s.c_str(), kBlock + 10), 0);
       }},
      {"second rewritten where it was already compared",
       [](const std::string&, const std::string& s) {
         const int fd = ::open(s.c_str(), O_WRONLY | O_CLOEXEC);
         EXPECT_EQ(::pwrite(fd, "~", 1, 10), 1);
         ::close(fd);
       }},
      {"both grown alike",
       [](const std::string& f, const std::string& s) {
         EXPECT_EQ(::truncate(f.c_str(), 5 * kBlock), 0);
         EXPECT_EQ(::truncate(s.c_str(), 5 * kBlock), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    const std::string a = tree.write("a", content);
    const std::string b = tree.write("b", content);
    bool changed = false;
    const CompareVerdict got = CompareFiles(a, b, [&] {
      if (!changed) c.change(a, b);
      changed = true;
    });
    EXPECT_STREQ(Name(got), Name(CompareVerdict::Changed));
  }
}

TEST(CompareFilesTest, StopRunBetweenBlocksPropagatesWithBothFilesClosed) {
  TempTree tree;
  const std::string content = Pattern(2 * kBlock + 1);
  const std::string a = tree.write("a", content);
  const std::string b = tree.write("b", content);
  const int before = OpenDescriptors();
  int calls = 0;
  EXPECT_THROW(CompareFiles(a, b,
                            [&] {
                              ++calls;
                              throw StopRun{};
                            }),
               StopRun);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(OpenDescriptors(), before);

  // Every other way out closes them too.
  CompareFiles(a, b);
  CompareFiles(a, tree.write("c", Flipped(content, 5)));
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
