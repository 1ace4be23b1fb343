// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Hostile trees, from the walk to the delete: links, special files,
// awkward names, paths beyond PATH_MAX, rights that are missing, the cap.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "output/save_lists.h"
#include "reliability/reliability_helpers.h"
#include "scan/walk.h"
#include "session/session.h"
#include "support/cli_capture.h"
#include "support/small_disk.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace {

constexpr CheckMode kModes[] = {CheckMode::Fast, CheckMode::Careful};

const char* ModeName(CheckMode mode) {
  return mode == CheckMode::Fast ? "fast" : "careful";
}

std::vector<std::string> SplitOn(const std::string& text, const std::string& end) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(end, start)) != std::string::npos; start = at + end.size())
    parts.push_back(text.substr(start, at - start));
  EXPECT_EQ(start, text.size()) << "text does not end with its terminator";
  return parts;
}

void HardLink(const std::string& from, const std::string& to) {
  ASSERT_EQ(::link(from.c_str(), to.c_str()), 0) << to;
}

// One file reached by several names: hard links, a link to it, a folder link
// to the folder that holds one of them. No copy of it exists.
TEST(HostileTreeTest, AFileIsNeverTickedBecauseOfItself) {
  TempTree tree;
  const std::string original = tree.write("sub/original", "only one file has these bytes");
  HardLink(original, tree.path("hard1"));
  HardLink(original, tree.path("sub/hard2"));
  tree.symlink(original, "link-to-file");
  tree.symlink(tree.path("sub"), "link-to-sub");
  tree.symlink(tree.root(), "sub/link-to-root");
  tree.write("other", "a different file, same length");

  PlainRun run;
  ASSERT_TRUE(run.scan(tree.root()));
  const std::vector<std::string> paths = run.candidatePaths();
  EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()).size(), paths.size());
  // The three names of the file and the other file; links never become rows.
  EXPECT_EQ(paths.size(), 4u);
  for (const CheckMode mode : kModes) {
    SCOPED_TRACE(ModeName(mode));
    EXPECT_EQ(run.check(mode), std::vector<int>{});
    std::string out, err;
    EXPECT_EQ(RunCli({"--mode", ModeName(mode), tree.root()}, out, err), 0) << err;
    EXPECT_EQ(out, "");
    EXPECT_EQ(RunCli({"--mode", ModeName(mode), "--list", "groups", tree.root()}, out, err), 0);
    EXPECT_EQ(out, "");
  }
}

void MakeSocket(const std::string& path) {
  sockaddr_un address{};
  ASSERT_LT(path.size(), sizeof(address.sun_path));
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
}

