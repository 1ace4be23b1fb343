// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// libFuzzer target for the settings reader. Each input is read as a settings
// file and the calls the reader makes are compared with a small reference
// model of the format; a file read without error is written again and must
// read back to the same calls; and values built from the input must survive a
// write and a read. Any difference aborts, so libFuzzer keeps the input.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_io.h"
#include "settings/preferences.h"

namespace {

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

std::string Joined(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& item : items) s += (s.empty() ? "" : ",") + item;
  return s;
}

// Logs every call and keeps the values applied, starting from the defaults.
class RecordingTarget final : public PreferencesTarget {
 public:
  void setFolder(const std::string& text) override {
    calls.push_back("folder:" + text);
    values.folder = text;
  }
  void addFilesColumn(const std::string& caption) override {
    calls.push_back("files+" + caption);
    values.filesColumns.emplace_back(caption, 0);
  }
  void setFilesColumnWidth(int width) override {
    calls.push_back("files.width:" + std::to_string(width));
    Require(!values.filesColumns.empty(), "a width before any column of Files");
    values.filesColumns.back().second = width;
  }
  void fillFilesAvailable(const std::vector<std::string>& missing) override {
    calls.push_back("files.available:" + Joined(missing));
  }
  void addDeleteColumn(const std::string& caption) override {
    calls.push_back("delete+" + caption);
    values.deleteColumns.emplace_back(caption, 0);
  }
  void setDeleteColumnWidth(int width) override {
    calls.push_back("delete.width:" + std::to_string(width));
    Require(!values.deleteColumns.empty(), "a width before any column of Files to delete");
    values.deleteColumns.back().second = width;
  }
  void fillDeleteAvailable(const std::vector<std::string>& missing) override {
    calls.push_back("delete.available:" + Joined(missing));
  }
  void setColor(int which, std::uint32_t value) override {
    calls.push_back("color" + std::to_string(which) + ":" + std::to_string(value));
    Require(which >= 1 && which <= 4, "a colour number outside 1..4");
    values.colors[which - 1] = value;
  }
  void setDoubleClickChoice(int choice) override {
    calls.push_back("doubleClick:" + std::to_string(choice));
    values.doubleClick = choice;
  }
  void setCheckModeChoice(int choice) override {
    calls.push_back("checkMode:" + std::to_string(choice));
    values.checkMode = choice;
  }
  void setMoveToTrash(bool on) override { values.moveToTrash = on; }
  void setExtras(const ExtraPreferences& extras) override { values.extras = extras; }

  std::vector<std::string> calls;
  PreferencesValues values;
};

