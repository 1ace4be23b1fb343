// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/row_texts.h"

#include <algorithm>
#include <array>
#include <span>

std::string FormatSizeText(const std::string& digits) {
  if (digits.empty()) return {};
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  const std::size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  out.append(digits, 0, lead);
  for (std::size_t i = lead; i < digits.size(); i += 3) {
    out.push_back(' ');
    out.append(digits, i, 3);
  }
  return out;
}

std::string FileExtension(std::string_view name) {
  const auto dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

std::string IconTypeName(std::string_view fileName) {
  return "file." + FileExtension(fileName);
}

std::optional<std::string> ColumnText(const std::string& caption, std::string_view fileName,
                                      std::int64_t size, const std::string& fullPath) {
  if (caption == kColumnFileName) return std::string(fileName);
  if (caption == kColumnSize) return FormatSizeText(std::to_string(size));
  if (caption == kColumnPath) return fullPath;
  return std::nullopt;
}

ListRow MakeListRowFor(const std::vector<std::string>& captions, int imageIndex,
                       std::string_view fileName, std::int64_t size, const std::string& fullPath) {
  const std::size_t columns = std::min<std::size_t>(captions.size(), 3);
  std::optional<std::string> caption;
  if (columns >= 1) caption = ColumnText(captions[0], fileName, size, fullPath);
  std::array<std::string, 2> subItems;
  std::size_t count = 0;
  for (std::size_t c = 1; c < columns; ++c) {
    if (auto text = ColumnText(captions[c], fileName, size, fullPath))
      subItems[count++] = std::move(*text);
  }
  ListRow row(caption ? *caption : std::string(), std::span(subItems.data(), count));
  row.ImageIndex = imageIndex;
  return row;
}

std::vector<std::string> ColumnCaptions(const ResultList& list) {
  std::vector<std::string> captions;
  captions.reserve(static_cast<std::size_t>(list.columnCount()));
  for (int c = 0; c < list.columnCount(); ++c) captions.push_back(list.column(c).Caption);
  return captions;
}

ListRow MakeListRow(const ResultList& target, int imageIndex, std::string_view fileName,
                    std::int64_t size, const std::string& fullPath) {
  return MakeListRowFor(ColumnCaptions(target), imageIndex, fileName, size, fullPath);
}

bool AddListRow(ResultList& target, const ResultList& files, int imageIndex,
                std::string_view fileName, std::int64_t size, const std::string& fullPath) {
  if (files.columnCount() == 0) return false;
  target.appendRow(MakeListRow(target, imageIndex, fileName, size, fullPath));
  return true;
}
