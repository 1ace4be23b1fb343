// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <string>

// The bytes of base64 `text` (no checks: the tests compare the result).
inline std::string FromBase64(const std::string& text) {
  static const std::string digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned value = 0;
  int bits = 0;
  for (const char c : text) {
    if (c == '=') break;
    value = (value << 6) | static_cast<unsigned>(digits.find(c));
    if ((bits += 6) >= 8) out.push_back(static_cast<char>((value >> (bits -= 8)) & 0xFF));
  }
  return out;
}
