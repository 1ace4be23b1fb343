// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/records.h"
#include "output/report_writer.h"

// The save dialog's single filter.
inline constexpr const char* kSaveListFilter = "Plain Text Files (*.txt)|*.txt";

// The name a list is written under: `chosen` itself when the text after its
// last '.' (anywhere in the full name) is "txt" in any letter case, else
// `chosen` + ".txt".
std::string SaveListFileName(const std::string& chosen);

enum class SavedField { FullPath, FileName };

// A saved list on an open descriptor: per file the raw bytes of its path or
// of its name, then CR LF, written in pieces of 64 KiB; end() writes the rest.
class ListFileWriter final : public ReportWriter {
 public:
  ListFileWriter(int fd, SavedField field);
  void file(std::string_view path, std::int64_t size) override;
  void end(const RunReport& report) override;
  // The errno of the first failed write, or 0; nothing is written after it.
  int error() const { return error_; }

 private:
  void flush();

  int fd_;
  SavedField field_;
  std::string buffer_;
  int error_ = 0;
};

// Writes one line per candidate row 1..count(), in table order, the raw bytes
// of the field followed by CR LF; an empty table gives an empty file. An
// existing list is replaced whole or not at all (a new file beside it renamed
// over it, WriteFileWhole); a FIFO or device is opened without blocking.
// Returns the error text (with the system's reason) when the file cannot be
// created, written or closed; nothing on success.
std::optional<std::string> SaveCandidateList(const std::string& fileName,
                                             const CandidateTable& candidates, SavedField field);
