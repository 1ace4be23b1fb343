// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "output/json_lines.h"

#include <algorithm>
#include <cstdint>

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF are not valid).
std::size_t Utf8Length(std::string_view s, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b = byte(at);
  std::size_t length = 0;
  std::uint32_t value = 0;
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    value = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    value = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    value = b & 0x07;
  } else {
    return 0;
  }
  if (at + length > s.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) || value > 0x10FFFF ||
      (value >= 0xD800 && value <= 0xDFFF))
    return 0;
  return length;
}

}  // namespace

namespace {

// Appends the JSON string of `bytes` to `out`. Runs of printable ASCII other
// than '"' and '\\' (most of a path) are copied in one piece.
void AppendJsonString(std::string& out, std::string_view bytes, bool& valid) {
  static const char* const kHex = "0123456789abcdef";
  const auto plain = [](unsigned char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; };
  out += '"';
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t run = at;
    while (run < bytes.size() && plain(static_cast<unsigned char>(bytes[run]))) ++run;
    out.append(bytes.data() + at, run - at);
    if ((at = run) == bytes.size()) break;
    const unsigned char c = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = Utf8Length(bytes, at);
    if (length == 0) {
      valid = false;
      out += "\\ufffd";
      ++at;
      continue;
    }
    if (length > 1) {
      out.append(bytes.data() + at, length);
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
    at += length;
  }
  out += '"';
}

}  // namespace

std::string JsonString(std::string_view bytes, bool& valid) {
  valid = true;
  std::string out;
  out.reserve(bytes.size() + 2);
  AppendJsonString(out, bytes, valid);
  return out;
}

std::string Base64(std::string_view bytes) {
  static const char* const kDigits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t at = 0; at < bytes.size(); at += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - at);
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 3; ++i)
      v = (v << 8) | (i < n ? static_cast<unsigned char>(bytes[at + i]) : 0U);
    for (std::size_t i = 0; i < 4; ++i) out += i <= n ? kDigits[(v >> (18 - 6 * i)) & 0x3F] : '=';
  }
  return out;
}

void AppendJsonFileLine(std::string& out, std::string_view path, std::int64_t size) {
  bool valid = true;
  out += "{\"path\":";
  AppendJsonString(out, path, valid);
  if (!valid) out.append(",\"path_base64\":\"").append(Base64(path)).append("\"");
  out.append(",\"size\":").append(std::to_string(size)).append("}\n");
}

void AppendJsonSetLine(std::string& out, std::int64_t size,
                       const std::vector<std::string_view>& paths) {
  out.append("{\"size\":").append(std::to_string(size)).append(",\"paths\":[");
  std::string raw = ",\"paths_base64\":[";
  bool anyInvalid = false;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    bool valid = true;
    if (i != 0) out += ',';
    AppendJsonString(out, paths[i], valid);
    raw += (i == 0 ? "" : ",") + (valid ? std::string("null") : "\"" + Base64(paths[i]) + "\"");
    anyInvalid = anyInvalid || !valid;
  }
  out += ']';
  if (anyInvalid) out.append(raw).append("]");
  out += "}\n";
}

void AppendJsonActLine(std::string& out, std::string_view action, std::string_view result,
                       std::string_view path, std::string_view keeper, std::uint64_t bytes,
                       std::string_view error) {
  bool pathValid = true;
  bool keeperValid = true;
  out.append("{\"action\":\"").append(action).append("\",\"result\":\"").append(result);
  out.append("\",\"path\":");
  AppendJsonString(out, path, pathValid);
  out.append(",\"keeper\":");
  if (keeper.empty()) {
    out.append("null");
  } else {
    AppendJsonString(out, keeper, keeperValid);
  }
  out.append(",\"bytes\":").append(std::to_string(bytes)).append(",\"error\":");
  if (error.empty()) {
    out.append("null");
  } else {
    bool valid = true;
    AppendJsonString(out, error, valid);
  }
  if (!pathValid) out.append(",\"path_base64\":\"").append(Base64(path)).append("\"");
  if (!keeperValid) out.append(",\"keeper_base64\":\"").append(Base64(keeper)).append("\"");
  out.append("}\n");
}
