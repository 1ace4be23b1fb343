// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "output/report_writer.h"

#include "core/file_io.h"
#include "core/replace_copy.h"

void WriterFanout::begin() {
  for (ReportWriter* w : writers_) w->begin();
}

void WriterFanout::file(std::string_view path, std::int64_t size) {
  for (ReportWriter* w : writers_) w->file(path, size);
}

void WriterFanout::set(std::int64_t size, const std::vector<std::string_view>& paths) {
  for (ReportWriter* w : writers_) w->set(size, paths);
}

void WriterFanout::acted(const DeletedFile& file, FileAct act, bool trash) {
  for (ReportWriter* w : writers_) w->acted(file, act, trash);
}

void WriterFanout::progress(Stage stage, int percent, std::uint64_t done) {
  for (ReportWriter* w : writers_) w->progress(stage, percent, done);
}

void WriterFanout::end(const RunReport& report) {
  for (ReportWriter* w : writers_) w->end(report);
}

const char* ActWord(FileAct act, bool trash) {
  switch (act) {
    case FileAct::Delete:
      return trash ? "trash" : "delete";
    case FileAct::HardLink:
      return "link";
    case FileAct::ShareBlocks:
      return "reflink";
  }
  return "delete";
}

const char* ActResultWord(DeleteResult result) {
  switch (result) {
    case DeleteResult::Deleted:
      return "done";
    case DeleteResult::Missing:
    case DeleteResult::Changed:
      return "kept-changed";
    case DeleteResult::NoCopy:
      return "kept-no-copy";
    case DeleteResult::Protected:
      return "kept-protected";
    case DeleteResult::Failed:
      return "failed";
  }
  return "failed";
}

std::string ActErrorText(const DeletedFile& file, FileAct act) {
  if (file.error == 0) return {};
  if (act == FileAct::ShareBlocks && CannotShareBlocks(file.error))
    return "this file system cannot share blocks";
  return ErrorText(file.error);
}
