// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/path_at.h"

#include "core/file_identity.h"
#include "core/stacked_file_systems.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>

#include "support/temp_tree.h"

namespace {

// `levels` folders of 200-byte names below `base`; returns the deepest's path.
std::string Nest(const std::string& base, int levels) {
  std::string path = base;
  const std::string name(200, 'n');
  int dir = ::open(base.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < levels; ++i) {
    EXPECT_EQ(::mkdirat(dir, name.c_str(), 0755), 0);
    const int next = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ::close(dir);
    dir = next;
    path += "/" + name;
  }
  ::close(dir);
  return path;
}

ino_t InodeOf(const std::string& path, int flags = 0) {
  struct stat st {};
  return StatPath(path, st, flags) == 0 ? st.st_ino : 0;
}

TEST(PathAtTest, ShortPathsAreUsedAsTheyAre) {
  const std::string path = "relative/name";
  const PathAt at(path);
  EXPECT_TRUE(at.valid());
  EXPECT_EQ(at.dir(), AT_FDCWD);
  EXPECT_EQ(at.name(), path.c_str());
  const std::string empty;
  EXPECT_STREQ(PathAt(empty).name(), "");
}

// Beyond PATH_MAX: the same file as a short route to it reaches, however the
// pieces fall on doubled slashes, links and "..".
TEST(PathAtTest, LongPathsReachTheSameFiles) {
  TempTree tree;
  const std::string deep = Nest(tree.root(), 24);  // about 4,800 bytes
  ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
  const int deepFd = OpenPath(deep, O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(deepFd, 0);
  const int file = ::openat(deepFd, "file", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(file, 0);
  ASSERT_EQ(::write(file, "bytes", 5), 5);
  ::close(file);
  ASSERT_EQ(::symlinkat(tree.root().c_str(), deepFd, "to-root"), 0);
  ASSERT_EQ(::symlinkat("file", deepFd, "to-file"), 0);
  struct stat seen {};
  ASSERT_EQ(::fstatat(deepFd, "file", &seen, 0), 0);
  ::close(deepFd);

  std::string doubled = deep;
  for (std::size_t at = 0; (at = doubled.find('/', at + 2)) != std::string::npos;)
    doubled.insert(at, "/");
  const std::string up = deep + "/" + std::string(200, 'n') + "/..";  // missing, then up
  struct Case {
    const char* name;
    std::string path;
    int flags;
    ino_t inode;
  };
  const Case cases[] = {
      {"plain", deep + "/file", 0, seen.st_ino},
      {"doubled slashes", doubled + "//file", 0, seen.st_ino},
      {"through a link to the root", deep + "/to-root" + deep.substr(tree.root().size()) + "/file",
       0, seen.st_ino},
      {"link followed", deep + "/to-file", 0, seen.st_ino},
      {"link not followed", deep + "/to-file", AT_SYMLINK_NOFOLLOW, 0},  // the link's own inode
      {"through a missing folder", up + "/file", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.flags == AT_SYMLINK_NOFOLLOW) {
      const ino_t own = InodeOf(c.path, c.flags);
      EXPECT_NE(own, 0u);
      EXPECT_NE(own, seen.st_ino);
    } else {
      EXPECT_EQ(InodeOf(c.path, c.flags), c.inode);
    }
  }
  const int fd = OpenPath(deep + "/file", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  char buffer[8] = {};
  EXPECT_EQ(::read(fd, buffer, sizeof buffer), 5);
  ::close(fd);

  // A single name longer than PATH_MAX cannot exist.
  errno = 0;
  const PathAt tooLong(std::string(PATH_MAX + 10, 'x'));
  EXPECT_FALSE(tooLong.valid());
  EXPECT_EQ(errno, ENAMETOOLONG);
}

}  // namespace

namespace {

// A thread that keeps swapping folder `real` and a link to `victim`, each
// swap one atomic exchange of the two names.
class FolderSwapper {
 public:
  FolderSwapper(std::string real, const std::string& victim)
      : real_(std::move(real)), link_(real_ + ".link") {
    if (::symlink(victim.c_str(), link_.c_str()) != 0) ADD_FAILURE() << "no link";
    thread_ = std::thread([this] { run(); });
  }
  ~FolderSwapper() {
    stop_ = true;
    thread_.join();
  }

 private:
  void run() {
    int swaps = 0;
    while (!stop_) {
      if (::renameat2(AT_FDCWD, real_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE) == 0)
        ++swaps;
    }
    // Leave the folder under its own name.
    if (swaps % 2 == 1)
      ::renameat2(AT_FDCWD, real_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE);
  }
  std::string real_;
  std::string link_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

// The identity check and the unlink go through one folder descriptor: a
// parent swapped for a link in between never redirects the unlink into the
// folder the link points to.
TEST(DeleteIfUnchangedTest, AParentSwappedForALinkNeverRedirectsTheUnlink) {
  TempTree tree;
  const std::string real = tree.mkdir("real");
  const std::string victim = tree.mkdir("victim");
  const int realDir = ::open(real.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  const int victimDir = ::open(victim.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(realDir, 0);
  ASSERT_GE(victimDir, 0);
  const auto make = [](int dir, const std::string& name) {
    const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
  };
  int deleted = 0;
  {
    FolderSwapper swapper(real, victim);
    for (int round = 0; round < 40; ++round) {
      for (int i = 0; i < 100; ++i) {
        const std::string name = "x" + std::to_string(i);
        make(victimDir, name);
        make(realDir, name);
        struct stat st {};
        ASSERT_EQ(::fstatat(realDir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW), 0);
        // A miss (the folder was away) is fine; removing a victim is not.
        if (DeleteIfUnchanged(real + "/" + name, IdentityOf(st)) == DeleteOutcome::Deleted)
          ++deleted;
      }
      for (int i = 0; i < 100; ++i) {
        struct stat st {};
        ASSERT_EQ(::fstatat(victimDir, ("x" + std::to_string(i)).c_str(), &st, 0), 0)
            << "a file in the linked folder was removed, round " << round;
      }
    }
  }
  ::close(realDir);
  ::close(victimDir);
  EXPECT_GT(deleted, 200);
}

// The mount table read for stacked file systems: the device of each line and
// the type after its separator, however many optional fields come before.
// A device no mount names may be an overlay layer's: it counts as stacked.
TEST(StackedFileSystemsTest, TheMountTableTellsWhichDevicesMayShowAnothersFiles) {
  const std::string table =
      "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
      "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "47 27 0:40 / /tmp/m rw shared:5 master:2 - overlay overlay rw,lowerdir=/a - b\n"
      "48 27 0:41 / /srv/pool rw - fuse.mergerfs pool rw\n"
      "49 27 0:41 / /srv/again rw - ext4 /dev/vdb rw\n"
      "50 27 0:42 /sub /home/secret rw - ecryptfs /home/.secret rw\n"
      "no fields to speak of\n"
      "51 27 x:y / /bad rw - overlay overlay rw";
  const std::unordered_map<std::uint64_t, bool> expected = {{makedev(0, 21), false},
                                                            {makedev(254, 0), false},
                                                            {makedev(0, 40), true},
                                                            {makedev(0, 41), true},
                                                            {makedev(0, 42), true}};
  EXPECT_EQ(DevicesInMountTable(table), expected);

  struct stat proc {};
  struct stat sys {};
  if (::stat("/proc", &proc) != 0 || ::stat("/sys", &sys) != 0 || proc.st_dev == sys.st_dev)
    GTEST_SKIP() << "no /proc and /sys to try the mount table of this process on";
  const std::uint64_t unnamed = makedev(4095, 1048575);
  EXPECT_FALSE(MayBeStacked(proc.st_dev));
  EXPECT_TRUE(MayBeStacked(unnamed));
  const FileIdentity file{proc.st_dev, 7};
  EXPECT_FALSE(file.sameFile({sys.st_dev, 7}));
  EXPECT_TRUE(file.sameFile({unnamed, 7}));
  EXPECT_TRUE(file.sameFile({unnamed, 7 | std::uint64_t{1} << 63}));  // overlay's "xino"
  EXPECT_FALSE(file.sameFile({unnamed, 8}));
}
