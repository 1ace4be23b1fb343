// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "output/report_writer.h"

void WriterFanout::begin() {
  for (ReportWriter* w : writers_) w->begin();
}

void WriterFanout::file(std::string_view path, std::int64_t size) {
  for (ReportWriter* w : writers_) w->file(path, size);
}

void WriterFanout::set(std::int64_t size, const std::vector<std::string_view>& paths) {
  for (ReportWriter* w : writers_) w->set(size, paths);
}

void WriterFanout::progress(Stage stage, int percent, std::uint64_t done) {
  for (ReportWriter* w : writers_) w->progress(stage, percent, done);
}

void WriterFanout::end(const RunReport& report) {
  for (ReportWriter* w : writers_) w->end(report);
}