// FIFOs, sockets and device nodes are neither rows nor read; a row whose file
// is swapped for one of them during the check is identical to nothing, and the
// check does not wait on it.
TEST(HostileTreeTest, SpecialFilesAreNeverReadAndNeverBlockTheCheck) {
  TempTree tree;
  const bool root = ::geteuid() == 0;
  ASSERT_EQ(::mkfifo(tree.path("fifo").c_str(), 0600), 0);
  MakeSocket(tree.path("sock"));
  if (root) {
    ASSERT_EQ(::mknod(tree.path("zero").c_str(), S_IFCHR | 0600, ::makedev(1, 5)), 0);
    ASSERT_EQ(::mknod(tree.path("null").c_str(), S_IFCHR | 0600, ::makedev(1, 3)), 0);
  }
  // Empty like the special files: a size they share.
  tree.write("empty1", "");
  tree.write("empty2", "");
  const std::string content(3 * 65536 + 7, 'x');
  tree.write("copy1", content);
  tree.write("copy2", content);

  struct Swap {
    const char* name;
    void (*make)(const std::string& path);
  };
  std::vector<Swap> swaps = {
      {"a FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
  };
  if (root) {
    swaps.push_back({"a device that never ends", [](const std::string& p) {
                       ASSERT_EQ(::mknod(p.c_str(), S_IFCHR | 0600, ::makedev(1, 5)), 0);
                     }});
  }
  for (const Swap& swap : swaps) {
    for (const CheckMode mode : kModes) {
      SCOPED_TRACE(testing::Message() << swap.name << ", " << ModeName(mode));
      PlainRun run;
      ASSERT_TRUE(run.scan(tree.root()));
      ASSERT_EQ(run.candidates->count(), 4);  // the empty files and the copies
      for (int r = 1; r <= 4; ++r) {
        const std::string& path = run.candidates->row(r).FullPath;
        EXPECT_TRUE(path.ends_with("/empty1") || path.ends_with("/empty2") ||
                    path.ends_with("/copy1") || path.ends_with("/copy2"))
            << path;
      }
      // Row 4 (a copy) becomes the special file once its band is being read.
      const std::string swapped = run.candidates->row(4).FullPath;
      const std::string kept = ReadAnyPath(swapped);
      int calls = 0;
      const std::vector<int> ticks = run.check(mode, [&] {
        if (++calls == 7) {
          ASSERT_EQ(::unlink(swapped.c_str()), 0);
          swap.make(swapped);
        }
      });
      EXPECT_GT(calls, 7);
      // Only the empty files remain a pair.
      EXPECT_EQ(ticks, std::vector<int>{mode == CheckMode::Fast ? 1 : 2});
      ASSERT_EQ(::unlink(swapped.c_str()), 0);
      tree.write(swapped.substr(tree.root().size() + 1), kept);
    }
  }
}

// Awkward bytes in names and a path far beyond PATH_MAX: found, compared,
// saved and deleted with their bytes intact.
TEST(HostileTreeTest, AwkwardNamesAndLongPathsRoundTrip) {
  TempTree tree;
  const std::vector<std::string> names = {"new\nline", "tab\there", "-leading-dash",
                                          "not-utf8-\xff\xfe\xc3", "--"};
  std::vector<std::string> originals;
  std::vector<std::string> copies;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string content(10 + i, static_cast<char>('a' + i));
    originals.push_back(tree.write(names[i], content));
    copies.push_back(tree.write("copies/" + names[i], content));
  }
  // Twenty folders of 220 bytes: over 4,400 bytes of path, copies inside and
  // outside, and a pair that lives only down there.
  const std::string deep = MakeDeepFolder(tree.root(), std::string(219, 'd') + "\xff", 20,
                                          {{"deep-copy", std::string(40, 'D')},
                                           {"deep-1", std::string(41, 'E')},
                                           {"deep-\n2", std::string(41, 'E')}});
  ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
  originals.push_back(tree.write("shallow-copy", std::string(40, 'D')));
  copies.push_back(deep + "/deep-copy");
  originals.push_back(deep + "/deep-1");
  copies.push_back(deep + "/deep-\n2");

  PlainRun run;
  ASSERT_TRUE(run.scan(tree.root()));
  const std::vector<std::string> found = run.candidatePaths();
  std::set<std::string> expected(originals.begin(), originals.end());
  expected.insert(copies.begin(), copies.end());
  EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), expected);

  // Saved: one line per row, the raw bytes.
  const std::string saved = tree.path("saved.txt");
  ASSERT_EQ(SaveCandidateList(saved, *run.candidates, SavedField::FullPath), std::nullopt);
  EXPECT_EQ(SplitOn(ReadFileBytes(saved), "\r\n"), found);
  ASSERT_EQ(::unlink(saved.c_str()), 0);

  // The tool compares them too: every pair is a set.
  std::string out, err;
  ASSERT_EQ(RunCli({"-0", "--list", "groups", tree.root()}, out, err), 0) << err;
  const std::vector<std::string> listed = SplitOn(out, std::string(1, '\0'));
  EXPECT_EQ(listed.size(), 3 * originals.size());
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()).size(), expected.size() + 1);

  for (const CheckMode mode : kModes) {
    SCOPED_TRACE(ModeName(mode));
    const std::vector<int> ticks = run.check(mode);
    EXPECT_EQ(ticks.size(), originals.size());
  }

  // Deleted: exactly the ticked files (careful mode's) and nothing else.
  const auto before = ListTree(tree.root());
  const std::vector<std::string> deleted = run.deleteChecked();
  ASSERT_EQ(deleted.size(), originals.size());
  auto after = before;
  for (const std::string& path : deleted) {
    EXPECT_EQ(after.erase(path), 1u) << path;
  }
  EXPECT_EQ(ListTree(tree.root()), after);
  for (std::size_t i = 0; i < originals.size(); ++i) {
    EXPECT_EQ(after.count(originals[i]) + after.count(copies[i]), 1u) << originals[i];
  }
}

