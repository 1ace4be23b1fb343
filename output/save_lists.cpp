// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "output/save_lists.h"

#include "core/file_io.h"
#include "core/whole_file.h"

namespace {

constexpr std::size_t kFlushAt = std::size_t{64} * 1024;

}  // namespace

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

ListFileWriter::ListFileWriter(int fd, SavedField field) : fd_(fd), field_(field) {
  buffer_.reserve(kFlushAt + 4096);
}

void ListFileWriter::file(std::string_view path, std::int64_t) {
  buffer_ += field_ == SavedField::FullPath ? path : FileNameOf(path);
  buffer_ += "\r\n";
  if (buffer_.size() >= kFlushAt) flush();
}

void ListFileWriter::end(const RunReport&) {
  flush();
}

void ListFileWriter::flush() {
  if (error_ == 0 && !buffer_.empty()) error_ = WriteAll(fd_, buffer_);
  buffer_.clear();
}

std::optional<std::string> SaveCandidateList(const std::string& fileName,
                                             const CandidateTable& candidates, SavedField field) {
  const auto failure = WriteFileWhole(fileName, /*create=*/true, [&](int fd) {
    ListFileWriter list(fd, field);
    list.begin();
    const int count = candidates.count();
    for (int k = 1; k <= count && list.error() == 0; ++k) {
      const CandidateRow& row = candidates.row(k);
      list.file(row.FullPath, row.Size);
    }
    list.end(RunReport{});
    return list.error();
  });
  if (failure) return FileFailureText(failure->what, fileName, failure->error);
  return std::nullopt;
}
