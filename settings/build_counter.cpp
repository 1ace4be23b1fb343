// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "settings/build_counter.h"

#include <limits>
#include <string_view>

#include "settings/text_file.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The first word of the text: the bytes after the leading blanks up to the
// next blank, the end of the text or a Ctrl-Z.
std::string_view FirstWord(std::string_view text) {
  text = text.substr(0, text.find('\x1a'));
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  std::size_t end = start;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  return text.substr(start, end - start);
}

}  // namespace

std::optional<std::string> RunBuildCounter(const std::string& startDirectory) {
  if (!IsRegularFile(JoinPath(startDirectory, kBuildMarkerFileName))) return std::nullopt;
  const std::string counter = JoinPath(startDirectory, kBuildCounterFileName);
  const RegularFileBytes file = ReadRegularFile(counter);
  if (!file.found) return std::nullopt;
  if (file.error) return file.error;

  const std::string_view word = FirstWord(file.bytes);
  const auto n = ParseWholeNumber(word);
  if (!n) return NotAnIntegerText(word);
  if (*n == std::numeric_limits<std::int32_t>::max()) {
    return "Build number " + std::to_string(*n) + " cannot be increased";
  }
  // The file exists; it is rewritten in place, never created.
  return WriteWholeFile(counter, std::to_string(*n + 1) + "\r\n", /*create=*/false);
}
