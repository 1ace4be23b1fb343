// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "settings/preferences.h"

#include <string_view>

#include "settings/text_file.h"

std::string PreferencesFilePath(const std::string& startDirectory) {
  return JoinPath(startDirectory, kPreferencesFileName);
}

namespace {

constexpr char kEndOfText = '\x1a';  // Ctrl-Z

// Hands out the lines of the file's text one by one; past the end every line
// is empty, so a loop that reads lines always ends at the end of the text.
class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : text_(bytes.substr(0, bytes.find(kEndOfText))) {}

  std::string_view next() {
    if (pos_ >= text_.size()) return {};
    const std::size_t start = pos_;
    const std::size_t cr = text_.find('\r', start);
    if (cr == std::string_view::npos) {
      pos_ = text_.size();
      return text_.substr(start);
    }
    pos_ = cr + 1;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    return text_.substr(start, cr - start);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

struct Reading {
  LineReader lines;
  PreferencesReadResult& result;

  // The next line as a whole number; records the error when it is none.
  std::optional<std::int32_t> number() {
    const std::string_view line = lines.next();
    const auto value = ParseWholeNumber(line);
    if (!value) result.error = NotAnIntegerText(line);
    return value;
  }
};

struct ListCalls {
  void (PreferencesTarget::*addColumn)(const std::string&);
  void (PreferencesTarget::*setWidth)(int);
  void (PreferencesTarget::*fillAvailable)(const std::vector<std::string>&);
};

// The count, the columns and the available captions of one list. False when
// reading stopped at a malformed number.
bool ReadColumns(Reading& reading, PreferencesTarget& target, const ListCalls& calls) {
  const auto count = reading.number();
  if (!count) return false;
  static const char* const kCatalogue[] = {"FileName", "Size", "Path"};
  bool shown[3] = {false, false, false};
  // Each pass consumes two lines; past the end of the text the width line is
  // empty, so a count larger than the file ends at the first column past it.
  for (std::int32_t k = 0; k < *count; ++k) {
    const std::string caption(reading.lines.next());
    for (int c = 0; c < 3; ++c) shown[c] = shown[c] || caption == kCatalogue[c];
    (target.*calls.addColumn)(caption);
    const auto width = reading.number();
    if (!width) return false;
    (target.*calls.setWidth)(*width);
  }
  std::vector<std::string> missing;
  for (int c = 0; c < 3; ++c) {
    if (!shown[c]) missing.emplace_back(kCatalogue[c]);
  }
  (target.*calls.fillAvailable)(missing);
  return true;
}

// The part of a text value that a reader gets back from its line.
std::string_view AsLine(const std::string& text) {
  const std::size_t end = text.find_first_of(std::string_view("\r\x1a", 2));
  return std::string_view(text).substr(0, end);
}

void AppendLine(std::string& out, std::string_view text) {
  out += text;
  out += "\r\n";
}

}  // namespace

PreferencesReadResult ReadPreferences(const std::string& path, PreferencesTarget& target) {
  PreferencesReadResult result;
  RegularFileBytes file = ReadRegularFile(path);
  result.found = file.found;
  if (!file.found || file.error) {
    result.error = std::move(file.error);
    return result;
  }
  Reading reading{LineReader(file.bytes), result};

  target.setFolder(std::string(reading.lines.next()));
  if (!ReadColumns(reading, target,
                   {&PreferencesTarget::addFilesColumn, &PreferencesTarget::setFilesColumnWidth,
                    &PreferencesTarget::fillFilesAvailable}))
    return result;
  if (!ReadColumns(reading, target,
                   {&PreferencesTarget::addDeleteColumn, &PreferencesTarget::setDeleteColumnWidth,
                    &PreferencesTarget::fillDeleteAvailable}))
    return result;
  for (int which = kFirstGroupColor; which <= kFontColor; ++which) {
    const auto color = reading.number();
    if (!color) return result;
    target.setColor(which, static_cast<std::uint32_t>(*color));
  }
  const auto doubleClick = reading.number();
  if (!doubleClick) return result;
  target.setDoubleClickChoice(*doubleClick);
  const auto checkMode = reading.number();
  if (!checkMode) return result;
  target.setCheckModeChoice(*checkMode);
  // The extra line is never an error: a reader of the described lines ignores it.
  target.setMoveToTrash(reading.lines.next() == "1");
  return result;
}

std::optional<std::string> WritePreferences(const std::string& path,
                                            const PreferencesValues& values) {
  std::string out;
  AppendLine(out, AsLine(values.folder));
  for (const auto* columns : {&values.filesColumns, &values.deleteColumns}) {
    AppendLine(out, std::to_string(columns->size()));
    for (const auto& [caption, width] : *columns) {
      AppendLine(out, AsLine(caption));
      AppendLine(out, std::to_string(width));
    }
  }
  for (const std::uint32_t color : values.colors) {
    AppendLine(out, std::to_string(static_cast<std::int32_t>(color)));
  }
  AppendLine(out, std::to_string(values.doubleClick));
  AppendLine(out, std::to_string(values.checkMode));
  if (values.moveToTrash) AppendLine(out, "1");
  return WriteWholeFile(path, out, /*create=*/true);
}
