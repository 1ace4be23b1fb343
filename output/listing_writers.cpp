// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "output/listing_writers.h"

#include "output/json_lines.h"

void TextWriter::file(std::string_view path, std::int64_t size) {
  if (sizes_) {
    out_.write(std::to_string(size));
    out_.put('\t');
  }
  out_.write(path);
  out_.put(end_);
}

void TextWriter::set(std::int64_t, const std::vector<std::string_view>& paths) {
  for (const std::string_view path : paths) {
    out_.write(path);
    out_.put(end_);
  }
  out_.put(end_);
}

void TextWriter::acted(const DeletedFile& file, FileAct act, bool trash) {
  out_.write(ActWord(act, trash));
  out_.put('\t');
  out_.write(ActResultWord(file.result));
  out_.put('\t');
  out_.write(file.path);
  out_.put('\t');
  out_.write(file.keeper);
  out_.put(end_);
}

// The listing is whole once it has reached the stream's file; a failure
// stays in the stream for the caller to name.
void TextWriter::end(const RunReport&) {
  out_.finish();
}

void JsonLinesWriter::file(std::string_view path, std::int64_t size) {
  line_.clear();
  AppendJsonFileLine(line_, path, size);
  out_.write(line_);
}

void JsonLinesWriter::set(std::int64_t size, const std::vector<std::string_view>& paths) {
  line_.clear();
  AppendJsonSetLine(line_, size, paths);
  out_.write(line_);
}

void JsonLinesWriter::acted(const DeletedFile& file, FileAct act, bool trash) {
  line_.clear();
  AppendJsonActLine(line_, ActWord(act, trash), ActResultWord(file.result), file.path, file.keeper,
                    file.bytes, ActErrorText(file, act));
  out_.write(line_);
}

void JsonLinesWriter::end(const RunReport&) {
  out_.finish();
}
