// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "support/cli_capture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/base64.h"
#include "support/descriptors.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace {

using Args = std::vector<std::string>;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

Result RunTool(const Args& args, const CliEnvironment& env = {}) {
  Result r;
  r.status = RunCli(args, r.out, r.err, env);
  return r;
}

std::vector<std::string> Split(const std::string& text, char end) {
  std::vector<std::string> parts;
  std::string current;
  for (const char c : text) {
    if (c == end) {
      parts.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  EXPECT_EQ(current, "") << "output does not end with its terminator";
  return parts;
}

struct Candidate {
  long long size;
  std::string path;
};

// The candidate rows in order, read back from --list candidates.
std::vector<Candidate> Candidates(const std::string& folder) {
  const Result r = RunTool({"--list", "candidates", folder});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<Candidate> rows;
  for (const std::string& line : Split(r.out, '\n')) {
    const auto tab = line.find('\t');
    if (tab == std::string::npos) throw std::runtime_error("no TAB in: " + line);
    rows.push_back({std::stoll(line.substr(0, tab)), line.substr(tab + 1)});
  }
  return rows;
}

std::vector<std::string> PathsOf(const std::vector<Candidate>& rows) {
  std::vector<std::string> paths;
  for (const auto& row : rows) paths.push_back(row.path);
  return paths;
}

void HardLink(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) != 0) throw std::runtime_error("link failed: " + to);
}

// Two copies, two near-copies (same size, last byte differs), a file of a size
// of its own and two hard links of one file; every kind has its own size.
class CliTreeTest : public ::testing::Test {
 protected:
  CliTreeTest() {
    copy1 = tree.write("a/copy1", "copy content\n");
    copy2 = tree.write("b/copy2", "copy content\n");
    near1 = tree.write("near1", "near-copy-A");
    near2 = tree.write("near2", "near-copy-B");
    unique = tree.write("unique", "a unique file, of its own size");
    linked1 = tree.write("linked1", "hard linked!!!");
    linked2 = tree.path("linked2");
    HardLink(linked1, linked2);
  }

  // Of two paths, the one that comes first in candidate order.
  std::pair<std::string, std::string> InCandidateOrder(const std::string& x, const std::string& y) {
    for (const auto& path : PathsOf(Candidates(tree.root()))) {
      if (path == x) return {x, y};
      if (path == y) return {y, x};
    }
    ADD_FAILURE() << "neither path is a candidate";
    return {x, y};
  }

  TempTree tree;
  std::string copy1, copy2, near1, near2, unique, linked1, linked2;
};

TEST_F(CliTreeTest, CandidatesAreFilesSharingASizeInSizeOrderWithTheirSizes) {
  const auto rows = Candidates(tree.root());
  ASSERT_EQ(rows.size(), 6u);
  const auto listed = PathsOf(rows);
  const std::set<std::string> paths(listed.begin(), listed.end());
  EXPECT_EQ(paths, (std::set<std::string>{copy1, copy2, near1, near2, linked1, linked2}));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].size, static_cast<long long>(ReadFileBytes(rows[i].path).size()));
    if (i > 0) {
      EXPECT_LE(rows[i - 1].size, rows[i].size);
    }
  }
}

TEST_F(CliTreeTest, TickedListsOneOfTheCopiesOnlyInEitherMode) {
  const auto [earlier, later] = InCandidateOrder(copy1, copy2);

  const Result careful = RunTool({tree.root()});
  EXPECT_EQ(careful.status, 0) << careful.err;
  EXPECT_EQ(careful.out, later + "\n");
  EXPECT_EQ(careful.err, "");

  const Result fast = RunTool({"--mode", "fast", tree.root()});
  EXPECT_EQ(fast.status, 0) << fast.err;
  EXPECT_EQ(fast.out, earlier + "\n");
}

TEST_F(CliTreeTest, GroupsHoldDistinctFilesAndKeepHardLinksOfACopiedFile) {
  const auto [earlier, later] = InCandidateOrder(copy1, copy2);
  // Near-copies are no set, and two links of one file alone are not either.
  const Result before = RunTool({"--list", "groups", tree.root()});
  EXPECT_EQ(before.status, 0) << before.err;
  EXPECT_EQ(before.out, earlier + "\n" + later + "\n\n");

  // A real copy of the linked file makes a set that keeps both links.
  const std::string linked3 = tree.write("c/linked3", "hard linked!!!");
  std::vector<std::string> linkedSet;
  std::vector<std::string> copySet;
  for (const auto& path : PathsOf(Candidates(tree.root()))) {
    if (path == linked1 || path == linked2 || path == linked3) linkedSet.push_back(path);
    if (path == copy1 || path == copy2) copySet.push_back(path);
  }
  ASSERT_EQ(linkedSet.size(), 3u);
  // Sets come in the order of their first rows: the copies (13 bytes) before
  // the links (14 bytes).
  std::string expected;
  for (const auto* set : {&copySet, &linkedSet}) {
    for (const auto& path : *set) expected += path + "\n";
    expected += "\n";
  }
  for (const char* mode : {"fast", "careful"}) {
    const Result after = RunTool({"--list", "groups", "--mode", mode, tree.root()});
    EXPECT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(after.out, expected) << mode;
  }
}

