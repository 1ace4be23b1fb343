// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "output/output_stream.h"
#include "output/report_writer.h"

// The run's progress as one line on the error stream, rewritten in place:
// "scanning: N entries", "grouping: N%", "checking: N%, M MiB read",
// "comparing: N%", "acting: N%". Off unless the stream is a terminal. The line is cleared
// before the first result and at the end, so a listing on the same
// terminal starts on a clean line.
class ProgressLineWriter final : public ReportWriter {
 public:
  // Walk entries between two updates of the line.
  static constexpr std::uint64_t kEntriesPerUpdate = 1024;

  ProgressLineWriter(std::FILE* stream, bool on) : stream_(stream), on_(on) {}
  ~ProgressLineWriter() override { clear(); }
  ProgressLineWriter(const ProgressLineWriter&) = delete;
  ProgressLineWriter& operator=(const ProgressLineWriter&) = delete;

  void file(std::string_view, std::int64_t) override { clear(); }
  void set(std::int64_t, const std::vector<std::string_view>&) override { clear(); }
  void acted(const DeletedFile&, FileAct, bool) override { clear(); }
  void progress(Stage stage, int percent, std::uint64_t done) override;
  void end(const RunReport&) override { clear(); }
  void clear();

 private:
  void show(const std::string& text);

  std::FILE* stream_;
  bool on_;
  std::string last_;
  std::uint64_t walkBlock_ = 0;  // entries / kEntriesPerUpdate last shown
};

// What a run left out, on the error stream at the end, one line each:
// "<program>: cannot list "<folder>": <reason>" for every folder the walk
// could not list, then "cannot read" for every file the check could not
// read. It flushes the listing first; when that could not be written whole
// it says so instead ("cannot write the output: <reason>").
class ErrorStreamReport final : public ReportWriter {
 public:
  ErrorStreamReport(std::FILE* err, std::string program, OutputStream& listing)
      : err_(err), program_(std::move(program)), listing_(listing) {}
  void end(const RunReport& report) override;
  // After end(): 0 when nothing was left out, 1 when the listing was not
  // written, 3 when it was but a folder or file was left out.
  int status() const { return status_; }

 private:
  std::FILE* err_;
  std::string program_;
  OutputStream& listing_;
  int status_ = 0;
};

// "<program>: cannot <what> "<path>": <reason>" and a newline on `err`.
void CannotLine(std::FILE* err, std::string_view program, std::string_view what,
                std::string_view path, int error);
