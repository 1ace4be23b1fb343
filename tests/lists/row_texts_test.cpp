// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/row_texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/human_size.h"
#include "lists/list_helpers.h"

namespace {

TEST(RowTextsTest, FormatSizeTextGroupsCharactersByThree) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"0", "0"},
               {"999", "999"},
               {"1000", "1 000"},
               {"123456", "123 456"},
               {"1234567", "1 234 567"},
               {"-1234", "-1 234"},
               {"-123", "- 123"},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(FormatSizeText(c.in), c.out) << c.in;
}

// Sizes for people: a value that rounds up to 1024 of a unit takes the next.
TEST(RowTextsTest, HumanSizesRoundIntoTheirUnit) {
  EXPECT_EQ(HumanSize(1023), "1023 bytes");
  EXPECT_EQ(HumanSize(1536), "1.5 KiB");
  EXPECT_EQ(HumanSize(10239), "10 KiB");
  EXPECT_EQ(HumanSize(1048575), "1.0 MiB");
  EXPECT_EQ(BytesWithHumanSize(148772721), "148,772,721 bytes (142 MiB)");
  EXPECT_EQ(BytesWithHumanSize(1), "1 byte");
}

TEST(RowTextsTest, ExtensionAndIconTypeName) {
  const struct {
    const char* name;
    const char* extension;
  } cases[] = {{"report.txt", "txt"}, {"a.tar.gz", "gz"}, {"name.", ""},
               {".bashrc", "bashrc"}, {"README", ""},     {"Archive.TAR.GZ", "GZ"}};
  for (const auto& c : cases) {
    EXPECT_EQ(FileExtension(c.name), c.extension) << c.name;
    EXPECT_EQ(IconTypeName(c.name), std::string("file.") + c.extension) << c.name;
  }
}

TEST(RowTextsTest, AddListRowFillsTextsByColumnCaptions) {
  const std::string path = "/data/photos/img.jpg";
  const struct {
    std::vector<const char*> columns;
    std::int64_t size;
    std::string caption;
    std::vector<std::string> subItems;
  } cases[] = {
      {{"Path", "FileName"}, 10, path, {"img.jpg"}},
      {{"Size"}, 1000, "1 000", {}},
      {{"Size"}, 0, "0", {}},
      {{"Size"}, 4294967296, "4 294 967 296", {}},
      // An unknown caption shows nothing; later texts move one column left.
      {{"Other", "Junk", "Path"}, 1, "", {path}},
      {{"size", "FileName"}, 1, "", {"img.jpg"}},
      // Only the first three columns receive texts.
      {{"FileName", "Size", "Path", "Path"}, 1234, "img.jpg", {"1 234", path}},
  };
  for (const auto& c : cases) {
    ResultList files;
    for (const char* caption : c.columns) files.addColumn(caption);
    ASSERT_TRUE(AddListRow(files, files, 7, "img.jpg", c.size, path));
    ASSERT_EQ(files.rowCount(), 1);
    const ListRow& row = files.row(0);
    EXPECT_EQ(row.ImageIndex, 7);
    EXPECT_FALSE(row.Checked);
    EXPECT_EQ(row.caption(), c.caption) << c.columns.front();
    EXPECT_EQ(row.subItems(), c.subItems) << c.columns.front();
  }
}

TEST(RowTextsTest, NoColumnsInFilesAddsNoRowToEitherList) {
  ResultList files;
  ResultList deleteList;
  AddColumns(deleteList, {"FileName"});
  EXPECT_FALSE(AddListRow(deleteList, files, 0, "a", 1, "/a"));
  EXPECT_FALSE(AddListRow(files, files, 0, "a", 1, "/a"));
  EXPECT_EQ(deleteList.rowCount(), 0);
  EXPECT_EQ(files.rowCount(), 0);

  // The delete list's own columns decide its texts once "Files" has columns.
  files.addColumn("Size");
  EXPECT_TRUE(AddListRow(deleteList, files, 0, "a", 1, "/a"));
  EXPECT_EQ(deleteList.row(0).caption(), "a");
}

}  // namespace
