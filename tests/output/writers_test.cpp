// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "output/json_lines.h"
#include "output/output_stream.h"
#include "output/terminal_writers.h"
#include "support/base64.h"

namespace {

// A stream whose bytes the test reads back.
class MemoryStream {
 public:
  MemoryStream() : file_(::open_memstream(&buffer_, &size_)) {}
  ~MemoryStream() {
    std::fclose(file_);
    std::free(buffer_);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  std::FILE* file() const { return file_; }
  std::string text() {
    std::fflush(file_);
    return std::string(buffer_, size_);
  }

 private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

TEST(ProgressLineTest, EachStageHasItsTextAndTheLineClearsBeforeResults) {
  MemoryStream err;
  {
    ProgressLineWriter line(err.file(), /*on=*/true);
    for (std::uint64_t entries = 1; entries <= 2100; ++entries)
      line.progress(Stage::Walking, 0, entries);
    line.progress(Stage::Grouping, 40, 0);
    line.progress(Stage::Grouping, 40, 0);
    line.progress(Stage::Checking, 7, (std::uint64_t{3} << 20) + 5);
    line.progress(Stage::Comparing, 99, 123);
    line.file("/a", 1);
    line.set(1, {"/a", "/b"});
    line.progress(Stage::Comparing, 100, 0);
  }
  const std::string k = "\r\033[K";
  EXPECT_EQ(err.text(), k + "scanning: 1024 entries" + k + "scanning: 2048 entries" + k +
                            "grouping: 40%" + k + "checking: 7%, 3 MiB read" + k +
                            "comparing: 99%" + k + k + "comparing: 100%" + k);

  MemoryStream quiet;
  ProgressLineWriter off(quiet.file(), /*on=*/false);
  off.progress(Stage::Grouping, 1, 0);
  off.end(RunReport{});
  EXPECT_EQ(quiet.text(), "");
}

TEST(ErrorStreamReportTest, NamesWhatWasLeftOutUnlessTheListingFailed) {
  MemoryStream listing;
  MemoryStream err;
  OutputStream out(listing.file());
  ErrorStreamReport errors(err.file(), "tool", out);
  RunReport report;
  errors.end(report);
  EXPECT_EQ(errors.status(), 0);
  EXPECT_EQ(err.text(), "");

  report.unreadable = {{"/x/b", EIO}};
  report.unlistable = {{"/x/a", EACCES}};
  errors.end(report);
  EXPECT_EQ(errors.status(), 3);
  EXPECT_EQ(err.text(),
            "tool: cannot list \"/x/a\": Permission denied\n"
            "tool: cannot read \"/x/b\": Input/output error\n");

  std::FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  OutputStream lost(full);
  lost.write("/x/c\n");
  MemoryStream failed;
  ErrorStreamReport notWritten(failed.file(), "tool", lost);
  notWritten.end(report);
  std::fclose(full);
  EXPECT_EQ(notWritten.status(), 1);
  EXPECT_EQ(failed.text(), "tool: cannot write the output: No space left on device\n");
}

// The bytes of the JSON string at the start of `json` (the escapes this
// listing writes: \" \\ \u00XX and \ufffd).
std::string Unquote(const std::string& json) {
  std::string out;
  for (std::size_t i = 1; json[i] != '"'; ++i) {
    if (json[i] != '\\') {
      out += json[i];
    } else if (json[++i] != 'u') {
      out += json[i];
    } else {
      const std::string hex = json.substr(i + 1, 4);
      out +=
          hex == "fffd" ? std::string("\xEF\xBF\xBD") : std::string(1, std::stoi(hex, nullptr, 16));
      i += 4;
    }
  }
  return out;
}

// Random paths of valid UTF-8 (every length of sequence, controls, quotes)
// come back whole from the JSON string; with one bad byte (a stray
// continuation, an overlong form, a surrogate, a value past U+10FFFF, a cut
// sequence) the string holds U+FFFD and the base64 beside it every byte.
TEST(JsonLinesTest, RandomPathsComeBackWholeFromTheStringOrTheBase64) {
  std::mt19937 random(26);
  const std::vector<std::string> pieces = {"a",
                                           "/",
                                           " ",
                                           "\"",
                                           "\\",
                                           "\x01",
                                           "\x1f",
                                           "\x7f",
                                           "\xC3\xA9",
                                           "\xE2\x82\xAC",
                                           "\xF0\x9F\x98\x80",
                                           "\xF4\x8F\xBF\xBF"};
  const std::vector<std::string> bad = {
      "\x80",     "\xC0\xAF", "\xED\xA0\x80",        "\xF4\x90\x80\x80",
      "\xE2\x82", "\xFF",     "\xF8\x88\x80\x80\x80"};
  for (int round = 0; round < 2000; ++round) {
    std::string path;
    for (int n = static_cast<int>(random() % 12); n > 0; --n)
      path += pieces[random() % pieces.size()];
    const bool broken = round % 2 == 1;
    if (broken) path.insert(random() % (path.size() + 1), bad[random() % bad.size()]);
    std::string line;
    AppendJsonFileLine(line, path, round);
    ASSERT_EQ(line.rfind("{\"path\":\"", 0), 0U) << line;
    ASSERT_TRUE(line.ends_with(",\"size\":" + std::to_string(round) + "}\n")) << line;
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
      ASSERT_GE(static_cast<unsigned char>(line[i]), 0x20) << line;
    const std::string text = Unquote(line.substr(8));
    const std::size_t raw = line.find(",\"path_base64\":\"");
    EXPECT_EQ(raw != std::string::npos, broken) << line;
    if (!broken) {
      EXPECT_EQ(text, path);
    } else {
      EXPECT_NE(text.find("\xEF\xBF\xBD"), std::string::npos) << line;
      EXPECT_EQ(FromBase64(line.substr(raw + 16, line.find('"', raw + 16) - raw - 16)), path);
    }
  }
}

}  // namespace