TEST(CliRunTest, FastTicksTheFirstTwoOfThreeCopiesCarefulTheLastTwo) {
  TempTree tree;
  for (const char* name : {"x", "y", "z"}) tree.write(name, "three of a kind");
  const auto rows = PathsOf(Candidates(tree.root()));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(RunTool({"--mode", "fast", tree.root()}).out, rows[0] + "\n" + rows[1] + "\n");
  EXPECT_EQ(RunTool({"--mode", "careful", tree.root()}).out, rows[1] + "\n" + rows[2] + "\n");
}

// The keep options reach the ticked list (both modes) and the groups' order;
// the rules themselves are held to a reference in InvariantsTest.
TEST(CliRunTest, KeepOptionsDecideTheTickedListAndTheGroupsOrder) {
  TempTree tree;
  const std::string a1 = tree.write("a/one", "first content", 300);
  const std::string b1 = tree.write("b/one", "first content", 100);
  const std::string c1 = tree.write("c/one", "first content", 200);
  const std::string a2 = tree.write("a/two", "second content!", 100);
  const std::string c2 = tree.write("c/two", "second content!", 200);
  // Paths as listed, "//" and "/./" read as "/".
  const auto ticked = [&](Args args, const std::string& root) {
    args.push_back(root);
    const Result r = RunTool(args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::set<std::string> lines;
    for (std::string line : Split(r.out, '\n')) {
      for (const std::string doubled : {"/./", "//"}) {
        for (std::size_t at; (at = line.find(doubled)) != std::string::npos;)
          line.replace(at, doubled.size(), "/");
      }
      lines.insert(line);
    }
    return lines;
  };
  // A folder is the same however the scan or the option spells it.
  TempTree outside;
  const std::string linkToB = outside.path("b");
  ASSERT_EQ(::symlink(tree.path("b").c_str(), linkToB.c_str()), 0);
  using Set = std::set<std::string>;
  for (const std::string mode : {"fast", "careful"}) {
    for (const std::string& root : {tree.root(), tree.root() + "/", tree.root() + "/./"}) {
      EXPECT_EQ(
          ticked({"--mode", mode, "--keep-path", tree.path("b/"), "--keep-path", tree.path("a")},
                 root),
          (Set{a1, c1, c2}));
      EXPECT_EQ(ticked({"--mode", mode, "--keep-path", linkToB + "/", "--keep-path",
                        tree.root() + "//a/."},
                       root),
                (Set{a1, c1, c2}));
      EXPECT_EQ(ticked({"--mode", mode, "--keep=newest", "--keep-path", tree.path("b")}, root),
                (Set{a1, c1, a2}));
    }
    // The newest copy is in a Trash: the newest outside stays, and nothing
    // below --protect is ticked.
    TempTree other;
    const std::string trashed = other.write(".Trash-1000/files/one", "first content", 400);
    EXPECT_EQ(ticked({"--mode", mode, "--keep", "shortest-path,newest", "--protect", tree.path("c"),
                      other.root()},
                     tree.root()),
              (Set{b1, trashed, a2}));
  }
  const Result groups = RunTool({"--list", "groups", "--keep", "oldest", tree.root()});
  const auto lines = Split(groups.out, '\n');
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], b1);  // the oldest of each set first
  EXPECT_EQ(lines[4], a2);
}

TEST(CliRunTest, NulTerminatedOutputInEveryListForm) {
  TempTree tree;
  tree.write("x", "same!");
  tree.write("y", "same!");
  const auto rows = PathsOf(Candidates(tree.root()));
  ASSERT_EQ(rows.size(), 2u);
  using namespace std::string_literals;
  EXPECT_EQ(RunTool({"-0", tree.root()}).out, rows[1] + "\0"s);
  EXPECT_EQ(RunTool({"-0", "--list", "candidates", tree.root()}).out,
            "5\t" + rows[0] + "\0"s + "5\t" + rows[1] + "\0"s);
  EXPECT_EQ(RunTool({"--list", "groups", "-0", tree.root()}).out,
            rows[0] + "\0"s + rows[1] + "\0\0"s);
}

