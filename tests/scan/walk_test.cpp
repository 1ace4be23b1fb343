// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "scan/walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "core/worker.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace {

// Records what the walk reports; hooks let a test act at a given step.
struct Recorder : WalkObserver {
  std::vector<std::string> lookIns;
  std::vector<std::pair<std::string, int>> unlistables;
  int checkpoints = 0;
  std::function<void(int)> onCheckpoint;  // gets the checkpoint's number, from 1
  std::function<void(const std::string&)> onLookIn;
  std::function<void(const std::string&, int)> onUnlistable;

  void checkpoint() override {
    ++checkpoints;
    if (onCheckpoint) onCheckpoint(checkpoints);
  }
  void lookIn(const std::string& name) override {
    lookIns.push_back(name);
    if (onLookIn) onLookIn(name);
  }
  void unlistable(const std::string& folder, int error) override {
    unlistables.emplace_back(folder, error);
    if (onUnlistable) onUnlistable(folder, error);
  }
};

// Every entry's path is its folder's joined with its name, and the folder's
// identity is what `stat` of its path gives now (the tree no longer changing).
void ExpectFoldersAsListed(const ScanTable& table) {
  for (int i = 1; i <= table.size(); ++i) {
    const int f = static_cast<int>(table.row(i).Folder);
    const std::string folder = table.folderPath(f);
    EXPECT_EQ(table.path(i), (folder == "/" ? "" : folder) + "/" + std::string(table.name(i)));
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0) << folder;
    EXPECT_EQ(table.folder(f).Identity, (FolderIdentity{st.st_dev, st.st_ino})) << folder;
  }
}

std::vector<std::string> ReaddirNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

