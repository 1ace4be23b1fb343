// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "support/compare_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare/check_engine.h"
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

// The engine's answer for two paths as rows of one set: one class holding both.
bool EngineIdentical(const std::string& first, const std::string& second) {
  std::vector<RowIdentity> files;
  std::vector<std::string> paths;
  int row = 1;
  for (const std::string& path : {first, second}) {
    if (const auto file = StatCandidate(path, row++)) {
      files.push_back(*file);
      paths.push_back(path);
    }
  }
  if (files.size() < 2) return false;
  const auto classes = IdenticalClasses(files, paths, [] {});
  return classes.size() == 1 && classes.front().size() == 2;
}

// The reference that the differential tests hold the engine to gives the
// engine's answer, and the right one, on the edges: block boundaries, sizes
// equal in their low 32 bits, anything but two regular files, one file under
// two names, a file only another user cannot read.
TEST(CompareFilesTest, TheReferenceAgreesWithTheEngine) {
  TempTree tree;
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  const std::string big = Pattern(200000);
  struct Case {
    const char* name;
    std::string first;
    std::string second;
    CompareVerdict expected;
  };
  const std::vector<Case> contents = {
      {"two empty files", "", "", CompareVerdict::Identical},
      {"1025 equal bytes", Pattern(1025), Pattern(1025), CompareVerdict::Identical},
      {"small, last byte differs", Pattern(1025), Flipped(Pattern(1025), 1024),
       CompareVerdict::Different},
      {"small, first byte differs", Pattern(1025), Flipped(Pattern(1025), 0),
       CompareVerdict::Different},
      {"exactly one block, equal", Pattern(kBlock), Pattern(kBlock), CompareVerdict::Identical},
      {"several blocks, equal", big, big, CompareVerdict::Identical},
      {"several blocks, last byte differs", big, Flipped(big, big.size() - 1),
       CompareVerdict::Different},
      {"byte right after a block boundary differs", big, Flipped(big, kBlock),
       CompareVerdict::Different},
      {"sizes differ", Pattern(1025), Pattern(1024), CompareVerdict::SizesDiffer},
      {"long files of different sizes", big, big + "x", CompareVerdict::SizesDiffer},
  };
  struct Pair {
    std::string name;
    std::string first;
    std::string second;
    CompareVerdict expected;
  };
  std::vector<Pair> pairs;
  for (std::size_t c = 0; c < contents.size(); ++c) {
    const std::string n = std::to_string(c);
    pairs.push_back({contents[c].name, tree.write("a" + n, contents[c].first),
                     tree.write("b" + n, contents[c].second), contents[c].expected});
  }
  const std::string file = tree.write("dir/file", Pattern(3000));
  const std::string copy = tree.write("copy", Pattern(3000));
  const std::string huge = tree.write("huge", "");
  ASSERT_EQ(::truncate(huge.c_str(), (off_t{1} << 32) + 1), 0);
  const std::string fifo = tree.path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string hardLink = tree.path("hard");
  ASSERT_EQ(::link(file.c_str(), hardLink.c_str()), 0);
  tree.symlink(tree.path("dir"), "dirlink");
  const std::string secret = tree.write("secret", Pattern(3000));
  ASSERT_EQ(::chmod(copy.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(secret.c_str(), 0), 0);
  pairs.push_back({"4 GiB + 1 against 1 byte", tree.write("one", std::string(1, '\0')), huge,
                   CompareVerdict::SizesDiffer});
  pairs.push_back({"missing", file, tree.path("missing"), CompareVerdict::Missing});
  pairs.push_back({"a folder", file, tree.path("dir"), CompareVerdict::Missing});
  pairs.push_back({"a FIFO, never read", file, fifo, CompareVerdict::Missing});
  pairs.push_back({"a device", file, "/dev/null", CompareVerdict::Missing});
  pairs.push_back({"itself", file, file, CompareVerdict::SameFile});
  pairs.push_back({"a hard link", file, hardLink, CompareVerdict::SameFile});
  pairs.push_back(
      {"through a folder link", hardLink, tree.path("dirlink/file"), CompareVerdict::SameFile});
  pairs.push_back({"read-only and writable", copy, file, CompareVerdict::Identical});
  pairs.push_back({"unreadable", copy, secret, CompareVerdict::Unreadable});
  pairs.push_back({"unreadable first", secret, copy, CompareVerdict::Unreadable});

  // As another user, so permission bits count.
  std::vector<CompareVerdict> reference(pairs.size());
  std::vector<char> engine(pairs.size());
  if (!RunUnprivileged([&] {
        for (std::size_t p = 0; p < pairs.size(); ++p) {
          reference[p] = CompareFiles(pairs[p].first, pairs[p].second);
          engine[p] = EngineIdentical(pairs[p].first, pairs[p].second) ? 1 : 0;
        }
      })) {
    GTEST_SKIP() << "cannot change the file-system uid";
  }
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    SCOPED_TRACE(pairs[p].name);
    EXPECT_STREQ(Name(reference[p]), Name(pairs[p].expected));
    EXPECT_EQ(engine[p] != 0, pairs[p].expected == CompareVerdict::Identical);
  }
}

}  // namespace
