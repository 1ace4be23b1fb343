// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "settings/preferences.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace {

std::string Joined(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& item : items) s += (s.empty() ? "" : ",") + item;
  return s;
}

// Logs every call as a string and collects the values it was given.
class RecordingTarget final : public PreferencesTarget {
 public:
  void setFolder(const std::string& text) override {
    log("folder:" + text);
    values.folder = text;
  }
  void addFilesColumn(const std::string& caption) override {
    log("files+" + caption);
    values.filesColumns.emplace_back(caption, -1);
  }
  void setFilesColumnWidth(int width) override {
    log("files.width:" + std::to_string(width));
    values.filesColumns.back().second = width;
  }
  void fillFilesAvailable(const std::vector<std::string>& missing) override {
    log("files.available:" + Joined(missing));
  }
  void addDeleteColumn(const std::string& caption) override {
    log("delete+" + caption);
    values.deleteColumns.emplace_back(caption, -1);
  }
  void setDeleteColumnWidth(int width) override {
    log("delete.width:" + std::to_string(width));
    values.deleteColumns.back().second = width;
  }
  void fillDeleteAvailable(const std::vector<std::string>& missing) override {
    log("delete.available:" + Joined(missing));
  }
  void setColor(int which, std::uint32_t value) override {
    log("color" + std::to_string(which) + ":" + std::to_string(value));
    values.colors[which - 1] = value;
  }
  void setDoubleClickChoice(int choice) override {
    log("doubleClick:" + std::to_string(choice));
    values.doubleClick = choice;
  }
  void setCheckModeChoice(int choice) override {
    log("checkMode:" + std::to_string(choice));
    values.checkMode = choice;
  }
  void setMoveToTrash(bool on) override {
    log(std::string("trash:") + (on ? "1" : "0"));
    values.moveToTrash = on;
  }
  void setExtras(const ExtraPreferences& extras) override { values.extras = extras; }

  std::vector<std::string> calls;
  PreferencesValues values;

 private:
  // A reader that loops on without consuming the file fails here, not by hanging.
  void log(std::string call) {
    if (calls.size() > 10000) throw std::runtime_error("runaway reader");
    // Long texts are logged by size only.
    if (call.size() > 200) call = call.substr(0, 20) + "...(" + std::to_string(call.size()) + ")";
    calls.push_back(std::move(call));
  }
};

const std::vector<std::string> kDefaultTail = {
    "color1:1", "color2:2", "color3:3", "color4:4", "doubleClick:1", "checkMode:0", "trash:0"};