TEST(CliRunTest, NameWithANewlineSurvivesWithNul) {
  TempTree tree;
  const std::string odd = tree.write("line\nbreak", "twin content");
  const std::string plain = tree.write("plain", "twin content");
  const Result groups = RunTool({"--list", "groups", "-0", tree.root()});
  EXPECT_EQ(groups.status, 0) << groups.err;
  const auto parts = Split(groups.out, '\0');
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(std::set<std::string>(parts.begin(), parts.begin() + 2),
            (std::set<std::string>{odd, plain}));
  EXPECT_EQ(parts[2], "");

  const Result ticked = RunTool({"-0", tree.root()});
  EXPECT_EQ(ticked.out, parts[1] + std::string(1, '\0'));
}

TEST(CliRunTest, MissingFolderExitsOneWithTheWindowsWarning) {
  TempTree tree;
  const std::string missing = tree.path("gone");
  const Result r = RunTool({missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "The directory \"" + missing +
                       "\" is not exists! Please, change the path of \"Folder to Scan\".\n");
  // A file is no folder either.
  EXPECT_EQ(RunTool({tree.write("file", "x")}).status, 1);
}

TEST(CliRunTest, WalkThatReachesTheCapExitsOneWithTheWindowsWarning) {
  TempTree tree;
  for (int i = 0; i < 10; ++i) tree.write("f" + std::to_string(i), "same");
  CliEnvironment env;
  env.tableSlots = 4;
  const Result r = RunTool({"--list", "candidates", tree.root()}, env);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "Find one error while scanning. Perhaps, on your disk (or in scanned folder) more, "
            "then 500000 of files.\n");
}

TEST(CliRunTest, OutputThatCannotBeWrittenExitsOne) {
  std::FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  TempTree tree;
  tree.write("x", "same!");
  tree.write("y", "same!");
  for (const Args& args : {Args{"--list", "candidates", tree.root()}, Args{"--version"}}) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* err = ::open_memstream(&buffer, &size);
    ASSERT_NE(err, nullptr);
    EXPECT_EQ(RunCli(args, full, err), 1) << args.front();
    std::fclose(err);
    const std::string text(buffer, size);
    std::free(buffer);
    EXPECT_NE(text.find("twinscan-cli: cannot write the output: "), std::string::npos) << text;
    std::clearerr(full);
  }
  std::fclose(full);
}

