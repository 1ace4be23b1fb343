// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include "core/file_identity.h"
#include "core/records.h"

// Records the folder of every candidate that came without one, looked up by
// its path as the walk would have found it, so what rests on the recorded
// folder is tested whether or not the walk records it.
inline void RecordFolders(CandidateTable& candidates) {
  for (int k = 1; k <= candidates.count(); ++k) {
    CandidateRow& row = candidates.row(k);
    if (!row.Folder.known()) row.Folder = ParentFolderOf(row.FullPath);
  }
}
