// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "output/report_writer.h"
#include "session/session_driver.h"
#include "session/writer_progress.h"

// The session's progress on the progress line: an act's as "acting", the
// rest as WriterProgress tells it.
class ActProgress final : public SessionEvents {
 public:
  explicit ActProgress(ReportWriter& writer) : writer_(writer), others_(writer) {}
  void progress(const RunProgress& progress) override;
  bool& comparing() { return others_.comparing; }

 private:
  ReportWriter& writer_;
  WriterProgress others_;
};

// Readies a session for an act before its scan: the act works on the rows
// of "Files to delete", which are laid out by columns.
void PrepareActSession(Session& session);

struct ActOutcome {
  bool ran = false;  // false: the session refused the act
  int status = 0;    // 4 when a ticked file was kept or failed on, else 0
  // The closing lines for the error stream, each without the program and
  // the newline: "cannot <act> "<path>": <reason>" per failure, then the summary.
  std::vector<std::string> messages;
};

// Runs `act` on the files the session ticks, through the verified delete
// (the second question answered No: a file without a verified copy is never
// removed) or the replacement by a link or shared blocks, then hands each
// ticked file's result to `writers` in report order.
ActOutcome RunAct(SessionDriver& driver, const CliOptions& options, ReportWriter& writers);
