// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/trash.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>

#include "support/scoped_env.h"
#include "support/small_disk.h"
#include "support/temp_tree.h"

namespace {

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

// The Path of a well-formed info file, decoded to bytes; "?" otherwise.
std::string InfoPath(const std::string& info) {
  static const std::regex kInfo(
      "\\[Trash Info\\]\nPath=([^\n]*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
  const std::string text = ReadFileBytes(info);
  std::smatch m;
  if (!std::regex_match(text, m, kInfo)) return "?";
  const std::string encoded = m.str(1);
  std::string path;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    path += c == '%' ? static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16)) : c;
    if (c == '%') i += 2;
  }
  return path;
}

// HOME points into a temporary tree (XDG_DATA_HOME unset) while a test runs.
class TrashTest : public ::testing::Test {
 protected:
  TrashTest() {
    env.set("HOME", tree.mkdir("home"));
    env.unset("XDG_DATA_HOME");
  }

  // Moves `path` (as recorded now, or as `id`); every move ends within a second.
  DeleteOutcome Move(const std::string& path, std::optional<FileIdentity> id = {},
                     const FolderIdentity& folder = {}, FileIdentity* after = nullptr) {
    const FileIdentity expected = id ? *id : RegularFileIdentity(path).value_or(FileIdentity{});
    error = 0;
    const auto start = std::chrono::steady_clock::now();
    const DeleteOutcome outcome = MoveToTrashIfUnchanged(path, expected, folder, after, &error);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << path;
    return outcome;
  }
  // What `trash` holds: each file's original path (from its info file) and bytes.
  static std::map<std::string, std::string> Held(const std::string& trash) {
    std::map<std::string, std::string> held;
    for (const std::string& name : Names(trash + "/files")) {
      held[InfoPath(trash + "/info/" + name + ".trashinfo")] =
          ReadFileBytes(trash + "/files/" + name);
    }
    EXPECT_EQ(Names(trash + "/info").size(), held.size());
    return held;
  }

  TempTree tree;
  int error = 0;
  ScopedEnv env;  // HOME and XDG_DATA_HOME come back as they were
};