std::vector<std::string> With(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class ReadPreferencesTest : public ::testing::Test {
 protected:
  PreferencesReadResult read(const std::string& content) {
    tree.write(kPreferencesFileName, content);
    return ReadPreferences(PreferencesFilePath(tree.root()), target);
  }
  TempTree tree;
  RecordingTarget target;
};

TEST_F(ReadPreferencesTest, NothingHappensWithoutARegularFile) {
  const std::string path = PreferencesFilePath(tree.root());
  PreferencesReadResult result = ReadPreferences(path, target);
  EXPECT_FALSE(result.found);

  tree.mkdir(kPreferencesFileName);
  result = ReadPreferences(path, target);
  EXPECT_FALSE(result.found);
  ASSERT_EQ(::rmdir(path.c_str()), 0);

  // A FIFO in its place is not opened, so start-up cannot hang on it.
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  result = ReadPreferences(path, target);
  EXPECT_FALSE(result.found);
  EXPECT_EQ(result.error, std::nullopt);
  EXPECT_TRUE(target.calls.empty());
}

TEST_F(ReadPreferencesTest, AvailableBoxesGetTheCataloguedCaptionsNoColumnHas) {
  const struct {
    const char* name;
    std::string columns;  // the lines of "Files": count, then caption and width pairs
    std::vector<std::string> calls;
  } cases[] = {
      {"no columns", "0\r\n", {"files.available:FileName,Size,Path"}},
      {"negative count", "-3\r\n", {"files.available:FileName,Size,Path"}},
      {"Path, FileName",
       "2\r\nPath\r\n120\r\nFileName\r\n80\r\n",
       {"files+Path", "files.width:120", "files+FileName", "files.width:80",
        "files.available:Size"}},
      {"exact comparison",
       "4\r\nsize\r\n1\r\nPath \r\n2\r\nFileName\r\n3\r\nOther\r\n4\r\n",
       {"files+size", "files.width:1", "files+Path ", "files.width:2", "files+FileName",
        "files.width:3", "files+Other", "files.width:4", "files.available:Size,Path"}},
      {"all three",
       "3\r\nSize\r\n1\r\nPath\r\n2\r\nFileName\r\n3\r\n",
       {"files+Size", "files.width:1", "files+Path", "files.width:2", "files+FileName",
        "files.width:3", "files.available:"}},
  };
  for (const auto& c : cases) {
    target.calls.clear();
    const auto result =
        read("/data\r\n" + c.columns + "1\r\nSize\r\n9\r\n1\r\n2\r\n3\r\n4\r\n1\r\n0\r\n");
    EXPECT_TRUE(result.found) << c.name;
    EXPECT_EQ(result.error, std::nullopt) << c.name;
    EXPECT_EQ(target.calls,
              With(With({"folder:/data"}, c.calls),
                   With({"delete+Size", "delete.width:9", "delete.available:FileName,Path"},
                        kDefaultTail)))
        << c.name;
  }
}

TEST_F(ReadPreferencesTest, StopsAtTheFirstLineThatIsNoNumber) {
  const struct {
    const char* name;
    std::string content;
    std::vector<std::string> calls;
    std::string error;
  } cases[] = {
      {"ends after the first caption",
       "/data\r\n1\r\nPath\r\n",
       {"folder:/data", "files+Path"},
       "'' is not a valid integer value"},
      {"empty file", "", {"folder:"}, "'' is not a valid integer value"},
      {"malformed colour",
       "/d\r\n0\r\n0\r\n5\r\n12x\r\n3\r\n4\r\n1\r\n1\r\n",
       {"folder:/d", "files.available:FileName,Size,Path", "delete.available:FileName,Size,Path",
        "color1:5"},
       "'12x' is not a valid integer value"},
      {"blank around a width",
       "/d\r\n1\r\nSize\r\n 80\r\n0\r\n",
       {"folder:/d", "files+Size"},
       "' 80' is not a valid integer value"},
      {"last choice missing", "/d\r\n0\r\n0\r\n1\r\n2\r\n3\r\n4\r\n1",
       With({"folder:/d", "files.available:FileName,Size,Path",
             "delete.available:FileName,Size,Path"},
            {"color1:1", "color2:2", "color3:3", "color4:4", "doubleClick:1"}),
       "'' is not a valid integer value"},
      // Each column consumes its two lines, so the loop ends on the first
      // column past the end of the file.
      {"column count far beyond the file",
       "/d\r\n2000000000\r\nPath\r\n10\r\n",
       {"folder:/d", "files+Path", "files.width:10", "files+"},
       "'' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    target.calls.clear();
    const auto result = read(c.content);
    EXPECT_TRUE(result.found) << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
    EXPECT_EQ(target.calls, c.calls) << c.name;
  }
}

TEST_F(ReadPreferencesTest, LineEndings) {
  const std::vector<std::string> complete =
      With({"folder:/d", "files+Path", "files.width:7", "files.available:FileName,Size",
            "delete.available:FileName,Size,Path"},
           kDefaultTail);
  const struct {
    const char* name;
    std::string content;
    std::vector<std::string> calls;
    std::optional<std::string> error;
  } cases[] = {
      {"CR LF", "/d\r\n1\r\nPath\r\n7\r\n0\r\n1\r\n2\r\n3\r\n4\r\n1\r\n0\r\n", complete, {}},
      {"CR only", "/d\r1\rPath\r7\r0\r1\r2\r3\r4\r1\r0\r", complete, {}},
      {"no end after the last line",
       "/d\r\n1\r\nPath\r\n7\r\n0\r\n1\r\n2\r\n3\r\n4\r\n1\r\n0",
       complete,
       {}},
      {"lone LF inside a caption",
       "/d\n/e\r\n1\r\nA\nB\r\n7\r\n0\r\n1\r\n2\r\n3\r\n4\r\n1\r\n0\r\n",
       With({"folder:/d\n/e", "files+A\nB", "files.width:7", "files.available:FileName,Size,Path",
             "delete.available:FileName,Size,Path"},
            kDefaultTail),
       {}},
      {"an LF not right after a CR stays in the line",
       "/d\r\n\n0\r\n",
       {"folder:/d"},
       "'\n0' is not a valid integer value"},
      {"only the LF right after a CR is skipped",
       "/d\r\r\n0\r\n",
       {"folder:/d"},
       "'' is not a valid integer value"},
      {"Ctrl-Z ends the text",
       "/d\r\n0\r\n0\r\n1\x1a\r\n2\r\n3\r\n4\r\n1\r\n0\r\n",
       {"folder:/d", "files.available:FileName,Size,Path", "delete.available:FileName,Size,Path",
        "color1:1"},
       "'' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    target.calls.clear();
    const auto result = read(c.content);
    EXPECT_EQ(result.error, c.error) << c.name;
    EXPECT_EQ(target.calls, c.calls) << c.name;
  }
}

TEST_F(ReadPreferencesTest, UnreadableFileIsAnError) {
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  const std::string path = tree.write(kPreferencesFileName, "/d\r\n0\r\n0\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  PreferencesReadResult result;
  if (!RunUnprivileged([&] { result = ReadPreferences(path, target); })) {
    GTEST_SKIP() << "cannot take the file-system uid 65534";
  }
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.error, "Cannot open file \"" + path + "\": Permission denied");
  EXPECT_TRUE(target.calls.empty());
}

void ExpectSameValues(const PreferencesValues& read, const PreferencesValues& written) {
  EXPECT_EQ(read.folder, written.folder);
  EXPECT_EQ(read.filesColumns, written.filesColumns);
  EXPECT_EQ(read.deleteColumns, written.deleteColumns);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(read.colors[i], written.colors[i]) << "colour " << i + 1;
  EXPECT_EQ(read.doubleClick, written.doubleClick);
  EXPECT_EQ(read.checkMode, written.checkMode);
}

class WritePreferencesTest : public ::testing::Test {
 protected:
  // Writes `values`, reads them back and returns what the reader applied.
  PreferencesValues roundTrip(const PreferencesValues& values) {
    const std::string path = PreferencesFilePath(tree.root());
    EXPECT_EQ(WritePreferences(path, values), std::nullopt);
    RecordingTarget target;
    const auto result = ReadPreferences(path, target);
    EXPECT_TRUE(result.found);
    EXPECT_EQ(result.error, std::nullopt);
    return target.values;
  }
  TempTree tree;
};

TEST_F(WritePreferencesTest, DefaultsGiveTheNineLinesOfAFirstClose) {
  const std::string path = PreferencesFilePath(tree.root());
  tree.write(kPreferencesFileName, std::string(5000, 'x'));
  ASSERT_EQ(WritePreferences(path, PreferencesValues{}), std::nullopt);
  EXPECT_EQ(ReadFileBytes(path),
            "\r\n0\r\n0\r\n12632256\r\n8421504\r\n16777215\r\n0\r\n0\r\n0\r\n");
}

TEST_F(WritePreferencesTest, ValuesReadBackUnchanged) {
  PreferencesValues values;
  values.folder = "/home/u/\xff\xfe M\xfcll";
  values.filesColumns = {{"Path", 250}, {"FileName", -5}, {"Size", 0}, {"Other", 2147483647}};
  values.deleteColumns = {{"Size", -2147483647 - 1}};
  values.colors[0] = 0x800000;
  values.colors[1] = 0xFFFFFFFF;  // read back as its 32-bit pattern
  values.colors[2] = 0x80000000;
  values.colors[3] = 255;
  values.doubleClick = 1;
  values.checkMode = 1;
  ExpectSameValues(roundTrip(values), values);

  PreferencesValues empty;
  empty.deleteColumns = {{"", 10}};
  ExpectSameValues(roundTrip(empty), empty);
}

// The Trash choice and the choices after it are lines after the described
// last one, written only up to the last that is not a default: a file
// without them reads as the defaults, a described reader stops before them,
// and nothing on them is ever an error. Folders keep every byte.
TEST_F(WritePreferencesTest, TheExtraLinesRoundTripAndAreOptional) {
  const std::string path = PreferencesFilePath(tree.root());
  PreferencesValues values;
  values.filesColumns = {{"Path", 20}};
  values.checkMode = 1;
  ASSERT_EQ(WritePreferences(path, values), std::nullopt);
  const std::string described = ReadFileBytes(path);
  EXPECT_FALSE(roundTrip(values).moveToTrash);
  EXPECT_EQ(roundTrip(values).extras, ExtraPreferences{});
  values.moveToTrash = true;
  EXPECT_TRUE(roundTrip(values).moveToTrash);
  EXPECT_EQ(ReadFileBytes(path), described + "1\r\n");
  for (const char* extra : {"", "0", "yes", "-1", "1 "}) {
    SCOPED_TRACE(extra);
    tree.write(kPreferencesFileName, described + extra + "\r\n");
    RecordingTarget target;
    EXPECT_EQ(ReadPreferences(path, target).error, std::nullopt);
    EXPECT_EQ(target.calls.back(), "trash:0");
  }

  values.moveToTrash = false;
  ExtraPreferences& extras = values.extras;
  extras.vcsFolders = false;
  ASSERT_EQ(roundTrip(values).extras, extras);
  EXPECT_EQ(ReadFileBytes(path), described + "0\r\n0\r\n1\r\n1\r\n0\r\n");
  extras = {std::int64_t{1} << 40,
            false,
            false,
            true,
            {{"name", true}, {"oldest", false}, {"future-word", true}},
            {"/a\rb\nc", "/p%0D%q%", std::string("/\x1a\xff\x01 z ", 7), ""},
            {"/home/u/Pictures"},
            true};
  ASSERT_EQ(roundTrip(values).extras, extras);
  const std::string full = ReadFileBytes(path);
  EXPECT_EQ(full.find('\x1a'), std::string::npos);
  // Every shorter file reads its lines and the defaults after them.
  for (std::size_t cut = described.size(); cut < full.size(); ++cut) {
    tree.write(kPreferencesFileName, full.substr(0, cut));
    RecordingTarget target;
    const auto result = ReadPreferences(path, target);
    EXPECT_EQ(result.error, std::nullopt) << cut;
    EXPECT_TRUE(result.extrasWhole) << cut;
  }
  // A malformed count keeps what came before it and leaves the rest default.
  const std::size_t criteria = full.find("\r\n3\r\n");
  tree.write(kPreferencesFileName, full.substr(0, criteria) + "\r\nx3" + full.substr(criteria + 3));
  RecordingTarget target;
  const auto result = ReadPreferences(path, target);
  EXPECT_EQ(result.error, std::nullopt);
  EXPECT_FALSE(result.extrasWhole);
  EXPECT_EQ(target.values.extras.minSize, extras.minSize);
  EXPECT_TRUE(target.values.extras.keepCriteria.empty());
  EXPECT_TRUE(target.values.extras.protectedFolders.empty());
}

TEST_F(WritePreferencesTest, LongTextsReadBack) {
  PreferencesValues values;
  values.folder = std::string(1 << 20, 'f');
  values.filesColumns = {{std::string(1 << 20, 'c'), 33}};
  ExpectSameValues(roundTrip(values), values);
}

TEST_F(WritePreferencesTest, TextIsCutAtABreakSoLaterLinesStayInPlace) {
  PreferencesValues values;
  values.folder = "/a\rb";
  values.filesColumns = {{"Pa\x1ath", 40}, {"Size", 50}};
  values.checkMode = 1;
  PreferencesValues expected = values;
  expected.folder = "/a";
  expected.filesColumns[0].first = "Pa";
  ExpectSameValues(roundTrip(values), expected);
}

TEST_F(WritePreferencesTest, FailuresNameTheFileAndTheReason) {
  const std::string missing = tree.path("no/such/dir/") + kPreferencesFileName;
  EXPECT_EQ(WritePreferences(missing, PreferencesValues{}),
            "Cannot create file \"" + missing + "\": No such file or directory");
  if (PathExists("/dev/full")) {
    EXPECT_EQ(WritePreferences("/dev/full", PreferencesValues{}),
              "Cannot write file \"/dev/full\": No space left on device");
  }
}

TEST_F(WritePreferencesTest, WriteProtectedStartDirectoryIsAnError) {
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  const std::string dir = tree.mkdir("protected");
  ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
  const std::string path = PreferencesFilePath(dir);
  std::optional<std::string> error;
  if (!RunUnprivileged([&] { error = WritePreferences(path, PreferencesValues{}); })) {
    GTEST_SKIP() << "cannot take the file-system uid 65534";
  }
  EXPECT_EQ(error, "Cannot create file \"" + path + "\": Permission denied");
  EXPECT_FALSE(PathExists(path));
}

}  // namespace
