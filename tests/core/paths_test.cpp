// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every split and join by its bytes: no '/', the root, a leading '/', doubled
// and trailing '/', bytes that are no UTF-8.
TEST(PathsTest, SplitsAndJoinsByTheBytes) {
  const struct {
    std::string path;
    std::string name;
    const char* folder;
    const char* folderOrDot;
    const char* prefix;
  } splits[] = {
      {"name", "name", "", ".", ""},
      {"/", "", "/", "/", "/"},
      {"/name", "name", "/", "/", "/"},
      {"/a/b", "b", "/a", "/a", "/a/"},
      {"a/b", "b", "a", "a", "a/"},
      {"/a/", "", "/a", "/a", "/a/"},
      {"a//b", "b", "a/", "a/", "a//"},
      {"//b", "b", "/", "/", "//"},
      {"", "", "", ".", ""},
      {std::string("/d\xff/\xfe\0x", 7), std::string("\xfe\0x", 3), "/d\xff", "/d\xff", "/d\xff/"},
  };
  for (const auto& c : splits) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FileNameOf(c.path), c.name);
    EXPECT_EQ(FolderOf(c.path), c.folder);
    EXPECT_EQ(FolderOrDotOf(c.path), c.folderOrDot);
    EXPECT_EQ(FolderPrefixOf(c.path), c.prefix);
  }
  const struct {
    const char* folder;
    const char* entry;
    const char* joined;
  } joins[] = {
      {"/", "/n", "/n"},
      {"/home/u", "/home/u/n", "/home/u/n"},
      {"/home/u/", "/home/u//n", "/home/u/n"},
      {"rel", "rel/n", "rel/n"},
      {"", "/n", "/n"},
  };
  for (const auto& c : joins) {
    SCOPED_TRACE(c.folder);
    EXPECT_EQ(EntryPath(c.folder, "n"), c.entry);
    EXPECT_EQ(EntryPrefixLength(c.folder), std::string(c.entry).size() - 2);
    EXPECT_EQ(JoinPath(c.folder, "n"), c.joined);
  }
}

}  // namespace