// Names not UTF-8, too long for an info file's name, or taken already all go,
// each with an info file naming where it was.
TEST_F(TrashTest, MovesIntoAHomeTrashItMakesWithTheNameAsBytes) {
  const std::string real = std::filesystem::canonical(tree.root());
  std::map<std::string, std::string> moved;
  const auto move = [&](const std::string& relative) {
    const std::string file = tree.write(relative, "bytes of " + relative);
    EXPECT_TRUE(Move(file) == DeleteOutcome::Deleted && !PathExists(file))
        << relative << ": " << std::strerror(error);
    moved[real + "/" + relative] = "bytes of " + relative;
  };
  for (const std::string& name : std::initializer_list<std::string>{
           "plain", "caf\xe9 \xff\x01", "100% sure", std::string(250, 'x')})
    move("a/" + name);
  for (int i = 0; i < 12; ++i) move("b" + std::to_string(i) + "/same");
  const std::string trash = tree.path("home/.local/share/Trash");
  EXPECT_EQ(Held(trash), moved);
  struct stat st {};
  ASSERT_EQ(::stat(trash.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  // XDG_DATA_HOME first; its own folder is made when missing.
  ::setenv("XDG_DATA_HOME", tree.path("data/").c_str(), 1);
  EXPECT_EQ(Move(tree.write("c/x", "x")), DeleteOutcome::Deleted);
  EXPECT_EQ(Held(tree.path("data/Trash")).count(real + "/c/x"), 1u);
  // A file in files/ without its info file is never replaced.
  tree.write("data/Trash/files/y", "stray");
  EXPECT_EQ(Move(tree.write("c/y", "y")), DeleteOutcome::Deleted);
  EXPECT_EQ(ReadFileBytes(tree.path("data/Trash/files/y")), "stray");
  EXPECT_EQ(InfoPath(tree.path("data/Trash/info/y.2.trashinfo")), real + "/c/y");
}

// A Trash that takes no file, or a home Trash that cannot be made: the call
// ends at once, the file stays, and nothing is written outside a Trash.
TEST_F(TrashTest, ATrashThatTakesNoFileFailsAtOnceAndKeepsTheFile) {
  const std::string elsewhere = tree.mkdir("elsewhere");
  const std::string cwd = tree.mkdir("cwd");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(cwd);
  const struct {
    const char* what;  // below the home folder
    bool link;         // to `elsewhere`, else a plain file
    int error;
  } cases[] = {{".local/share/Trash/info", false, ENOTDIR},
               {".local/share/Trash/files", true, ENOTDIR},
               {".local", false, ENOTDIR}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string home = "h" + std::to_string(i), broken = home + "/" + cases[i].what;
    tree.mkdir(home + "/.local/share/Trash");
    ::setenv("HOME", tree.path(home).c_str(), 1);
    std::filesystem::remove_all(tree.path(broken));
    cases[i].link ? (void)tree.symlink(elsewhere, broken) : (void)tree.write(broken, "");
    const std::string file = tree.write("src/" + std::to_string(i), "bytes");
    EXPECT_EQ(Move(file), DeleteOutcome::Failed) << cases[i].what;
    EXPECT_EQ(error, cases[i].error) << cases[i].what;
    EXPECT_EQ(ReadFileBytes(file), "bytes") << cases[i].what;
    EXPECT_TRUE(Names(tree.path(home + "/.local/share/Trash/info")).empty());
  }
  // A data home below a plain file.
  ::setenv("XDG_DATA_HOME", (tree.write("plain", "") + "/data").c_str(), 1);
  EXPECT_EQ(Move(tree.write("src/y", "y")), DeleteOutcome::Failed);
  EXPECT_EQ(error, ENOTDIR);
  // info/ without write permission: refused, or (root) taken, and said so.
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", tree.path("h-ro").c_str(), 1);
  ASSERT_EQ(::chmod(tree.mkdir("h-ro/.local/share/Trash/info").c_str(), 0555), 0);
  const std::string file = tree.write("src/z", "z");
  const DeleteOutcome outcome = Move(file);
  std::filesystem::current_path(before);
  const std::size_t held = Held(tree.path("h-ro/.local/share/Trash")).size();
  EXPECT_TRUE(outcome == DeleteOutcome::Failed ? error == EACCES && PathExists(file) && held == 0
                                               : outcome == DeleteOutcome::Deleted && held == 1);
  EXPECT_TRUE(Names(elsewhere).empty());
  EXPECT_TRUE(Names(cwd).empty());
}

// A file of another mount goes to that mount's Trash, named relative to its
// top folder; a full disk keeps the file.
TEST_F(TrashTest, AFileOfAnotherMountGoesToThatMountsTrash) {
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  const std::string uid = std::to_string(::geteuid());
  ASSERT_EQ(Move(disk.tree().write("sub/f", "f")), DeleteOutcome::Deleted);
  EXPECT_EQ(Held(disk.tree().path(".Trash-" + uid)),
            (std::map<std::string, std::string>{{"sub/f", "f"}}));
  ASSERT_EQ(::chmod(disk.tree().mkdir(".Trash").c_str(), 01777), 0);
  ASSERT_EQ(Move(disk.tree().write("g", "g")), DeleteOutcome::Deleted);
  EXPECT_EQ(Held(disk.tree().path(".Trash/" + uid)),
            (std::map<std::string, std::string>{{"g", "g"}}));
  const std::string last = disk.tree().write("h", "h");
  ASSERT_TRUE(disk.fill());
  EXPECT_EQ(Move(last), DeleteOutcome::Failed);
  EXPECT_EQ(error, ENOSPC);
  EXPECT_EQ(ReadFileBytes(last), "h");
  EXPECT_EQ(Names(disk.tree().path(".Trash/" + uid + "/info")).size(), 1u);
}

// Only the file recorded, in the folder recorded, moves.
TEST_F(TrashTest, OnlyTheRecordedFileInTheRecordedFolderMoves) {
  const std::string file = tree.write("keep/me", "bytes");
  struct stat st {};
  ASSERT_EQ(::stat(tree.path("keep").c_str(), &st), 0);
  const FolderIdentity keep{st.st_dev, st.st_ino};
  // A parent swapped for a link to a folder holding a hard link of the file.
  tree.mkdir("swap");
  ASSERT_EQ(::link(file.c_str(), tree.path("swap/me").c_str()), 0);
  ASSERT_EQ(::rename(tree.path("keep").c_str(), tree.path("kept").c_str()), 0);
  tree.symlink(tree.path("swap"), "keep");
  const FileIdentity id = *RegularFileIdentity(file);
  EXPECT_EQ(Move(file, id, keep), DeleteOutcome::Changed);
  FileIdentity other = id;
  other.MtimeNs += 1;
  EXPECT_EQ(Move(tree.path("kept/me"), other, keep), DeleteOutcome::Changed);
  EXPECT_EQ(Move(tree.path("gone"), id), DeleteOutcome::Missing);
  EXPECT_TRUE(Names(tree.path("home/.local/share/Trash/files")).empty());
  // A moved hard link tells the identity its other names have now.
  FileIdentity after;
  EXPECT_EQ(Move(tree.path("kept/me"), id, keep, &after), DeleteOutcome::Deleted);
  EXPECT_FALSE(PathExists(tree.path("kept/me")));
  EXPECT_EQ(RegularFileIdentity(tree.path("swap/me")), after);
}

}  // namespace
