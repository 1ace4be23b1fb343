// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/save_lists.h"

#include "core/file_io.h"
#include "core/whole_file.h"

std::string SaveListFileName(const std::string& chosen) {
  const auto dot = chosen.rfind('.');
  if (dot != std::string::npos) {
    std::string extension = chosen.substr(dot + 1);
    for (char& c : extension) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (extension == "txt") return chosen;
  }
  return chosen + ".txt";
}

std::optional<std::string> SaveCandidateList(const std::string& fileName,
                                             const CandidateTable& candidates, SavedField field) {
  const auto failure = WriteFileWhole(fileName, /*create=*/true, [&](int fd) {
    constexpr std::size_t kFlushAt = std::size_t{64} * 1024;
    std::string buffer;
    buffer.reserve(kFlushAt + 4096);
    const int count = candidates.count();
    for (int k = 1; k <= count; ++k) {
      const CandidateRow& row = candidates.row(k);
      buffer += field == SavedField::FullPath ? std::string_view(row.FullPath) : row.FileName();
      buffer += "\r\n";
      if (buffer.size() >= kFlushAt || k == count) {
        if (const int error = WriteAll(fd, buffer)) return error;
        buffer.clear();
      }
    }
    return 0;
  });
  if (failure) return FileFailureText(failure->what, fileName, failure->error);
  return std::nullopt;
}
