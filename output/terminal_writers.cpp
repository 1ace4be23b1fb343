// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "output/terminal_writers.h"

#include <utility>

#include "core/file_io.h"

namespace {

void WriteText(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace

void ProgressLineWriter::progress(Stage stage, int percent, std::uint64_t done) {
  if (!on_) return;
  const std::string percentText = std::to_string(percent) + "%";
  switch (stage) {
    case Stage::Walking: {
      const std::uint64_t block = done / kEntriesPerUpdate;
      if (block == walkBlock_) return;
      walkBlock_ = block;
      show("scanning: " + std::to_string(done) + " entries");
      return;
    }
    case Stage::Grouping:
      show("grouping: " + percentText);
      return;
    case Stage::Checking:
      show("checking: " + percentText + ", " + std::to_string(done >> 20) + " MiB read");
      return;
    case Stage::Comparing:
      show("comparing: " + percentText);
      return;
    case Stage::Acting:
      show("acting: " + percentText);
      return;
  }
}

void ProgressLineWriter::show(const std::string& text) {
  if (text == last_) return;
  WriteText(stream_, "\r\033[K");
  WriteText(stream_, text);
  std::fflush(stream_);
  last_ = text;
}

void ProgressLineWriter::clear() {
  if (!on_ || last_.empty()) return;
  WriteText(stream_, "\r\033[K");
  std::fflush(stream_);
  last_.clear();
}

void CannotLine(std::FILE* err, std::string_view program, std::string_view what,
                std::string_view path, int error) {
  WriteText(err, program);
  WriteText(err, ": cannot ");
  WriteText(err, what);
  WriteText(err, " \"");
  WriteText(err, path);
  WriteText(err, "\": ");
  WriteText(err, ErrorText(error));
  WriteText(err, "\n");
}

void ErrorStreamReport::end(const RunReport& report) {
  if (!listing_.finish()) {
    WriteText(err_, program_ + ": cannot write the output: " + ErrorText(listing_.error()) + "\n");
    status_ = 1;
    return;
  }
  for (const FileFailure& folder : report.unlistable)
    CannotLine(err_, program_, "list", folder.path, folder.error);
  for (const FileFailure& file : report.unreadable)
    CannotLine(err_, program_, "read", file.path, file.error);
  status_ = report.unlistable.empty() && report.unreadable.empty() ? 0 : 3;
}
