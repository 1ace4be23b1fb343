// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "scan/folder_path.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace {

TEST(FolderPathTest, WalkUpStopsAtTheNearestExistingFolder) {
  TempTree tree;
  tree.mkdir("data");
  tree.write("data/file", "x");
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {tree.path("data/old/x"), tree.path("data")},
      {tree.path("data"), tree.path("data")},
      {tree.path("data/file"), tree.path("data")},  // a file is not a folder
      {tree.path("data/old/"), tree.path("data")},
      {"/no-such-folder-twinscan/x", "/"},  // cut to nothing: the root
      {"/", "/"},
      {"relative-missing/deeper", ""},  // nothing of it exists
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WalkUpToExistingFolder(c.text), c.expected) << "text: " << c.text;
  }
}

TEST(FolderPathTest, ExistingDirectoryFollowsLinks) {
  TempTree tree;
  tree.mkdir("real");
  tree.symlink(tree.path("real"), "link");
  tree.symlink(tree.path("gone"), "dangling");
  EXPECT_TRUE(IsExistingDirectory(tree.path("real")));
  EXPECT_TRUE(IsExistingDirectory(tree.path("link")));
  EXPECT_FALSE(IsExistingDirectory(tree.path("dangling")));
  EXPECT_FALSE(IsExistingDirectory(""));
}

}  // namespace