bool IsDir(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The paths a breadth-first walk of a link-free tree yields, read with readdir
// itself; `prefix` is what children of `root` start with. Fills the bare names
// of the directories, in the order found, into `dirNames`.
std::vector<std::string> BreadthFirst(const std::string& root, const std::string& prefix,
                                      std::vector<std::string>* dirNames = nullptr) {
  std::vector<std::string> out;
  std::deque<std::pair<std::string, std::string>> queue{{root, prefix}};
  while (!queue.empty()) {
    const auto [folder, joined] = queue.front();
    queue.pop_front();
    for (const std::string& name : ReaddirNames(folder)) {
      const std::string path = joined + "/" + name;
      out.push_back(path);
      if (IsDir(path)) {
        queue.emplace_back(path, path);
        if (dirNames != nullptr) dirNames->push_back(name);
      }
    }
  }
  return out;
}

std::vector<std::string> Paths(const ScanTable& table) {
  std::vector<std::string> paths;
  for (int i = 1; i <= table.size(); ++i) paths.push_back(table.path(i));
  return paths;
}

bool HasPathUnder(const ScanTable& table, const std::string& folder) {
  for (int i = 1; i <= table.size(); ++i) {
    if (table.path(i).starts_with(folder + "/")) return true;
  }
  return false;
}

int OpenFdCount() {
  return static_cast<int>(ReaddirNames("/proc/self/fd").size());
}

// A tree with files and folders on three levels, hidden ones included.
void BuildMixedTree(const TempTree& tree) {
  tree.write("f1", "1");
  tree.write("A/a1", "a1a1");
  tree.write("f2", "22");
  tree.write("B/b1", "");
  tree.write("B/sub/deep", "deep");
  tree.mkdir("B/empty");
  tree.write(".hidden", "h");
  tree.write(".hdir/.inner", "in");
  tree.write("A/x/y/z", "z");
}

TEST(WalkTreeTest, ListsBreadthFirstInReaddirOrder) {
  TempTree tree;
  BuildMixedTree(tree);
  ScanTable table(100);
  Recorder observer;
  ASSERT_TRUE(WalkTree(tree.root(), table, observer));

  std::vector<std::string> dirNames;
  EXPECT_EQ(Paths(table), BreadthFirst(tree.root(), tree.root(), &dirNames));
  EXPECT_EQ(observer.lookIns, dirNames);
  EXPECT_EQ(observer.checkpoints, table.size());
  EXPECT_TRUE(observer.unlistables.empty());
  ExpectFoldersAsListed(table);
  EXPECT_EQ(table.folders(), 1 + static_cast<int>(dirNames.size()));

  std::set<std::string> names;
  for (int i = 1; i <= table.size(); ++i) {
    const ScanEntry& e = table.row(i);
    const std::string path = table.path(i);
    SCOPED_TRACE(path);
    names.insert(path.substr(path.rfind('/') + 1));
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_EQ(e.Walked, 1);
    EXPECT_EQ(e.IsDirectory, S_ISDIR(st.st_mode) ? 1 : 0);
    EXPECT_EQ(e.IsRegular, S_ISREG(st.st_mode) ? 1 : 0);
    EXPECT_EQ(e.Time, PackDosTime(st.st_mtim.tv_sec));
    EXPECT_NE(e.Time, 0u);
    EXPECT_EQ(e.Identity.Dev, st.st_dev);
    EXPECT_EQ(e.Identity.Ino, st.st_ino);
    if (S_ISREG(st.st_mode)) {
      EXPECT_EQ(e.Size, static_cast<std::int64_t>(ReadFileBytes(path).size()));
      EXPECT_EQ(e.Identity.Size, e.Size);
      EXPECT_EQ(e.Identity.MtimeNs, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec);
    }
  }
  for (const char* hidden : {".hidden", ".hdir", ".inner"})
    EXPECT_TRUE(names.count(hidden)) << hidden;
  EXPECT_FALSE(names.count("."));
  EXPECT_FALSE(names.count(".."));
}

TEST(WalkTreeTest, NewWalkReplacesEntriesAndBadRootKeepsThem) {
  TempTree tree;
  BuildMixedTree(tree);
  const std::string file = tree.write("only/file", "x");
  tree.mkdir("empty");
  tree.symlink(tree.path("nowhere"), "dangling");
  tree.symlink(tree.path("A"), "linkToA");

  ScanTable table(100);
  Recorder observer;
  ASSERT_TRUE(WalkTree(tree.root(), table, observer));
  const std::vector<std::string> before = Paths(table);

  const std::pair<std::string, int> bads[] = {{file, ENOTDIR},
                                              {tree.path("missing"), ENOENT},
                                              {tree.path("dangling"), ENOENT},
                                              {"", ENOENT}};
  for (const auto& bad : bads) {
    SCOPED_TRACE("root " + bad.first);
    observer.unlistables.clear();
    EXPECT_FALSE(WalkTree(bad.first, table, observer));
    EXPECT_EQ(Paths(table), before);
    EXPECT_EQ(observer.unlistables, (std::vector{bad}));
  }

  // A link to a folder is a valid root; an empty folder gives an empty table.
  ASSERT_TRUE(WalkTree(tree.path("linkToA"), table, observer));
  EXPECT_EQ(Paths(table), BreadthFirst(tree.path("A"), tree.path("linkToA")));
  ExpectFoldersAsListed(table);
  ASSERT_TRUE(WalkTree(tree.path("empty"), table, observer));
  EXPECT_EQ(table.size(), 0);
}

TEST(WalkTreeTest, JoinsChildrenOfSlashAndOfTrailingSeparator) {
  {
    SCOPED_TRACE("root /");
    ScanTable table(50);
    Recorder observer;
    EXPECT_FALSE(WalkTree("/", table, observer));  // the whole system exceeds the cap
    ASSERT_EQ(table.size(), 49);
    const std::vector<std::string> top = ReaddirNames("/");
    for (int i = 1; i <= table.size(); ++i) {
      const std::string path = table.path(i);
      EXPECT_FALSE(path.starts_with("//")) << path;
      if (static_cast<std::size_t>(i) <= top.size()) {
        EXPECT_EQ(path, "/" + top[i - 1]);
      }
    }
  }
  {
    SCOPED_TRACE("root with trailing /");
    TempTree tree;
    BuildMixedTree(tree);
    ScanTable table(100);
    Recorder observer;
    ASSERT_TRUE(WalkTree(tree.root() + "/", table, observer));
    const std::vector<std::string> expected = BreadthFirst(tree.root(), tree.root() + "/");
    EXPECT_EQ(Paths(table), expected);
    EXPECT_EQ(table.path(1).rfind(tree.root() + "//", 0), 0u);
    for (int i = 1; i <= table.size(); ++i) EXPECT_TRUE(PathExists(table.path(i)));
  }
}

// Runs `body` on a thread whose file-system uid is `uid`, so that permission
// bits hold even when the tests run as root. False when the uid cannot be taken.
bool RunWithFsUid(uid_t uid, const std::function<void()>& body) {
  bool switched = false;
  std::thread worker([&] {
    ::setfsuid(uid);
    switched = static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))) == uid;
    if (switched) body();
    ::setfsuid(0);
  });
  worker.join();
  return switched;
}

