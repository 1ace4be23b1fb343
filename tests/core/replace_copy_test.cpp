// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/replace_copy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <string>

#include "support/loop_file_system.h"
#include "support/temp_tree.h"

namespace {

enum class Act { Link, Share };
// What happens from outside between the look at both files and the act.
enum class Change { None, TargetEdited, KeeperEdited, TargetGone, KeeperSwapped, TargetLinked };
constexpr Change kChanges[] = {Change::None,       Change::TargetEdited,  Change::KeeperEdited,
                               Change::TargetGone, Change::KeeperSwapped, Change::TargetLinked};

FileIdentity IdentityOfPath(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return IdentityOf(st);
}

// Rewrites `path` in place with other bytes of its length, its times restored.
void EditKeepingTimes(const std::string& path, char byte) {
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  const int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, &byte, 1, 0), 1);
  ::close(fd);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Both acts under every change, on random contents of several sizes (a 16
// MiB step and a tail among them): a path that stays reads the bytes it had
// (or the bytes written to it from outside), no content is lost, and the
// act reports what happened.
void ActUnderChanges(const TempTree& tree, Act act, bool canShare) {
  std::mt19937 random(7);
  int round = 0;
  for (const std::size_t size : {std::size_t{1}, std::size_t{5000}, (std::size_t{16} << 20) + 77}) {
    for (const Change change : kChanges) {
      SCOPED_TRACE("size " + std::to_string(size) + ", change " +
                   std::to_string(static_cast<int>(change)));
      // A random block repeated: equal blocks within a file are still two copies.
      std::string block(4099, '\0');
      for (char& c : block) c = static_cast<char>(random());
      std::string bytes;
      while (bytes.size() < size) bytes += block;
      bytes.resize(size);
      const std::string dir = (act == Act::Link ? "link" : "share") + std::to_string(round++) + "/";
      const std::string target = tree.write(dir + "target", bytes);
      const std::string keeper = tree.write(dir + "keep/copy", bytes);
      const RecordedFile t{target, IdentityOfPath(target), ParentFolderOf(target)};
      const RecordedFile k{keeper, IdentityOfPath(keeper), ParentFolderOf(keeper)};
      std::string targetNow = bytes;
      std::string keeperNow = bytes;
      switch (change) {
        case Change::None:
          break;
        case Change::TargetEdited:
          EditKeepingTimes(target, static_cast<char>(bytes[0] ^ 1));
          targetNow[0] = static_cast<char>(bytes[0] ^ 1);
          break;
        case Change::KeeperEdited:
          EditKeepingTimes(keeper, static_cast<char>(bytes[0] ^ 1));
          keeperNow[0] = static_cast<char>(bytes[0] ^ 1);
          break;
        case Change::TargetGone:
          ASSERT_EQ(::unlink(target.c_str()), 0);
          break;
        case Change::KeeperSwapped:
          ASSERT_EQ(::rename(keeper.c_str(), (keeper + ".old").c_str()), 0);
          tree.write(dir + "keep/copy", bytes);  // the same bytes, another file
          break;
        case Change::TargetLinked:
          // A second name of the target moves its change time: it is no
          // longer the file recorded.
          ASSERT_EQ(::link(target.c_str(), (target + ".2").c_str()), 0);
          break;
      }
      int error = 0;
      FileIdentity after;
      std::uint64_t shared = 0;
      const DeleteOutcome o = act == Act::Link ? ReplaceByHardLink(t, k, &after, &error)
                                               : ShareBlocks(t, k, &shared, &after, &error);
      const bool done = change == Change::None;
      if (change == Change::TargetGone) {
        EXPECT_EQ(o, DeleteOutcome::Missing);
      } else if (!done) {
        EXPECT_EQ(o, DeleteOutcome::Changed);
      } else if (act == Act::Share && !canShare) {
        EXPECT_EQ(o, DeleteOutcome::Failed);
        EXPECT_TRUE(CannotShareBlocks(error)) << error;
      } else {
        EXPECT_EQ(o, DeleteOutcome::Deleted) << error;
        if (act == Act::Link) {
          EXPECT_TRUE(IdentityOfPath(target).sameInode(k.identity));
          EXPECT_EQ(after, IdentityOfPath(keeper));
        } else {
          EXPECT_EQ(shared, size);
          EXPECT_EQ(IdentityOfPath(target), t.identity);  // inode and times kept
        }
      }
      if (change != Change::TargetGone) {
        EXPECT_EQ(ReadFileBytes(target), targetNow);
      }
      EXPECT_EQ(ReadFileBytes(keeper), keeperNow);
      // Nothing is left behind in the target's folder but what was there.
      std::error_code ec;
      for (const auto& e : std::filesystem::directory_iterator(tree.path(dir), ec))
        EXPECT_EQ(e.path().filename().string().rfind(".twinscan-link-", 0), std::string::npos);
      std::filesystem::remove_all(tree.path(dir), ec);  // room for the next round
    }
  }
}

TEST(ReplaceCopyTest, HardLinksReplaceOnlyTheRecordedCopyOfTheRecordedKeeper) {
  TempTree tree;
  ActUnderChanges(tree, Act::Link, false);
}

TEST(ReplaceCopyTest, BlocksAreSharedOnlyWhereTheFileSystemCanAndTheBytesAreEqual) {
  TempTree tree;  // ext4 or tmpfs here: nothing is shared, nothing changes
  ActUnderChanges(tree, Act::Share, false);
  for (const char* type : {"xfs", "btrfs"}) {
    LoopFileSystem disk(type);
    if (!disk.mounted()) {
      std::printf("%s skipped: %s\n", type, disk.whyNot().c_str());
      continue;
    }
    ActUnderChanges(disk.tree(), Act::Share, true);
    ActUnderChanges(disk.tree(), Act::Link, false);
  }
}

TEST(ReplaceCopyTest, AKeeperOnAnotherFileSystemIsNoHardLink) {
  TempTree tree;
  TempTree other(MemoryFolder());
  const std::string target = tree.write("a", "same");
  const std::string keeper = other.write("b", "same");
  if (IdentityOfPath(target).Dev == IdentityOfPath(keeper).Dev) GTEST_SKIP() << "one file system";
  int error = 0;
  FileIdentity after;
  EXPECT_EQ(ReplaceByHardLink({target, IdentityOfPath(target), {}},
                              {keeper, IdentityOfPath(keeper), {}}, &after, &error),
            DeleteOutcome::Failed);
  EXPECT_EQ(error, EXDEV);
  EXPECT_EQ(ReadFileBytes(target), "same");
}

}  // namespace
