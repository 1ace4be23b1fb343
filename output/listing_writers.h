// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/output_stream.h"
#include "output/report_writer.h"

// A listing as lines: "size TAB path" per file with `sizes`, else the path
// alone; a set as its paths, one a line, then an empty line. Each line ends
// with `end` ('\n', or '\0' for names that may hold a newline). An act's
// result is "ACTION TAB RESULT TAB PATH TAB KEEPER" (ActWord, ActResultWord;
// KEEPER empty when none) and `end`.
class TextWriter final : public ReportWriter {
 public:
  TextWriter(OutputStream& out, char end, bool sizes) : out_(out), end_(end), sizes_(sizes) {}
  void file(std::string_view path, std::int64_t size) override;
  void set(std::int64_t size, const std::vector<std::string_view>& paths) override;
  void acted(const DeletedFile& file, FileAct act, bool trash) override;
  void end(const RunReport& report) override;

 private:
  OutputStream& out_;
  char end_;
  bool sizes_;
};

// A listing as JSON lines (output/json_lines.h): one object per file, set
// or act's result.
class JsonLinesWriter final : public ReportWriter {
 public:
  explicit JsonLinesWriter(OutputStream& out) : out_(out) {}
  void file(std::string_view path, std::int64_t size) override;
  void set(std::int64_t size, const std::vector<std::string_view>& paths) override;
  void acted(const DeletedFile& file, FileAct act, bool trash) override;
  void end(const RunReport& report) override;

 private:
  OutputStream& out_;
  std::string line_;  // reused: one allocation for the whole listing
};