// A folder that cannot be listed is told, with its errno, and stays with
// nothing below it; a folder swapped for another before it is listed is
// recorded as the one listed.
TEST(WalkTreeTest, UnlistableFoldersAreToldAndSwappedOnesRecordedAsListed) {
  const auto checkLeftEmpty = [](const ScanTable& table, const std::string& folder) {
    int found = 0;
    for (int i = 1; i <= table.size(); ++i) {
      const ScanEntry& e = table.row(i);
      if (table.path(i) != folder) continue;
      ++found;
      EXPECT_EQ(e.IsDirectory, 1);
      EXPECT_EQ(e.Walked, 1);
    }
    EXPECT_EQ(found, 1) << folder;
    EXPECT_FALSE(HasPathUnder(table, folder)) << folder;
  };

  {
    SCOPED_TRACE("folder vanishes after it was found");
    TempTree tree;
    TempTree elsewhere;
    tree.write("gone/inside", "x");
    tree.write("kept/inside", "y");
    tree.write("swapped/inside", "z");
    elsewhere.write("other/foreign", "w");
    ScanTable table(100);
    Recorder observer;
    observer.onLookIn = [&](const std::string& name) {
      if (name == "gone") {
        ASSERT_EQ(::rename(tree.path("gone").c_str(), elsewhere.path("g").c_str()), 0);
      } else if (name == "swapped") {
        ASSERT_EQ(::rename(tree.path("swapped").c_str(), elsewhere.path("s").c_str()), 0);
        ASSERT_EQ(::rename(elsewhere.path("other").c_str(), tree.path("swapped").c_str()), 0);
      }
    };
    ASSERT_TRUE(WalkTree(tree.root(), table, observer));
    checkLeftEmpty(table, tree.path("gone"));
    EXPECT_TRUE(HasPathUnder(table, tree.path("kept")));
    EXPECT_EQ(observer.unlistables,
              (std::vector<std::pair<std::string, int>>{{tree.path("gone"), ENOENT}}));
    EXPECT_TRUE(HasPathUnder(table, tree.path("swapped")));
    ExpectFoldersAsListed(table);  // "swapped" as the one its entries came from
  }
  {
    SCOPED_TRACE("folder without permissions");
    TempTree tree;
    tree.write("locked/inside", "x");
    tree.write("open/inside", "y");
    ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tree.path("locked").c_str(), 0), 0);
    ScanTable table(100);
    Recorder observer;
    bool walked = false;
    bool denied = false;
    ScanTable lockedRoot(100);
    Recorder rootObserver;
    bool rootWalked = false;
    const auto walk = [&] {
      denied = ::opendir(tree.path("locked").c_str()) == nullptr;
      if (!denied) return;
      walked = WalkTree(tree.root(), table, observer);
      rootWalked = WalkTree(tree.path("locked"), lockedRoot, rootObserver);
    };
    if (::geteuid() == 0) {
      if (!RunWithFsUid(65534, walk)) GTEST_SKIP() << "cannot take the file-system uid 65534";
    } else {
      walk();
    }
    if (!denied) GTEST_SKIP() << "permission bits do not deny listing here";
    ASSERT_TRUE(walked);
    checkLeftEmpty(table, tree.path("locked"));
    EXPECT_TRUE(HasPathUnder(table, tree.path("open")));
    const std::vector<std::pair<std::string, int>> told = {{tree.path("locked"), EACCES}};
    EXPECT_EQ(observer.unlistables, told);
    // A root that cannot be listed: told, an empty table, the walk's result unchanged.
    EXPECT_TRUE(rootWalked && lockedRoot.size() == 0);
    EXPECT_EQ(rootObserver.unlistables, told);
  }
}

