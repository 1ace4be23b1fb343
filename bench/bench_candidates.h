// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

// The same-size files below a folder as candidates, for the benchmarks that
// time a step after the grouping without running the walk.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/file_identity.h"
#include "core/records.h"

namespace bench {

struct Found {
  std::string path;
  std::int64_t size = 0;
};

inline std::vector<Found> ListRegularFiles(const std::string& root) {
  std::vector<Found> files;
  std::error_code ec;
  const auto options = std::filesystem::directory_options::skip_permission_denied;
  for (auto it = std::filesystem::recursive_directory_iterator(root, options, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code entryError;
    if (!it->is_symlink(entryError) && it->is_regular_file(entryError)) {
      const auto size = it->file_size(entryError);
      if (!entryError) files.push_back({it->path().string(), static_cast<std::int64_t>(size)});
    }
  }
  return files;
}

// Same-size files in ascending size order, the band flag toggling at every
// change of size. Stops at the table's capacity.
inline void FillCandidates(std::vector<Found> files, CandidateTable& table) {
  std::stable_sort(files.begin(), files.end(),
                   [](const Found& a, const Found& b) { return a.size < b.size; });
  std::uint8_t band = 1;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const bool before = i > 0 && files[i - 1].size == files[i].size;
    const bool after = i + 1 < files.size() && files[i + 1].size == files[i].size;
    if (!before && !after) continue;
    if (!before) band = static_cast<std::uint8_t>(1 - band);
    ddd1 row;
    row.FullPath = files[i].path;
    row.Size = files[i].size;
    row.Band = band;
    if (const auto id = RegularFileIdentity(row.FullPath)) row.Identity = *id;
    if (!table.append(std::move(row))) break;
  }
  table.CandidateCount = table.size();
}

}  // namespace bench
