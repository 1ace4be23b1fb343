// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/capacity.h"
#include "core/records.h"

// How a run meets its surroundings.
struct CliEnvironment {
  bool showProgress = false;  // a progress line on the error stream (a terminal)
  // Capacity of the scan, file and candidate tables: no limit unless a test sets one.
  int tableSlots = std::numeric_limits<int>::max();
  // Called once the check and the rules have ticked, right before an act
  // (tests change files from outside there).
  std::function<void()> beforeAct;
};

// Runs the tool with the arguments after the program name; the listing goes
// to `out`, messages and progress to `err`. Returns the exit status: 0 done,
// 1 folder missing, walk failed or output not written, 2 wrong usage, 3 the
// listing was written but some candidate could not be read (each is named
// on `err`), 4 an act kept a ticked file or failed on it (before 3).
int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
           const CliEnvironment& env = {});
