// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "cli/listings.h"

#include <algorithm>
#include <string_view>

#include "session/texts.h"

bool ScanFailed(const RunReport& report, const std::vector<std::string>& roots,
                ProgressLineWriter& line, std::FILE* err, const char* program) {
  if (report.walkFailed) {
    line.clear();
    std::fprintf(err, "%s\n", texts::kWalkFailed);
    return true;
  }
  // A folder given that could not be listed was not scanned.
  for (const FileFailure& folder : report.unlistable) {
    if (std::find(roots.begin(), roots.end(), folder.path) == roots.end()) continue;
    line.clear();
    CannotLine(err, program, "list", folder.path, folder.error);
    return true;
  }
  return false;
}

void WriteTickedFiles(const Session& session, ReportWriter& writer) {
  const CandidateTable& candidates = session.candidates();
  for (int r = 1; r <= candidates.count(); ++r) {
    if (session.ticked(r)) writer.file(candidates.row(r).FullPath, candidates.row(r).Size);
  }
}

void WriteCandidates(const Session& session, ReportWriter& writer) {
  const CandidateTable& candidates = session.candidates();
  for (int r = 1; r <= candidates.count(); ++r)
    writer.file(candidates.row(r).FullPath, candidates.row(r).Size);
}

void WriteSets(const Session& session, ReportWriter& writer) {
  const CandidateTable& candidates = session.candidates();
  std::vector<std::string_view> paths;
  for (std::vector<int> set : session.identicalSets()) {
    std::stable_partition(set.begin(), set.end(), [&](int r) { return !session.ticked(r); });
    paths.clear();
    for (const int r : set) paths.emplace_back(candidates.row(r).FullPath);
    writer.set(candidates.row(set.front()).Size, paths);
  }
}
