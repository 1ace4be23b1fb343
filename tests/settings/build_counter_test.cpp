// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "settings/build_counter.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace {

class BuildCounterTest : public ::testing::Test {
 protected:
  std::string counter() const { return tree.path(kBuildCounterFileName); }
  TempTree tree;
};

TEST_F(BuildCounterTest, MarkerAddsOneToTheFirstNumber) {
  const struct {
    std::string before;
    std::string after;
  } cases[] = {{"41", "42\r\n"},     {"41\r\n", "42\r\n"},
               {"  7\r\n", "8\r\n"}, {"\r\n\t 12 and more\r\nsecond line\r\n", "13\r\n"},
               {"-1", "0\r\n"},      {"-5\r\n", "-4\r\n"}};
  tree.write(kBuildMarkerFileName, "");
  for (const auto& c : cases) {
    tree.write(kBuildCounterFileName, c.before);
    EXPECT_EQ(RunBuildCounter(tree.root()), std::nullopt) << c.before;
    EXPECT_EQ(ReadFileBytes(counter()), c.after) << c.before;
  }
}

TEST_F(BuildCounterTest, NothingHappensWithoutTheMarkerOrTheCounter) {
  tree.write(kBuildCounterFileName, "41");
  EXPECT_EQ(RunBuildCounter(tree.root()), std::nullopt);
  tree.mkdir(kBuildMarkerFileName);  // a folder is no marker
  EXPECT_EQ(RunBuildCounter(tree.root()), std::nullopt);
  EXPECT_EQ(ReadFileBytes(counter()), "41");

  TempTree other;
  other.write(kBuildMarkerFileName, "on");
  EXPECT_EQ(RunBuildCounter(other.root()), std::nullopt);
  EXPECT_FALSE(PathExists(other.path(kBuildCounterFileName)));
}

TEST_F(BuildCounterTest, ACounterThatIsNoNumberIsReportedAndKept) {
  const struct {
    std::string content;
    std::string error;
  } cases[] = {{"", "'' is not a valid integer value"},
               {" \r\n", "'' is not a valid integer value"},
               {"abc", "'abc' is not a valid integer value"},
               {"12abc 3", "'12abc' is not a valid integer value"},
               {"99999999999\r\n", "'99999999999' is not a valid integer value"},
               {"2147483647", "Build number 2147483647 cannot be increased"}};
  tree.write(kBuildMarkerFileName, "");
  for (const auto& c : cases) {
    tree.write(kBuildCounterFileName, c.content);
    EXPECT_EQ(RunBuildCounter(tree.root()), c.error) << c.content;
    EXPECT_EQ(ReadFileBytes(counter()), c.content);
  }
}

TEST_F(BuildCounterTest, ReadAndWriteFailuresAreReported) {
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  tree.write(kBuildMarkerFileName, "");
  tree.write(kBuildCounterFileName, "41");
  std::optional<std::string> unreadable;
  std::optional<std::string> readOnly;
  ASSERT_EQ(::chmod(counter().c_str(), 0), 0);
  if (!RunUnprivileged([&] { unreadable = RunBuildCounter(tree.root()); })) {
    GTEST_SKIP() << "cannot take the file-system uid 65534";
  }
  ASSERT_EQ(::chmod(counter().c_str(), 0444), 0);
  RunUnprivileged([&] { readOnly = RunBuildCounter(tree.root()); });
  const std::string denied = "Cannot open file \"" + counter() + "\": Permission denied";
  EXPECT_EQ(unreadable, denied);
  EXPECT_EQ(readOnly, denied);
  EXPECT_EQ(ReadFileBytes(counter()), "41");
}

}  // namespace