TEST(WalkTreeTest, CapKeepsOneSlotBelowCapacity) {
  constexpr int kCapacity = 10;
  struct Case {
    const char* name;
    int files;    // in the root
    int nested;   // files in root/d/e (adds two folders)
    bool result;  // of the walk
  };
  const Case cases[] = {
      {"flat, capacity - 1", kCapacity - 1, 0, true},
      {"flat, capacity", kCapacity, 0, false},
      {"flat, far beyond", 3 * kCapacity, 0, false},
      {"nested, capacity - 1", 2, kCapacity - 5, true},
      {"nested, capacity", 2, kCapacity - 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempTree tree;
    for (int i = 0; i < c.files; ++i) tree.write("f" + std::to_string(i), "");
    for (int i = 0; i < c.nested; ++i) tree.write("d/e/n" + std::to_string(i), "");
    const std::vector<std::string> all = BreadthFirst(tree.root(), tree.root());
    ScanTable table(kCapacity);
    Recorder observer;
    EXPECT_EQ(WalkTree(tree.root(), table, observer), c.result);
    ASSERT_EQ(table.size(), std::min<int>(static_cast<int>(all.size()), kCapacity - 1));
    EXPECT_EQ(Paths(table), std::vector<std::string>(all.begin(), all.begin() + table.size()));
  }
}

TEST(WalkTreeTest, LinkedFoldersAreListedOnce) {
  TempTree tree;
  TempTree outside;
  outside.write("o1", "o");
  tree.write("a/b/file", "f");
  tree.symlink(tree.root(), "a/b/up");       // to the root itself
  tree.symlink(tree.path("a"), "a/b/back");  // to an ancestor
  tree.write("x/fx", "x");
  tree.write("y/fy", "y");
  tree.symlink(tree.path("y"), "x/toY");  // x and y point at each other
  tree.symlink(tree.path("x"), "y/toX");
  tree.symlink(outside.root(), "ext1");  // two links to one outside folder
  tree.symlink(outside.root(), "ext2");

  ScanTable table(1000);
  Recorder observer;
  ASSERT_TRUE(WalkTree(tree.root(), table, observer));

  // Every entry is a different file-system object (links have inodes of their own).
  std::set<std::pair<dev_t, ino_t>> seen;
  for (int i = 1; i <= table.size(); ++i) {
    struct stat st {};
    ASSERT_EQ(::lstat(table.path(i).c_str(), &st), 0);
    EXPECT_TRUE(seen.insert({st.st_dev, st.st_ino}).second) << "twice: " << table.path(i);
    EXPECT_EQ(table.row(i).Walked, 1);
  }
  for (const char* link : {"a/b/up", "a/b/back", "x/toY", "y/toX"}) {
    SCOPED_TRACE(link);
    EXPECT_FALSE(HasPathUnder(table, tree.path(link)));
  }
  // The outside folder is reached through exactly one of its two links.
  EXPECT_NE(HasPathUnder(table, tree.path("ext1")), HasPathUnder(table, tree.path("ext2")));
  EXPECT_EQ(table.size(), 14);  // a b file up back x fx toY y fy toX ext1 ext2 o1
}

// Links to /proc (whose self/root leads back to "/"), /sys, /dev/pts and, where
// it is devtmpfs, /dev: each is recorded as a folder with its "Look in" text,
// nothing below it is listed, and a normal folder beside them still is.
TEST(WalkTreeTest, PseudoFileSystemsAreRecordedButNeverListed) {
  TempTree tree;
  tree.write("normal/file", "f");
  std::string mounts;
  {
    std::ifstream in("/proc/self/mounts");
    mounts.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> links;
  for (const char* target : {"/proc", "/sys", "/dev/pts", "/dev"}) {
    if (!IsDir(target) || ReaddirNames(target).empty()) continue;
    if (std::string(target) == "/dev" && mounts.find(" /dev devtmpfs ") == std::string::npos)
      continue;
    std::string name = target + 1;
    std::replace(name.begin(), name.end(), '/', '_');
    links.push_back(name);
    tree.symlink(target, name);
  }
  if (links.empty()) GTEST_SKIP() << "no pseudo file system mounted here";

  ScanTable table(100000);
  Recorder observer;
  ASSERT_TRUE(WalkTree(tree.root(), table, observer));
  EXPECT_EQ(table.size(), static_cast<int>(links.size()) + 2);  // the links, normal, its file
  EXPECT_TRUE(HasPathUnder(table, tree.path("normal")));
  for (const std::string& link : links) {
    SCOPED_TRACE(link);
    EXPECT_FALSE(HasPathUnder(table, tree.path(link)));
    EXPECT_NE(std::find(observer.lookIns.begin(), observer.lookIns.end(), link),
              observer.lookIns.end());
  }
  for (int i = 1; i <= table.size(); ++i) EXPECT_EQ(table.row(i).Walked, 1);

  // Started inside one, the walk lists nothing either.
  if (IsDir("/proc")) {
    EXPECT_TRUE(WalkTree("/proc", table, observer));
    EXPECT_EQ(table.size(), 0);
  }
}

TEST(WalkTreeTest, OnlyRegularFilesAreRegular) {
  TempTree tree;
  const std::string target = tree.write("target", "12345");
  tree.mkdir("dir");
  tree.symlink(target, "linkToFile");
  tree.symlink(tree.path("dir"), "linkToDir");
  tree.symlink(tree.path("missing"), "dangling");
  ASSERT_EQ(::mkfifo(tree.path("fifo").c_str(), 0600), 0);
  const std::string socketPath = tree.path("socket");
  sockaddr_un address{};
  const bool socketFits = socketPath.size() < sizeof(address.sun_path);
  if (socketFits) {
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", socketPath.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
  }

  ScanTable table(100);
  Recorder observer;
  ASSERT_TRUE(WalkTree(tree.root(), table, observer));
  const auto find = [&](const std::string& name) -> const ScanEntry* {
    for (int i = 1; i <= table.size(); ++i) {
      if (table.path(i) == tree.path(name)) return &table.row(i);
    }
    return nullptr;
  };

  struct Case {
    const char* name;
    int isRegular;
    int isDirectory;
    std::int64_t size;  // -1: not checked
  };
  const Case cases[] = {
      {"target", 1, 0, 5},    {"dir", 0, 1, -1}, {"linkToFile", 0, 0, 5}, {"linkToDir", 0, 1, -1},
      {"dangling", 0, 0, -1}, {"fifo", 0, 0, 0}, {"socket", 0, 0, -1},
  };
  for (const Case& c : cases) {
    if (std::string(c.name) == "socket" && !socketFits) continue;
    SCOPED_TRACE(c.name);
    const ScanEntry* e = find(c.name);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->IsRegular, c.isRegular);
    EXPECT_EQ(e->IsDirectory, c.isDirectory);
    if (c.size >= 0) {
      EXPECT_EQ(e->Size, c.size);
    }
  }
  // A file's identity is its own; a linked folder's is its target's.
  struct stat st {};
  ASSERT_EQ(::stat(tree.path("dir").c_str(), &st), 0);
  EXPECT_EQ(find("linkToDir")->Identity.Ino, st.st_ino);
  ASSERT_EQ(::lstat(tree.path("linkToFile").c_str(), &st), 0);
  EXPECT_EQ(find("linkToFile")->Identity.Ino, st.st_ino);
}

TEST(WalkTreeTest, SizesAreTrue64BitLengths) {
  TempTree tree;
  const std::int64_t sizes[] = {0, 1, 2147483648LL, 3221225472LL, 4294967296LL, 5368709120LL};
  for (const std::int64_t size : sizes) {
    const std::string path = tree.write("s" + std::to_string(size), "");
    if (::truncate(path.c_str(), size) != 0) GTEST_SKIP() << "no sparse file of " << size;
  }
  ScanTable table(100);
  Recorder observer;
  ASSERT_TRUE(WalkTree(tree.root(), table, observer));
  ASSERT_EQ(table.size(), 6);
  for (int i = 1; i <= table.size(); ++i) {
    const ScanEntry& e = table.row(i);
    SCOPED_TRACE(table.path(i));
    EXPECT_EQ(std::to_string(e.Size), table.path(i).substr(table.path(i).rfind("/s") + 2));
    EXPECT_EQ(e.Identity.Size, e.Size);
  }
}

TEST(WalkTreeTest, PackDosTimePacksLocalTimeAndZeroOutsideRange) {
  struct Case {
    int year, month, day, hour, minute, second;
    std::uint32_t packed;
  };
  const Case cases[] = {
      {1979, 12, 31, 23, 59, 59, 0},
      {1980, 1, 1, 0, 0, 0, 0x00210000},
      {2020, 6, 15, 13, 45, 30, 0x50CF6DAF},
      {2020, 6, 15, 13, 45, 31, 0x50CF6DAF},  // two-second resolution
      {2107, 12, 31, 23, 59, 58, 0xFF9FBF7D},
      {2108, 1, 1, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                 std::to_string(c.day) + " " + std::to_string(c.hour) + ":" +
                 std::to_string(c.minute) + ":" + std::to_string(c.second));
    struct tm local {};
    local.tm_year = c.year - 1900;
    local.tm_mon = c.month - 1;
    local.tm_mday = c.day;
    local.tm_hour = c.hour;
    local.tm_min = c.minute;
    local.tm_sec = c.second;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    EXPECT_EQ(PackDosTime(t), c.packed);
  }
}

TEST(WalkTreeTest, ErrorsInsideTheWalk) {
  TempTree tree;
  BuildMixedTree(tree);
  struct Case {
    const char* name;
    bool fromLookIn;              // else from the 5th checkpoint
    std::function<void()> raise;  // what the observer throws
    bool stops;                   // StopRun propagates; otherwise WalkTree returns false
  };
  const Case cases[] = {
      {"StopRun at a checkpoint", false, [] { throw StopRun{}; }, true},
      {"bad_alloc at a checkpoint", false, [] { throw std::bad_alloc(); }, false},
      {"runtime_error in lookIn", true, [] { throw std::runtime_error("boom"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScanTable table(100);
    Recorder observer;
    if (c.fromLookIn) {
      observer.onLookIn = [&](const std::string&) { c.raise(); };
    } else {
      observer.onCheckpoint = [&](int n) {
        if (n == 5) c.raise();
      };
    }
    const int fdsBefore = OpenFdCount();
    if (c.stops) {
      EXPECT_THROW(WalkTree(tree.root(), table, observer), StopRun);
    } else {
      EXPECT_FALSE(WalkTree(tree.root(), table, observer));
    }
    EXPECT_EQ(OpenFdCount(), fdsBefore);  // the open listing was closed
    const std::vector<std::string> all = BreadthFirst(tree.root(), tree.root());
    const int kept = c.fromLookIn ? observer.checkpoints : 4;
    ASSERT_EQ(table.size(), kept);
    EXPECT_EQ(Paths(table), std::vector<std::string>(all.begin(), all.begin() + kept));
    if (c.fromLookIn) {
      EXPECT_EQ(table.row(kept).IsDirectory, 1);
    }
  }
}

// What one walk produced: its outcome, every field of every row, and the
// observer's calls in order ("c" a checkpoint, "l name" a lookIn).
struct WalkRecord {
  std::string outcome;
  std::vector<std::string> rows;
  std::vector<std::string> calls;
};

WalkRecord RecordWalk(const std::string& root, int threads, int capacity, int stopAt) {
  ScanTable table(capacity);
  Recorder observer;
  WalkRecord record;
  observer.onCheckpoint = [&](int n) {
    record.calls.push_back("c");
    if (n == stopAt) throw StopRun{};
  };
  observer.onLookIn = [&](const std::string& name) { record.calls.push_back("l " + name); };
  observer.onUnlistable = [&](const std::string& folder, int error) {
    record.calls.push_back("u " + folder + " " + std::to_string(error));
  };
  try {
    record.outcome = WalkTree(root, table, observer, threads) ? "true" : "false";
  } catch (const StopRun&) {
    record.outcome = "stopped";
  }
  for (int i = 1; i <= table.size(); ++i) {
    const ScanEntry& e = table.row(i);
    const FileIdentity& id = e.Identity;
    const ScanFolder& in = table.folder(static_cast<int>(e.Folder));
    record.rows.push_back(table.path(i) + " " + table.folderPath(static_cast<int>(e.Folder)) + " " +
                          std::to_string(in.Identity.Dev) + ":" + std::to_string(in.Identity.Ino) +
                          " " + std::to_string(e.IsDirectory) + std::to_string(e.Walked) +
                          std::to_string(e.IsRegular) + " " + std::to_string(e.Size) + " " +
                          std::to_string(e.Time) + " " + std::to_string(id.Dev) + ":" +
                          std::to_string(id.Ino) + " " + std::to_string(id.Size) + " " +
                          std::to_string(id.MtimeNs) + " " + std::to_string(id.CtimeNs));
  }
  return record;
}

// A random tree: nested folders (some hidden, some unreadable), files of
// random sizes, links to files, to folders (cycles included) and to nowhere,
// and a chain of folders whose paths pass PATH_MAX.
void BuildRandomTree(const TempTree& tree, unsigned seed, std::vector<std::string>& locked,
                     bool longChain = true) {
  std::mt19937 random(seed);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const auto name = [&](const char* stem) {
    return (pick(6) == 0 ? "." : "") + std::string(stem) + std::to_string(random() % 100000);
  };
  std::vector<std::string> folders{""};  // below the root, each ending in '/'
  std::vector<std::string> files;
  for (int i = 0, n = 10 + pick(40); i < n; ++i) {
    folders.push_back(folders[pick(static_cast<int>(folders.size()))] + name("d") + "/");
    tree.mkdir(folders.back());
  }
  for (int i = 0, n = 20 + pick(200); i < n; ++i)
    files.push_back(tree.write(folders[pick(static_cast<int>(folders.size()))] + name("f"),
                               std::string(static_cast<std::size_t>(pick(40)), 'x')));
  for (int i = 0, n = pick(12); i < n; ++i) {
    const std::string& where = folders[pick(static_cast<int>(folders.size()))];
    const int kind = pick(3);
    const std::string target = kind == 0 ? files[pick(static_cast<int>(files.size()))]
                               : kind == 1
                                   ? tree.path(folders[pick(static_cast<int>(folders.size()))])
                                   : tree.path("nowhere");
    tree.symlink(target, where + name("l"));
  }
  if (!longChain) return;
  int dir = ::open(tree.root().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  const std::string longName(220, 'n');
  for (int level = 0; level < 20 && dir >= 0; ++level) {
    ASSERT_EQ(::mkdirat(dir, longName.c_str(), 0755), 0);
    const int next = ::openat(dir, longName.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ::close(dir);
    dir = next;
  }
  ASSERT_GE(dir, 0);
  ::close(::openat(dir, "deep", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  ::close(dir);
  for (int i = 0; i < 2; ++i)
    locked.push_back(tree.path(folders[1 + pick(static_cast<int>(folders.size()) - 1)]));
}

// Helpers that read folders ahead change nothing: on random trees, with the
// cap reached at several points and a stop at a checkpoint, the rows and the
// observer's calls equal those of the walk on one thread.
TEST(WalkTreeTest, ParallelWalkEqualsTheSequentialWalk) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TempTree tree;
    std::vector<std::string> locked;
    BuildRandomTree(tree, seed, locked);
    ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
    for (const std::string& folder : locked) ::chmod(folder.c_str(), 0);
    ScopedUnprivileged unprivileged;
    if (!unprivileged.active()) GTEST_SKIP() << "cannot drop root's rights";

    const WalkRecord all = RecordWalk(tree.root(), 1, 100000, 0);
    ASSERT_EQ(all.outcome, "true");
    // The locked folders are told as unlistable.
    EXPECT_GE(std::count_if(all.calls.begin(), all.calls.end(),
                            [](const std::string& call) { return call.starts_with("u "); }),
              1);
    const int entries = static_cast<int>(all.rows.size());
    ASSERT_GT(entries, 20);
    for (const int capacity : {2, entries / 3, entries / 2 + 1, entries, 100000}) {
      for (const int stopAt : {0, entries / 4}) {
        SCOPED_TRACE("capacity " + std::to_string(capacity) + ", stop " + std::to_string(stopAt));
        const WalkRecord one = RecordWalk(tree.root(), 1, capacity, stopAt);
        for (const int threads : {2, 4}) {
          const WalkRecord many = RecordWalk(tree.root(), threads, capacity, stopAt);
          EXPECT_EQ(many.outcome, one.outcome) << threads << " threads";
          EXPECT_EQ(many.rows, one.rows) << threads << " threads";
          EXPECT_EQ(many.calls, one.calls) << threads << " threads";
        }
      }
    }
  }
}

// A plain breadth-first walk by path: a folder is listed once by the
// identity stat gives, entries outside `scope` are left out by the same rules.
std::vector<std::string> ScopedReference(const std::string& root, const ScanScope& scope,
                                         const std::string& homeTrash) {
  struct stat home {};
  const bool hasHome = ::stat(homeTrash.c_str(), &home) == 0;
  std::vector<std::string> out;
  std::set<std::pair<dev_t, ino_t>> listed;
  std::deque<std::string> queue{root};
  while (!queue.empty()) {
    const std::string folder = queue.front();
    queue.pop_front();
    struct stat self {};
    if (::stat(folder.c_str(), &self) != 0 || !listed.insert({self.st_dev, self.st_ino}).second)
      continue;
    for (const std::string& name : ReaddirNames(folder)) {
      const std::string path = folder + "/" + name;
      struct stat st {};
      const bool dir = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      const bool vcs = name == ".git" || name == ".hg" || name == ".svn";
      const bool trash = name == ".Trash" ||
                         (name.starts_with(".Trash-") && name.size() > 7 &&
                          name.find_first_not_of("0123456789", 7) == std::string::npos) ||
                         (hasHome && st.st_dev == home.st_dev && st.st_ino == home.st_ino);
      if ((!scope.hidden && name[0] == '.') || (dir && !scope.vcsFolders && vcs) ||
          (dir && !scope.trashFolders && trash))
        continue;
      out.push_back(path);
      if (dir) queue.push_back(path);
    }
  }
  return out;
}

// Every scope, on one thread and with helpers, walks what the plain walk
// does on random trees with hidden, version-control and Trash folders (and
// files of those names), the home Trash reached through a link as well.
TEST(WalkTreeTest, ScopeLeavesOutWhatThePlainWalkLeavesOut) {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TempTree tree;
    std::vector<std::string> locked;
    BuildRandomTree(tree, seed, locked, false);
    std::mt19937 random(seed);
    for (const char* inside :
         {".git/objects/o", ".hg/store", ".svn/e", ".Trash-1000/files/f", ".Trash/1000/files/f",
          ".Trash-x/f", ".Trash-/f", "Trash/f", ".gitignore", "x/.svn"}) {
      tree.write("p" + std::to_string(random() % 1000) + "/" + inside, "x");
    }
    tree.write("q/.hg", "a file of that name");
    const std::string data = tree.mkdir("data");
    tree.write("data/Trash/files/g", "g");
    tree.symlink(tree.path("data/Trash"), "to-trash");
    ScopedEnv env("XDG_DATA_HOME", data);
    for (int bits = 0; bits < 8; ++bits) {
      const ScanScope scope{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
      SCOPED_TRACE("scope " + std::to_string(bits));
      const std::vector<std::string> expected =
          ScopedReference(tree.root(), scope, tree.path("data/Trash"));
      for (const int threads : {1, 4}) {
        ScanTable table(100000);
        Recorder observer;
        ASSERT_TRUE(WalkTrees({tree.root()}, table, observer, WalkFilter({}, scope), threads));
        EXPECT_EQ(Paths(table), expected) << threads << " threads";
      }
    }
  }
}

}  // namespace
