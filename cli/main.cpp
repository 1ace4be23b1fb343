// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  CliEnvironment env;
  env.showProgress = ::isatty(STDERR_FILENO) == 1;
  return RunCli(args, stdout, stderr, env);
}