// Without the rights to list a folder or read a file: the folder adds
// nothing, the file is identical to nothing, the rest of the run goes on.
TEST(HostileTreeTest, WhatCannotBeListedOrReadIsLeftOut) {
  TempTree tree;
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  const std::string secretBytes = "shared by a secret file and an open one";
  const std::string secret = tree.write("secret", secretBytes);
  tree.write("open", secretBytes);
  tree.write("locked/hidden1", secretBytes);
  tree.write("locked/hidden2", "two copies in a folder nobody may list!");
  tree.write("locked/hidden3", "two copies in a folder nobody may list!");
  tree.write("pub1", "a readable pair");
  tree.write("pub2", "a readable pair");
  ASSERT_EQ(::chmod(secret.c_str(), 0), 0);
  ASSERT_EQ(::chmod(tree.path("locked").c_str(), 0), 0);

  for (const CheckMode mode : kModes) {
    SCOPED_TRACE(ModeName(mode));
    PlainRun run;
    std::vector<int> ticks;
    {
      ScopedUnprivileged unprivileged;
      if (!unprivileged.active()) GTEST_SKIP() << "cannot drop root's rights";
      if (::faccessat(AT_FDCWD, secret.c_str(), R_OK, AT_EACCESS) == 0)
        GTEST_SKIP() << "permission bits do not apply";
      ASSERT_TRUE(run.scan(tree.root()));
      ticks = run.check(mode);
    }
    const std::vector<std::string> paths = run.candidatePaths();
    ASSERT_EQ(paths.size(), 4u);
    for (const std::string& p : paths) EXPECT_FALSE(p.starts_with(tree.path("locked/"))) << p;
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_TRUE(run.candidates->row(ticks[0]).FullPath.starts_with(tree.path("pub")));
  }
}

// 499,999 entries fill the walk's table; one more is the cap: the walk fails,
// 499,999 entries stay, and the run ends with the warning about the limit.
TEST(HostileTreeTest, TheCapIsHalfAMillionEntriesLessOne) {
  TempTree tree;
  const int dir = ::open(tree.root().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(dir, 0);
  const auto create = [&](int i) {
    const std::string name = std::to_string(i);
    const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
    return fd >= 0;
  };
  constexpr int kFit = kTableSlots - 1;
  for (int i = 0; i < kFit; ++i) ASSERT_TRUE(create(i)) << i;

  struct Quiet final : WalkObserver {};
  Quiet quiet;
  auto table = std::make_unique<ScanTable>();
  EXPECT_TRUE(WalkTree(tree.root(), *table, quiet));
  EXPECT_EQ(table->size(), kFit);
  std::set<std::string> names;
  for (int i = 1; i <= table->size(); ++i) names.insert(table->path(i));
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kFit));

  ASSERT_TRUE(create(kFit));
  ::close(dir);
  EXPECT_FALSE(WalkTree(tree.root(), *table, quiet));
  EXPECT_EQ(table->size(), kFit);
  // twinscan-cli keeps no cap: the walk of all 500,000 entries succeeds
  // (the empty files are left out by size, which keeps the run short).
  std::string out, err;
  EXPECT_EQ(RunCli({"--min-size", "1", "--list", "candidates", tree.root()}, out, err), 0) << err;
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "");
}

}  // namespace

namespace {

// An overlay over a folder of the tree shows its files again on another
// device, of the same inode number (or, with "xino", the number with the
// layer in its top bits): never a copy of itself, so never ticked for it nor
// its staying copy (the content would be gone once the overlay is unmounted).
TEST(HostileTreeTest, AFileSeenThroughAnOverlayIsNoCopyOfItself) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting an overlay needs root";
  for (const std::string options : {"", ",xino=off", ",xino=on"}) {
    SCOPED_TRACE(options);
    TempTree tree;
    SmallDisk otherDisk;
    TempTree sameDisk;
    if (!options.empty() && !otherDisk.mounted()) GTEST_SKIP() << otherDisk.whyNot();
    const TempTree& layers = options.empty() ? sameDisk : otherDisk.tree();
    const std::string file = tree.write("lower/x", "one file, seen twice");
    const std::string merged = tree.mkdir("merged");
    const std::string data = "lowerdir=" + tree.path("lower") + ",upperdir=" + layers.mkdir("u") +
                             ",workdir=" + layers.mkdir("w") + options;
    if (::mount("overlay", merged.c_str(), "overlay", 0, data.c_str()) != 0)
      GTEST_SKIP() << "cannot mount an overlay: " << std::strerror(errno);
    const struct Unmount {
      std::string at;
      ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{merged};

    PlainRun run;
    ASSERT_TRUE(run.scan(tree.root()));
    const std::vector<std::string> paths = run.candidatePaths();
    ASSERT_EQ(paths.size(), 2u);
    for (const CheckMode mode : kModes) EXPECT_EQ(run.check(mode), std::vector<int>{});
    run.session().filesList().setChecked(paths[0] == file ? 0 : 1, true);
    run.deleteChecked();
    EXPECT_EQ(run.lastDelete, std::vector<DeleteResult>{DeleteResult::NoCopy});
    EXPECT_TRUE(PathExists(file));
  }
}

}  // namespace
