// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "session/identical_sets.h"

#include "compare/check_run.h"
#include "compare/in_order.h"

std::vector<std::vector<int>> IdenticalSets(const CandidateTable& candidates,
                                            const std::function<void(int percent)>& progress,
                                            const EngineLimits& limits,
                                            const std::function<void()>& checkpoint) {
  const std::function<void()> step = checkpoint ? checkpoint : [] {};
  // A band of one row has no set.
  std::vector<RowRange> bands = Bands(candidates);
  std::erase_if(bands, [](const RowRange& band) { return band.last == band.first; });
  const int count = candidates.count();
  std::vector<std::vector<int>> sets;
  RunInOrder<std::vector<std::vector<int>>>(
      static_cast<int>(bands.size()), limits.threads,
      [&](int b) {
        const RowRange band = bands[static_cast<std::size_t>(b)];
        std::vector<RowIdentity> files;
        for (int r = band.first; r <= band.last; ++r) {
          step();
          if (const auto file = StatCandidate(candidates.row(r).FullPath, r))
            files.push_back(*file);
        }
        return files.size() < 2 ? std::vector<std::vector<int>>{}
                                : IdenticalClasses(files, candidates, step, limits);
      },
      [&](int b, std::vector<std::vector<int>>& classes) {
        if (progress) {
          progress(static_cast<int>(
              static_cast<long long>(bands[static_cast<std::size_t>(b)].first) * 100 / count));
        }
        for (auto& members : classes) sets.push_back(std::move(members));
      });
  return sets;
}
