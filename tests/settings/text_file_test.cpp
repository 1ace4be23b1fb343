// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "settings/text_file.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "settings/build_counter.h"
#include "settings/preferences.h"
#include "support/file_faults.h"
#include "support/small_disk.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace {

TEST(ParseWholeNumberTest, AcceptsOnlyASignedDecimal32BitNumber) {
  const struct {
    std::string text;
    std::optional<std::int32_t> value;
  } cases[] = {{"0", 0},
               {"42", 42},
               {"-17", -17},
               {"+7", 7},
               {"-0", 0},
               {"007", 7},
               {"2147483647", 2147483647},
               {"-2147483648", -2147483647 - 1},
               {"2147483648", std::nullopt},
               {"-2147483649", std::nullopt},
               {"99999999999999999999999", std::nullopt},
               {"", std::nullopt},
               {"-", std::nullopt},
               {"+", std::nullopt},
               {"12x", std::nullopt},
               {" 12", std::nullopt},
               {"12 ", std::nullopt},
               {"1.0", std::nullopt},
               {"0x10", std::nullopt},
               {"--1", std::nullopt},
               {std::string("1\0", 2), std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ParseWholeNumber(c.text), c.value) << "'" << c.text << "'";
}

// A settings file or "Build.txt" far larger than any real one is an error in
// the error box, never an attempt to hold it all; the file stays as it is.
TEST(ReadRegularFileTest, AFileOverTheBoundIsAnErrorAndStays) {
  TempTree tree;
  tree.write(kBuildMarkerFileName, "");
  const std::string counter = tree.write(kBuildCounterFileName, "41");
  const std::string settings = tree.write(kPreferencesFileName, "");
  for (const std::string& file : {counter, settings})
    ASSERT_EQ(::truncate(file.c_str(), static_cast<off_t>(kMaxTextFileBytes + 1)), 0);
  const std::string tooLarge = "\": File too large";
  EXPECT_EQ(RunBuildCounter(tree.root()), "Cannot read file \"" + counter + tooLarge);
  EXPECT_EQ(ReadRegularFile(settings).error, "Cannot read file \"" + settings + tooLarge);
  EXPECT_EQ(std::filesystem::file_size(counter), kMaxTextFileBytes + 1);
}

TEST(WriteWholeFileTest, AFullDiskKeepsTheOldContent) {
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  const std::string stored = "/old\r\n0\r\n0\r\n";
  const std::string settings = disk.tree().write(kPreferencesFileName, stored);
  ASSERT_EQ(::chmod(settings.c_str(), 0640), 0);
  disk.tree().write(kBuildMarkerFileName, "");
  const std::string counter = disk.tree().write(kBuildCounterFileName, "41");
  ASSERT_TRUE(disk.fill());

  PreferencesValues values;
  values.folder = std::string(20000, 'f');
  EXPECT_EQ(WritePreferences(settings, values),
            "Cannot write file \"" + settings + "\": No space left on device");
  EXPECT_EQ(RunBuildCounter(disk.tree().root()),
            "Cannot write file \"" + counter + "\": No space left on device");
  EXPECT_EQ(ReadFileBytes(settings), stored);
  EXPECT_EQ(ReadFileBytes(counter), "41");
  // No half-written file is left beside them.
  EXPECT_EQ(disk.names(), (std::set<std::string>{kBuildCounterFileName, kBuildMarkerFileName,
                                                 "filler", kPreferencesFileName}));

  ASSERT_TRUE(disk.free());
  ASSERT_EQ(WritePreferences(settings, values), std::nullopt);
  EXPECT_TRUE(ReadFileBytes(settings).starts_with(values.folder + "\r\n0\r\n0\r\n"));
  struct stat st {};
  ASSERT_EQ(::stat(settings.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(RunBuildCounter(disk.tree().root()), std::nullopt);
  EXPECT_EQ(ReadFileBytes(counter), "42\r\n");
}

// A write that fails part of the way, or a close that reports a lost write,
// leaves the old file whole and nothing beside it; short and interrupted
// writes and reads are carried on to the end; a failed read is reported.
TEST(WriteWholeFileTest, FailedWritesAndClosesKeepTheOldFile) {
  TempTree tree;
  const std::string settings = tree.write(kPreferencesFileName, "old");
  PreferencesValues values;
  values.folder = std::string(5000, 'f');
  const auto failure = [&](const char* what, const char* reason) {
    return "Cannot " + std::string(what) + " file \"" + settings + "\": " + reason;
  };
  {
    FileFaults faults;
    faults.choppy = 1000;
    faults.writeFails = {ENOSPC, 2};
    EXPECT_EQ(WritePreferences(settings, values), failure("write", "No space left on device"));
    faults.writeFails = {};
    faults.closeFails = {EIO, 0};
    EXPECT_EQ(WritePreferences(settings, values), failure("close", "Input/output error"));
  }
  EXPECT_EQ(ReadFileBytes(settings), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.root()), {}), 1);

  FileFaults faults;
  faults.choppy = 7;
  ASSERT_EQ(WritePreferences(settings, values), std::nullopt);
  EXPECT_EQ(ReadRegularFile(settings).bytes, ReadFileBytes(settings));
  EXPECT_TRUE(ReadFileBytes(settings).starts_with(values.folder + "\r\n"));
  faults.readFails = {EIO, 1};
  EXPECT_EQ(ReadRegularFile(settings).error, failure("read", "Input/output error"));
}

TEST(WriteWholeFileTest, LinksProtectionAndClosedFoldersKeepTheOldFile) {
  TempTree tree;
  const std::string target = tree.write("target", "old");
  const std::string link = tree.symlink(target, "link");
  ASSERT_EQ(WriteWholeFile(link, "through the link", true), std::nullopt);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(target), "through the link");

  // A hard-linked file is replaced under the name written; the other name
  // keeps the old content.
  const std::string second = tree.path("second name");
  ASSERT_EQ(::link(target.c_str(), second.c_str()), 0);
  ASSERT_EQ(WriteWholeFile(second, "second only", true), std::nullopt);
  EXPECT_EQ(ReadFileBytes(second), "second only");
  EXPECT_EQ(ReadFileBytes(target), "through the link");

  // A FIFO without a reader is refused at once instead of blocking the caller.
  const std::string fifo = tree.path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(WriteWholeFile(fifo, "x", true),
            "Cannot create file \"" + fifo + "\": No such device or address");

  // In a folder everyone may write, a file open to all is replaced whole
  // (keeping its permission bits) and a write-protected file stays untouched.
  // In a folder that takes no new file, a writable file is never rewritten in
  // place: the write fails and the file keeps its content.
  ASSERT_EQ(::chmod(tree.root().c_str(), 0777), 0);
  const std::string shared = tree.write("shared", "old");
  const std::string locked = tree.write("locked", "old");
  const std::string inClosed = tree.write("closed/settings", "old");
  for (const std::string& file : {shared, inClosed}) ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(tree.path("closed").c_str(), 0555), 0);
  std::optional<std::string> sharedResult, lockedResult, closedResult;
  if (!RunUnprivileged([&] {
        sharedResult = WriteWholeFile(shared, "new", true);
        lockedResult = WriteWholeFile(locked, "new", true);
        closedResult = WriteWholeFile(inClosed, "new", true);
      })) {
    GTEST_SKIP() << "cannot take the file-system uid 65534";
  }
  EXPECT_EQ(sharedResult, std::nullopt);
  EXPECT_EQ(ReadFileBytes(shared), "new");
  struct stat after {};
  ASSERT_EQ(::stat(shared.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0666u);
  EXPECT_EQ(lockedResult, "Cannot create file \"" + locked + "\": Permission denied");
  EXPECT_EQ(ReadFileBytes(locked), "old");
  EXPECT_EQ(closedResult, "Cannot write file \"" + inClosed + "\": Permission denied");
  EXPECT_EQ(ReadFileBytes(inClosed), "old");
}

}  // namespace
