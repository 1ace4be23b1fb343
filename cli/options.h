// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compare/check_run.h"
#include "lists/keep_rules.h"

// What the tool prints once the run is done.
enum class ListForm {
  Ticked,      // the rows the check ticks, one path a line
  Candidates,  // every candidate row: size, TAB, path
  Groups,      // sets of byte-identical candidates, one empty line after each
};

// How the listing is written.
enum class OutputFormat {
  Text,  // the paths (and sizes) as lines
  Json,  // one JSON object per line
};

// What the tool does with the files it ticks, once the check and every keep
// rule have ticked them.
enum class CliAct {
  None,     // list only
  Delete,   // unlink each, once an identical copy that stays was verified
  Trash,    // the same, moved to the Trash instead
  Link,     // replace each by a hard link to its verified copy
  Reflink,  // share the blocks of its verified copy (the kernel compares them)
};

struct CliOptions {
  CheckMode mode = CheckMode::Careful;
  ListForm list = ListForm::Ticked;
  bool nulTerminated = false;  // -0: paths end with NUL instead of newline
  OutputFormat format = OutputFormat::Text;
  std::int64_t minSize = 0;           // files smaller than this are no candidates
  std::vector<std::string> excludes;  // globs of paths below a folder that are not walked
  std::vector<std::string> folders;   // in the order given
  // --keep-path (in order, first match wins) and --keep: which member of
  // each set of identical files stays unticked.
  KeepRule keep;
  bool keepGiven() const { return !keep.empty(); }
  // --protect: nothing below these folders is ticked.
  std::vector<std::string> protect;
  CliAct act = CliAct::None;
  bool dryRun = false;  // --dry-run: verify everything, change nothing
};

enum class ParseOutcome { Run, Help, Version, UsageError };

struct ParsedArgs {
  ParseOutcome outcome = ParseOutcome::UsageError;
  CliOptions options;
  std::string error;  // a UsageError's one-line reason
};

// Reads the arguments after the program name, left to right: the first
// --help, --version or mistake decides. "--" ends the options; "-" alone and
// anything not starting with '-' is a folder. Values may follow as the next
// argument or after '=' ("--mode=fast").
ParsedArgs ParseCliArgs(const std::vector<std::string>& args);

// The usage text --help prints, ending with a newline.
const std::string& CliUsage();

// "twinscan-cli <version>".
std::string CliVersion();
