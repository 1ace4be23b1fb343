// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "output/run_report.h"

// The stage a run's progress belongs to.
enum class Stage {
  Walking,    // `done` counts entries walked
  Grouping,   // percent only
  Checking,   // `done` counts bytes compared since the check began
  Comparing,  // sets compared for the keep rules or a listing of sets; percent only
  Acting,     // the ticked files verified and acted on; percent only
};

// Where a run's results go: a listing, a terminal, a saved list. A run calls
// begin() once, then file(), set() or acted() for each result in order, progress()
// at any time, and end() once with what the run left out. Every call does
// nothing unless a writer wants it.
class ReportWriter {
 public:
  virtual ~ReportWriter() = default;
  virtual void begin() {}
  virtual void file(std::string_view /*path*/, std::int64_t /*size*/) {}
  // One set of identical files of `size` bytes, in the order they are listed.
  virtual void set(std::int64_t /*size*/, const std::vector<std::string_view>& /*paths*/) {}
  // What an act did (or, in a dry run, would do) with one ticked file; `act`
  // Delete with `trash` is the move to the Trash.
  virtual void acted(const DeletedFile& /*file*/, FileAct /*act*/, bool /*trash*/) {}
  virtual void progress(Stage /*stage*/, int /*percent*/, std::uint64_t /*done*/) {}
  virtual void end(const RunReport& /*report*/) {}
};

// Hands every call to each of its writers, in the order they were added.
// The words of an act's results: "delete", "trash", "link" or "reflink";
// "done", "kept-changed", "kept-no-copy", "kept-protected" or "failed". A
// file gone before its turn is "kept-changed": nothing was done to it, and
// what stood there is not what the check read.
const char* ActWord(FileAct act, bool trash);
const char* ActResultWord(DeleteResult result);
// Why an act failed on `file`: "this file system cannot share blocks" for
// blocks a file system cannot share, else the errno's text; empty when it
// did not fail.
std::string ActErrorText(const DeletedFile& file, FileAct act);

class WriterFanout final : public ReportWriter {
 public:
  WriterFanout() = default;
  WriterFanout(std::initializer_list<ReportWriter*> writers) : writers_(writers) {}
  void add(ReportWriter& writer) { writers_.push_back(&writer); }

  void begin() override;
  void file(std::string_view path, std::int64_t size) override;
  void set(std::int64_t size, const std::vector<std::string_view>& paths) override;
  void acted(const DeletedFile& file, FileAct act, bool trash) override;
  void progress(Stage stage, int percent, std::uint64_t done) override;
  void end(const RunReport& report) override;

 private:
  std::vector<ReportWriter*> writers_;
};
