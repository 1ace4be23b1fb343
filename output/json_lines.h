// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One JSON object per line for the listing. Paths are raw bytes: a path that
// is valid UTF-8 is a JSON string; one that is not is the same string with
// each bad byte as U+FFFD, and its exact bytes in base64 beside it.

// Appends {"path":...,"size":N} (with "path_base64" when needed) and a newline.
void AppendJsonFileLine(std::string& out, std::string_view path, std::int64_t size);
// Appends {"size":N,"paths":[...]} (with "paths_base64": one entry per path,
// null where the path is valid UTF-8, when any is not) and a newline.
void AppendJsonSetLine(std::string& out, std::int64_t size,
                       const std::vector<std::string_view>& paths);
// Appends {"action":...,"result":...,"path":...,"keeper":...,"bytes":N,
// "error":...} and a newline: keeper and error null when empty;
// "path_base64" and "keeper_base64" beside a path that is not UTF-8.
void AppendJsonActLine(std::string& out, std::string_view action, std::string_view result,
                       std::string_view path, std::string_view keeper, std::uint64_t bytes,
                       std::string_view error);

// The JSON string of `bytes`; `valid` says whether they were valid UTF-8.
std::string JsonString(std::string_view bytes, bool& valid);
std::string Base64(std::string_view bytes);
