// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "output/run_report.h"

#include <algorithm>

std::size_t RunReport::count(DeleteResult result) const {
  return static_cast<std::size_t>(
      std::count_if(deletes.begin(), deletes.end(),
                    [result](const DeletedFile& d) { return d.result == result; }));
}

std::size_t RunReport::kept() const {
  return static_cast<std::size_t>(std::count_if(
      deletes.begin(), deletes.end(), [](const DeletedFile& d) { return !RowsGo(d.result); }));
}
