// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/paths.h"

// Small file and number helpers shared by the settings file and the build
// counter. No shared state; any thread.

// True when `path` names a regular file (symbolic links followed).
bool IsRegularFile(const std::string& path);

// A whole number: an optional '+' or '-', then one or more decimal digits, the
// value fitting a signed 32-bit integer. Nothing else, not even blanks, is
// accepted; nothing is returned otherwise.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

// "'<text>' is not a valid integer value"
std::string NotAnIntegerText(std::string_view text);

// The most a settings file or "Build.txt" may hold: 64 MiB.
inline constexpr std::uint64_t kMaxTextFileBytes = std::uint64_t{64} << 20;

// The whole content of a regular file. `found` is false when the path names
// no regular file; `error` holds the failure text when it exists but cannot be
// opened or read, or holds more than kMaxTextFileBytes ("File too large").
struct RegularFileBytes {
  bool found = false;
  std::string bytes;
  std::optional<std::string> error;
};
RegularFileBytes ReadRegularFile(const std::string& path);

// Writes `data` to `path` whole or not at all (WriteFileWhole): with
// `create` a missing file is created, without it a missing file is an error.
// The file is written as a new file in its folder and renamed over the old
// one; when the folder takes no new file the write fails and the old file
// stays. A FIFO without a reader is an error, not a wait. Returns the failure
// text, nothing on success.
std::optional<std::string> WriteWholeFile(const std::string& path, std::string_view data,
                                          bool create);

// Copies the regular file `from` to `to` (replaced whole or not at all), in
// pieces, whatever its size. Returns the failure text, nothing on success.
std::optional<std::string> KeepCopy(const std::string& from, const std::string& to);