// `ulimit -n 64`, and a moment with no descriptor left at all: every listing
// is that of a run without a limit, and nothing is reported unreadable.
TEST(CliRunTest, FewFileDescriptorsChangeNoListing) {
  TempTree tree;
  for (int i = 0; i < 200; ++i)
    tree.write("d" + std::to_string(i % 7) + "/copy" + std::to_string(i), "same content");
  for (int i = 0; i < 60; ++i)
    tree.write("e/near" + std::to_string(i), "near content" + std::to_string(i % 3));
  const std::vector<Args> runs = {{"--mode", "careful", tree.root()},
                                  {"--mode", "fast", tree.root()},
                                  {"--list", "groups", tree.root()}};
  std::vector<Result> unlimited;
  for (const Args& args : runs) unlimited.push_back(RunTool(args));
  EXPECT_EQ(Split(unlimited[0].out, '\n').size(), 199u + 57u);

  ScopedFileLimit few(64);
  if (!few.active()) GTEST_SKIP() << "cannot lower the limit of open files";
  for (std::size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(runs[i][0] + " " + runs[i][1]);
    const Result limited = RunTool(runs[i]);
    EXPECT_EQ(limited.status, 0) << limited.err;
    EXPECT_EQ(limited.out, unlimited[i].out);
  }

  // The walk waits for the descriptors another thread frees. The thread is
  // made before every descriptor is taken: UndefinedBehaviorSanitizer needs
  // one to check a new object's type.
  std::atomic<bool> go{false};
  std::atomic<bool> finished{false};
  Result waited;
  std::thread run([&] {
    while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    waited = RunTool(runs[0]);
    finished = true;
  });
  std::optional<DescriptorHog> hog(std::in_place);
  go = true;
  EXPECT_GT(hog->taken(), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(finished);
  hog.reset();
  run.join();
  EXPECT_EQ(waited.status, 0) << waited.err;
  EXPECT_EQ(waited.out, unlimited[0].out);
}

// A candidate that cannot be read counts as different from every other; the
// tool names it and exits 3 after writing the listing.
TEST(CliRunTest, AnUnreadableCandidateIsNamedAndExitsThree) {
  TempTree tree;
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  const std::string a = tree.write("a", "same");
  const std::string b = tree.write("b", "same");
  const std::string locked = tree.write("c", "same");
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  std::vector<Result> results;
  {
    ScopedUnprivileged nobody;
    if (!nobody.active()) GTEST_SKIP() << "cannot drop root's rights";
    for (const char* list : {"ticked", "groups", "candidates"})
      results.push_back(RunTool({"--list", list, tree.root()}));
  }
  const std::string named = "twinscan-cli: cannot read \"" + locked + "\": Permission denied\n";
  for (int i : {0, 1}) {
    EXPECT_EQ(results[i].status, 3);
    EXPECT_EQ(results[i].err, named);
  }
  // The readable copies are still found.
  const std::vector<std::string> ticked = Split(results[0].out, '\n');
  ASSERT_EQ(ticked.size(), 1u);
  EXPECT_TRUE(ticked[0] == a || ticked[0] == b) << ticked[0];
  std::vector<std::string> group = Split(results[1].out, '\n');
  std::sort(group.begin(), group.end());
  EXPECT_EQ(group, (std::vector<std::string>{"", a, b}));
  EXPECT_EQ(results[2].status, 0);  // nothing is read for the candidates
  EXPECT_EQ(results[2].err, "");
}

// A subfolder that cannot be listed is named and exits 3, the copies found
// elsewhere still listed; a FOLDER that cannot be listed exits 1.
TEST(CliRunTest, FoldersThatCannotBeListedAreNamed) {
  TempTree tree;
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  const std::string a = tree.write("a", "same");
  tree.write("b", "same");
  tree.write("locked/c", "same");
  const std::string locked = tree.path("locked");
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  Result inside;
  Result top;
  {
    ScopedUnprivileged nobody;
    if (!nobody.active()) GTEST_SKIP() << "cannot drop root's rights";
    inside = RunTool({"--list", "ticked", tree.root()});
    top = RunTool({"--list", "ticked", locked});
  }
  EXPECT_EQ(inside.status, 3);
  EXPECT_EQ(inside.err, "twinscan-cli: cannot list \"" + locked + "\": Permission denied\n");
  EXPECT_EQ(Split(inside.out, '\n').size(), 1u);
  EXPECT_EQ(top.status, 1);
  EXPECT_EQ(top.err, "twinscan-cli: cannot list \"" + locked + "\": Permission denied\n");
  EXPECT_EQ(top.out, "");
  ::chmod(locked.c_str(), 0755);
}

}  // namespace

namespace {

// The JSON text of the string `"key":"..."` in a line, escapes kept.
std::string Field(const std::string& line, const std::string& key) {
  const std::size_t at = line.find("\"" + key + "\":\"");
  if (at == std::string::npos) return {};
  std::string value;
  for (std::size_t i = at + key.size() + 4; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\') value.push_back(line[i++]);
    value.push_back(line[i]);
  }
  return value;
}

}  // namespace

TEST_F(CliTreeTest, SeveralFoldersFiltersAndJsonLines) {
  // Each folder once, in the order given, however often or nested it is named.
  const auto all = PathsOf(Candidates(tree.root()));
  const Result several =
      RunTool({"--list", "candidates", tree.path("b"), tree.root(), tree.path("b"), tree.root()});
  ASSERT_EQ(several.status, 0) << several.err;
  const auto lines = Split(several.out, '\n');
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), all.size());
  EXPECT_EQ(lines.size(), all.size());
  EXPECT_EQ(RunTool({"--list", "candidates", tree.path("nowhere"), tree.root()}).status, 1);

  // Filters: by size, by a folder's name, by a path below the folder.
  const auto [first, second] = InCandidateOrder(linked1, linked2);
  EXPECT_EQ(RunTool({"--min-size", "14", "--list", "candidates", tree.root()}).out,
            "14\t" + first + "\n14\t" + second + "\n");
  EXPECT_EQ(RunTool({"--exclude", "b", "--list", "groups", tree.root()}).out, "");
  EXPECT_EQ(
      RunTool({"--exclude", "a/copy*", "--exclude", "linked*", "--list", "groups", tree.root()})
          .out,
      "");

  // JSON lines keep a name that is not UTF-8 whole.
  const std::string odd = tree.write("b/odd\xff\xfe", "copy content\n");
  const Result json = RunTool({"--format", "json", "--list", "candidates", tree.root()});
  ASSERT_EQ(json.status, 0) << json.err;
  int found = 0;
  for (const std::string& line : Split(json.out, '\n')) {
    EXPECT_EQ(line.front(), '{');
    EXPECT_EQ(line.back(), '}');
    const std::string raw = Field(line, "path_base64");
    if (raw.empty()) continue;
    ++found;
    EXPECT_EQ(FromBase64(raw), odd);
    EXPECT_EQ(Field(line, "path"), tree.path("b/odd\\ufffd\\ufffd"));
  }
  EXPECT_EQ(found, 1);
  const Result sets = RunTool({"--format=json", "--list=groups", tree.root()});
  EXPECT_NE(sets.out.find(",\"paths_base64\":["), std::string::npos) << sets.out;
}

