// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lists/result_list.h"

// Gives the icon index of a file type ("file." followed by the extension).
// Implementations are thread-safe: the grouping worker calls it per row.
class IconIndexer {
 public:
  virtual ~IconIndexer() = default;
  virtual int FileTypeIconIndex(const std::string& typeName) = 0;
};

// Size digits grouped by three from the right with single spaces: "1234567"
// gives "1 234 567". Characters are counted, a minus sign included.
std::string FormatSizeText(const std::string& digits);

// The characters after the last '.' of `name`; empty without a '.'.
std::string FileExtension(std::string_view name);

// The type name whose icon a row of `fileName` shows: "file." + extension.
std::string IconTypeName(std::string_view fileName);

// The three captions of the column catalogue, compared exactly.
inline constexpr const char* kColumnFileName = "FileName";
inline constexpr const char* kColumnSize = "Size";
inline constexpr const char* kColumnPath = "Path";

// The text a row shows under the column `caption`; nothing for an unknown one.
std::optional<std::string> ColumnText(const std::string& caption, std::string_view fileName,
                                      std::int64_t size, const std::string& fullPath);

// Builds the row that a list whose column captions are `captions` shows for
// a file: icon, caption and sub-items by the first three columns, unticked.
ListRow MakeListRowFor(const std::vector<std::string>& captions, int imageIndex,
                       std::string_view fileName, std::int64_t size, const std::string& fullPath);

// The captions of the columns of `list`, in order.
std::vector<std::string> ColumnCaptions(const ResultList& list);

// Builds the row AddListRow appends to `target` (icon, caption, sub-items by
// the first three columns of `target`), unticked.
ListRow MakeListRow(const ResultList& target, int imageIndex, std::string_view fileName,
                    std::int64_t size, const std::string& fullPath);

// Appends one row to `target`, unless "Files" (`files`) has no columns, in
// which case neither list receives a row. Returns whether a row was added.
bool AddListRow(ResultList& target, const ResultList& files, int imageIndex,
                std::string_view fileName, std::int64_t size, const std::string& fullPath);

// The width every column gets when a column set is applied: the list's client
// width divided by the number of columns (rounded towards zero), minus 1.
inline int EqualColumnWidth(int clientWidth, int columns) {
  return columns > 0 ? clientWidth / columns - 1 : 0;
}