// The reference model: the file split into lines byte by byte (a CR ends a
// line, an LF right after it is dropped, a Ctrl-Z ends the text), numbers
// checked with std::from_chars, the values in their fixed order.
std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines(1);
  bool afterCr = false;
  for (const char c : bytes) {
    if (c == '\x1a') break;
    if (afterCr && c == '\n') {
      afterCr = false;
      continue;
    }
    afterCr = c == '\r';
    if (afterCr) {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

std::optional<std::int32_t> Number(std::string_view s) {
  // std::from_chars takes a '-' but no '+'.
  if (s.size() > 1 && s[0] == '+' && s[1] != '-') s.remove_prefix(1);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

struct Expected {
  std::vector<std::string> calls;
  std::optional<std::string> error;
};

Expected Model(std::string_view bytes) {
  const std::vector<std::string> lines = Lines(bytes);
  std::size_t at = 0;
  const auto line = [&]() { return at < lines.size() ? lines[at++] : std::string(); };
  Expected e;
  const auto number = [&]() {
    const std::string text = line();
    const auto value = Number(text);
    if (!value) e.error = "'" + text + "' is not a valid integer value";
    return value;
  };
  e.calls.push_back("folder:" + line());
  for (const std::string list : {"files", "delete"}) {
    const auto count = number();
    if (!count) return e;
    bool shown[3] = {false, false, false};
    const char* const catalogue[3] = {"FileName", "Size", "Path"};
    for (std::int32_t k = 0; k < *count; ++k) {
      const std::string caption = line();
      for (int c = 0; c < 3; ++c) shown[c] = shown[c] || caption == catalogue[c];
      e.calls.push_back(list + "+" + caption);
      const auto width = number();
      if (!width) return e;
      e.calls.push_back(list + ".width:" + std::to_string(*width));
    }
    std::vector<std::string> missing;
    for (int c = 0; c < 3; ++c) {
      if (!shown[c]) missing.emplace_back(catalogue[c]);
    }
    e.calls.push_back(list + ".available:" + Joined(missing));
  }
  for (int which = 1; which <= 4; ++which) {
    const auto color = number();
    if (!color) return e;
    e.calls.push_back("color" + std::to_string(which) + ":" +
                      std::to_string(static_cast<std::uint32_t>(*color)));
  }
  for (const char* choice : {"doubleClick:", "checkMode:"}) {
    const auto value = number();
    if (!value) return e;
    e.calls.push_back(choice + std::to_string(*value));
  }
  return e;
}

// A file in memory under a path the settings code opens like any other, so
// that nothing is left on disk between runs.
// A file of the given name in a scratch folder of its own (in memory where
// /dev/shm exists): writes replace it through a new file beside it, so it must
// be a real file in a folder that takes new files.
class MemoryFile {
 public:
  explicit MemoryFile(const char* name) {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string folder = std::string(base) + "/twinscan-fuzz-XXXXXX";
    Require(::mkdtemp(folder.data()) != nullptr, "mkdtemp failed");
    folder_ = folder;
    path_ = folder + "/" + name;
  }
  ~MemoryFile() {
    ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& path() const { return path_; }
  void fill(const std::uint8_t* data, std::size_t size) {
    UniqueFd fd(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    Require(fd.valid(), "open failed");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Require(WriteAll(fd.get(), bytes) == 0 && fd.close() == 0, "write failed");
  }

 private:
  std::string folder_;
  std::string path_;
};

RecordingTarget Read(const std::string& path, std::optional<std::string>& error) {
  RecordingTarget target;
  const PreferencesReadResult result = ReadPreferences(path, target);
  Require(result.found, "the settings file was not found");
  error = result.error;
  return target;
}

// What a reader gets back of a text value: up to its first CR or Ctrl-Z.
std::string Cut(const std::string& text) {
  return text.substr(0, text.find_first_of(std::string_view("\r\x1a", 2)));
}

// Values built from the input must read back unchanged, texts cut at a break.
void RoundTripOfBuiltValues(const std::uint8_t* data, std::size_t size, MemoryFile& file) {
  FuzzedDataProvider in(data, size);
  PreferencesValues values;
  values.folder = in.ConsumeRandomLengthString(256);
  for (auto* columns : {&values.filesColumns, &values.deleteColumns}) {
    const int count = in.ConsumeIntegralInRange(0, 6);
    for (int k = 0; k < count; ++k) {
      std::string caption = in.ConsumeRandomLengthString(64);
      columns->emplace_back(std::move(caption), in.ConsumeIntegral<int>());
    }
  }
  for (auto& color : values.colors) color = in.ConsumeIntegral<std::uint32_t>();
  values.doubleClick = in.ConsumeIntegral<int>();
  values.checkMode = in.ConsumeIntegral<int>();
  values.moveToTrash = in.ConsumeBool();
  ExtraPreferences& extras = values.extras;
  extras.minSize = in.ConsumeIntegralInRange<std::int64_t>(0, INT64_MAX);
  extras.hidden = in.ConsumeBool();
  extras.trashFolders = in.ConsumeBool();
  extras.vcsFolders = in.ConsumeBool();
  for (int k = in.ConsumeIntegralInRange(0, 3); k > 0; --k) {
    // A word is a line of its own: no CR, no Ctrl-Z, not empty.
    std::string word = Cut(in.ConsumeRandomLengthString(16));
    if (!word.empty()) extras.keepCriteria.emplace_back(std::move(word), in.ConsumeBool());
  }
  for (auto* folders : {&extras.preferredFolders, &extras.protectedFolders}) {
    for (int k = in.ConsumeIntegralInRange(0, 3); k > 0; --k)
      folders->push_back(in.ConsumeRandomLengthString(64));
  }
  extras.keepAfterCheck = in.ConsumeBool();

  Require(!WritePreferences(file.path(), values), "writing built values failed");
  std::optional<std::string> error;
  const RecordingTarget back = Read(file.path(), error);
  Require(!error, "built values read back with an error");
  const PreferencesValues& got = back.values;
  Require(got.folder == Cut(values.folder), "folder changed in a round trip");
  for (int list = 0; list < 2; ++list) {
    const auto& wrote = list == 0 ? values.filesColumns : values.deleteColumns;
    const auto& read = list == 0 ? got.filesColumns : got.deleteColumns;
    Require(read.size() == wrote.size(), "column count changed in a round trip");
    for (std::size_t k = 0; k < wrote.size(); ++k) {
      Require(read[k].first == Cut(wrote[k].first), "caption changed in a round trip");
      Require(read[k].second == wrote[k].second, "width changed in a round trip");
    }
  }
  for (int c = 0; c < 4; ++c) Require(got.colors[c] == values.colors[c], "colour changed");
  Require(got.doubleClick == values.doubleClick, "double-click choice changed");
  Require(got.checkMode == values.checkMode, "check mode changed");
  Require(got.moveToTrash == values.moveToTrash, "Trash choice changed");
  // Folders keep every byte.
  Require(got.extras == values.extras, "a choice after the Trash line changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile input("perferences.set");
  static MemoryFile rewritten("perferences.set");
  input.fill(data, size);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  std::optional<std::string> error;
  const RecordingTarget target = Read(input.path(), error);
  // Each call but the first consumes a line or ends a list, so the calls stay
  // within a fixed multiple of the size: the reader cannot run away.
  Require(target.calls.size() <= 2 * size + 16, "more calls than the file has lines");
  const Expected expected = Model(bytes);
  Require(target.calls == expected.calls, "calls differ from the model");
  Require(error == expected.error, "error text differs from the model");

  if (!error) {
    // A file read in full is written as the window would write it and must
    // give the same calls again.
    Require(!WritePreferences(rewritten.path(), target.values), "rewriting failed");
    std::optional<std::string> again;
    Require(Read(rewritten.path(), again).calls == target.calls && !again,
            "a rewritten file reads back differently");
  }
  RoundTripOfBuiltValues(data, size, rewritten);
  return 0;
}
