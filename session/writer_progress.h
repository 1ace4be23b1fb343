// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include "output/report_writer.h"
#include "session/session_events.h"

// A session's progress told to a writer. Sets computed for a listing of sets
// or for the keep rules show as comparing (`comparing` set), a check as checking.
class WriterProgress final : public SessionEvents {
 public:
  explicit WriterProgress(ReportWriter& writer) : writer_(writer) {}
  void progress(const RunProgress& progress) override {
    const Stage stage = progress.phase == Phase::Walking    ? Stage::Walking
                        : progress.phase == Phase::Grouping ? Stage::Grouping
                        : comparing                         ? Stage::Comparing
                                                            : Stage::Checking;
    writer_.progress(stage, progress.percent, progress.done);
  }
  bool comparing = false;

 private:
  ReportWriter& writer_;
};
