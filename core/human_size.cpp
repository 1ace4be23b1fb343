// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/human_size.h"

#include <array>
#include <cstdio>

namespace {

std::string BytesWord(std::uint64_t bytes) {
  return bytes == 1 ? " byte" : " bytes";
}

}  // namespace

std::string HumanSize(std::uint64_t bytes) {
  static constexpr std::array<const char*, 6> kUnits = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024) return std::to_string(bytes) + BytesWord(bytes);
  double value = static_cast<double>(bytes) / 1024.0;
  std::size_t unit = 0;
  // 1023.96 KiB would read "1024 KiB": the next unit takes it.
  while (value >= 1023.5 && unit + 1 < kUnits.size()) {
    value /= 1024.0;
    ++unit;
  }
  std::array<char, 32> text{};
  if (value < 9.95) {
    std::snprintf(text.data(), text.size(), "%.1f %s", value, kUnits[unit]);
  } else {
    std::snprintf(text.data(), text.size(), "%.0f %s", value, kUnits[unit]);
  }
  return text.data();
}

std::string GroupedBytes(std::uint64_t bytes) {
  const std::string digits = std::to_string(bytes);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out + BytesWord(bytes);
}

std::string BytesWithHumanSize(std::uint64_t bytes) {
  if (bytes < 1024) return GroupedBytes(bytes);
  return GroupedBytes(bytes) + " (" + HumanSize(bytes) + ")";
}
