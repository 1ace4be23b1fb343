// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/run.h"

// Runs twinscan-cli with `args`, collecting both streams into strings.
inline int RunCli(const std::vector<std::string>& args, std::string& out, std::string& err,
                  const CliEnvironment& env = {}) {
  char* outBuffer = nullptr;
  char* errBuffer = nullptr;
  std::size_t outSize = 0;
  std::size_t errSize = 0;
  std::FILE* outStream = ::open_memstream(&outBuffer, &outSize);
  std::FILE* errStream = ::open_memstream(&errBuffer, &errSize);
  int status = 1;
  if (outStream != nullptr && errStream != nullptr)
    status = RunCli(args, outStream, errStream, env);
  if (outStream != nullptr) std::fclose(outStream);
  if (errStream != nullptr) std::fclose(errStream);
  out.assign(outBuffer != nullptr ? outBuffer : "", outSize);
  err.assign(errBuffer != nullptr ? errBuffer : "", errSize);
  std::free(outBuffer);
  std::free(errBuffer);
  if (outStream == nullptr || errStream == nullptr) {
    err = "cannot open a memory stream\n";
    return 1;
  }
  return status;
}