namespace {

// Three sets of copies, each of a size of its own, the first name of each
// kept by --keep name; between the check and the act the kept copy of the
// second set goes and the ticked file of the third
// is swapped for a new file with the same bytes. Candidate order is by size.
struct ActTree {
  ActTree() {
    keptA = tree.write("a1", "four");
    tickedA = tree.write("a2", "four");
    keptB = tree.write("b1", "fives");
    tickedB = tree.write("b2", "fives");
    keptC = tree.write("c1", "sixsix");
    tickedC = tree.write("c\xff", "sixsix");
    env.beforeAct = [this] {
      ::unlink(keptB.c_str());
      tree.write("fresh", "sixsix");
      ::rename(tree.path("fresh").c_str(), tickedC.c_str());
    };
  }
  TempTree tree;
  std::string keptA, tickedA, keptB, tickedB, keptC, tickedC;
  CliEnvironment env;
};

}  // namespace

TEST(CliActTest, TextRecordsOnePerTickedFileWithASummaryAndStatusFour) {
  for (const bool dry : {false, true}) {
    ActTree t;
    Args args = {"--keep", "name", "--delete", t.tree.root()};
    if (dry) args.insert(args.begin(), {"--dry-run", "-0"});
    const Result r = RunTool(args, t.env);
    const char end = dry ? '\0' : '\n';
    EXPECT_EQ(r.out, "delete\tdone\t" + t.tickedA + "\t" + t.keptA + end +
                         "delete\tkept-no-copy\t" + t.tickedB + "\t" + end +
                         "delete\tkept-changed\t" + t.tickedC + "\t" + end);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(PathExists(t.tickedA), dry);
    EXPECT_TRUE(PathExists(t.keptA) && PathExists(t.tickedB) && PathExists(t.tickedC));
    EXPECT_NE(r.err.find(dry ? "1 of 3 ticked files would be done, 4 bytes would be freed; 2 kept"
                             : "1 of 3 ticked files done, 4 bytes freed; 2 kept, 0 failed"),
              std::string::npos)
        << r.err;
  }
  // Nothing kept: status 0. Usage: one act, --dry-run only with one, ticked only.
  TempTree tree;
  tree.write("x1", "same");
  tree.write("x2", "same");
  const Result trash = RunTool({"--trash", "--dry-run", tree.root()});
  EXPECT_EQ(trash.status, 0) << trash.err;
  EXPECT_EQ(trash.out.rfind("trash\tdone\t", 0), 0u) << trash.out;
  for (const Args& wrong :
       {Args{"--link", "--reflink"}, Args{"--dry-run"}, Args{"--delete", "--list", "groups"}})
    EXPECT_EQ(RunTool({wrong.begin(), wrong.end()}).status, 2);
}

TEST(CliActTest, JsonRecordsCarryKeeperBytesAndRawPaths) {
  ActTree t;
  const Result r = RunTool({"--keep=name", "--format", "json", "--link", t.tree.root()}, t.env);
  EXPECT_EQ(r.status, 4) << r.err;
  const std::vector<std::string> lines = Split(r.out, '\n');
  ASSERT_EQ(lines.size(), 3u) << r.out;
  EXPECT_EQ(lines[0], "{\"action\":\"link\",\"result\":\"done\",\"path\":\"" + t.tickedA +
                          "\",\"keeper\":\"" + t.keptA + "\",\"bytes\":4,\"error\":null}");
  EXPECT_EQ(lines[1], "{\"action\":\"link\",\"result\":\"kept-no-copy\",\"path\":\"" + t.tickedB +
                          "\",\"keeper\":null,\"bytes\":0,\"error\":null}");
  EXPECT_EQ(Field(lines[2], "result"), "kept-changed");
  EXPECT_EQ(FromBase64(Field(lines[2], "path_base64")), t.tickedC);
  struct stat a {};
  struct stat b {};
  EXPECT_TRUE(::stat(t.tickedA.c_str(), &a) == 0 && ::stat(t.keptA.c_str(), &b) == 0 &&
              a.st_ino == b.st_ino);
}
