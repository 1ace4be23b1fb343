// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "settings/preferences.h"

#include <charconv>
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

  // No line is left: every next() reads as empty.
  bool atEnd() const { return pos_ >= text_.size(); }

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

// A folder on a line of its own: the bytes that would end or cut the line,
// and the escape itself, as %XX.
std::string EscapeFolder(std::string_view folder) {
  std::string out;
  out.reserve(folder.size());
  for (const char c : folder) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '\r':
        out += "%0D";
        break;
      case '\n':
        out += "%0A";
        break;
      case '\x1a':
        out += "%1A";
        break;
      default:
        out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Any %XX back to its byte; a '%' without two hex digits stays as it is.
std::string UnescapeFolder(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '%' && i + 2 < line.size()) {
      const int high = HexDigit(line[i + 1]);
      const int low = HexDigit(line[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += line[i];
  }
  return out;
}

// The lines after the Trash line, grouped by value: a group is left out of
// the file, with every group after it, when all of them hold their defaults.
std::vector<std::vector<std::string>> ExtraLines(const ExtraPreferences& extras) {
  const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
  const auto folders = [](const std::vector<std::string>& list) {
    std::vector<std::string> lines{std::to_string(list.size())};
    for (const std::string& folder : list) lines.push_back(EscapeFolder(folder));
    return lines;
  };
  std::vector<std::string> criteria{std::to_string(extras.keepCriteria.size())};
  for (const auto& [word, on] : extras.keepCriteria) criteria.push_back((on ? "+" : "-") + word);
  return {{std::to_string(extras.minSize)},
          {flag(extras.hidden)},
          {flag(extras.trashFolders)},
          {flag(extras.vcsFolders)},
          std::move(criteria),
          folders(extras.preferredFolders),
          folders(extras.protectedFolders),
          {flag(extras.keepAfterCheck)}};
}

// Reads the lines ExtraLines writes. False at a malformed count or size; the
// values read before it stay, the others keep their defaults.
bool ReadExtras(LineReader& lines, ExtraPreferences& extras) {
  const auto count = [&lines](std::int64_t& value) {
    if (lines.atEnd()) return true;
    const std::string_view line = lines.next();
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    return error == std::errc() && end == line.data() + line.size() && !line.empty();
  };
  const auto flag = [&lines](bool& on) {
    const std::string_view line = lines.next();
    if (line == "0" || line == "1") on = line == "1";
  };
  std::int64_t minSize = 0;
  if (!count(minSize)) return false;
  extras.minSize = minSize < 0 ? 0 : minSize;
  flag(extras.hidden);
  flag(extras.trashFolders);
  flag(extras.vcsFolders);
  std::int64_t criteria = 0;
  if (!count(criteria)) return false;
  // Each pass consumes a line: past the end of the text the loop stops.
  for (std::int64_t k = 0; k < criteria && !lines.atEnd(); ++k) {
    const std::string_view line = lines.next();
    if (line.size() > 1 && (line[0] == '+' || line[0] == '-'))
      extras.keepCriteria.emplace_back(std::string(line.substr(1)), line[0] == '+');
  }
  for (auto* list : {&extras.preferredFolders, &extras.protectedFolders}) {
    std::int64_t folders = 0;
    if (!count(folders)) return false;
    for (std::int64_t k = 0; k < folders && !lines.atEnd(); ++k)
      list->push_back(UnescapeFolder(lines.next()));
  }
  flag(extras.keepAfterCheck);
  return true;
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
  // The extra lines are never an error: a reader of the described lines ignores them.
  target.setMoveToTrash(reading.lines.next() == "1");
  ExtraPreferences extras;
  result.extrasWhole = ReadExtras(reading.lines, extras);
  target.setExtras(extras);
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
  std::vector<std::vector<std::string>> extras = ExtraLines(values.extras);
  const std::vector<std::vector<std::string>> defaults = ExtraLines(ExtraPreferences{});
  while (!extras.empty() && extras.back() == defaults[extras.size() - 1]) extras.pop_back();
  if (values.moveToTrash || !extras.empty()) AppendLine(out, values.moveToTrash ? "1" : "0");
  for (const auto& group : extras) {
    for (const std::string& line : group) AppendLine(out, line);
  }
  return WriteWholeFile(path, out, /*create=*/true);
}
