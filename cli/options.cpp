// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "cli/options.h"

#include <optional>
#include <string_view>

namespace {

ParsedArgs Fail(std::string reason) {
  ParsedArgs parsed;
  parsed.outcome = ParseOutcome::UsageError;
  parsed.error = std::move(reason);
  return parsed;
}

std::optional<CheckMode> ModeNamed(std::string_view value) {
  if (value == "fast") return CheckMode::Fast;
  if (value == "careful") return CheckMode::Careful;
  return std::nullopt;
}

std::optional<ListForm> ListNamed(std::string_view value) {
  if (value == "ticked") return ListForm::Ticked;
  if (value == "candidates") return ListForm::Candidates;
  if (value == "groups") return ListForm::Groups;
  return std::nullopt;
}

std::optional<OutputFormat> FormatNamed(std::string_view value) {
  if (value == "text") return OutputFormat::Text;
  if (value == "json") return OutputFormat::Json;
  return std::nullopt;
}

// A count of bytes: decimal digits only, within 64 bits.
std::optional<std::int64_t> BytesNamed(const std::string& value) {
  if (value.empty() || value.size() > 18 ||
      value.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoll(value);
}

}  // namespace

ParsedArgs ParseCliArgs(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  CliOptions& options = parsed.options;
  bool optionsEnded = false;

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg.front() != '-') {
      options.folders.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed.outcome = ParseOutcome::Help;
      return parsed;
    }
    if (arg == "--version") {
      parsed.outcome = ParseOutcome::Version;
      return parsed;
    }
    if (arg == "-0") {
      options.nulTerminated = true;
      continue;
    }

    // The options that take a value.
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (name != "--mode" && name != "--list" && name != "--format" && name != "--min-size" &&
        name != "--exclude" && name != "--keep-path" && name != "--keep")
      return Fail("unknown option '" + arg + "'");
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return Fail("option '" + name + "' needs a value");
    }
    if (name == "--keep-path") {
      if (value.empty()) return Fail("--keep-path needs a folder, not an empty value");
      options.keep.folders.push_back(value);
    } else if (name == "--keep") {
      if (value == "oldest") {
        options.keep.age = KeepRule::Age::Oldest;
      } else if (value == "newest") {
        options.keep.age = KeepRule::Age::Newest;
      } else {
        return Fail("--keep must be oldest or newest, not '" + value + "'");
      }
    } else if (name == "--mode") {
      const auto mode = ModeNamed(value);
      if (!mode) return Fail("--mode must be fast or careful, not '" + value + "'");
      options.mode = *mode;
    } else if (name == "--list") {
      const auto list = ListNamed(value);
      if (!list) return Fail("--list must be ticked, candidates or groups, not '" + value + "'");
      options.list = *list;
    } else if (name == "--format") {
      const auto format = FormatNamed(value);
      if (!format) return Fail("--format must be text or json, not '" + value + "'");
      options.format = *format;
    } else if (name == "--min-size") {
      const auto bytes = BytesNamed(value);
      if (!bytes) return Fail("--min-size must be a number of bytes, not '" + value + "'");
      options.minSize = *bytes;
    } else {
      if (value.empty()) return Fail("--exclude needs a pattern");
      options.excludes.push_back(value);
    }
  }
  if (options.folders.empty()) return Fail("FOLDER is missing");
  if (options.nulTerminated && options.format == OutputFormat::Json)
    return Fail("-0 does not go with --format json (JSON lines end with a newline)");
  parsed.outcome = ParseOutcome::Run;
  return parsed;
}

const std::string& CliUsage() {
  static const std::string text =
      "Usage: twinscan-cli [--mode fast|careful] [--list ticked|candidates|groups]\n"
      "                    [--keep-path DIR]... [--keep oldest|newest] [-0]\n"
      "                    [--min-size BYTES] [--exclude GLOB]... [--format text|json]\n"
      "                    FOLDER...\n"
      "Finds files below the FOLDERs whose contents are identical. The folders are\n"
      "walked in the order given, each breadth-first; a folder given twice, or\n"
      "inside another one given, is walked once. There is no limit on the number\n"
      "of files.\n"
      "\n"
      "  --mode fast        compare each file with the next one of the same size,\n"
      "                     ticking the earlier of an identical pair\n"
      "  --mode careful     compare the files of each size with each other, ticking\n"
      "                     every copy after the first (default)\n"
      "  --list ticked      print the ticked files, one path a line (default)\n"
      "  --list candidates  print every file that shares its size with another:\n"
      "                     the size in bytes, a TAB, the path\n"
      "  --list groups      print each set of identical files (hard links of one\n"
      "                     file count once), each set followed by an empty line\n"
      "  --keep-path DIR    in each set with a file below DIR, keep (leave unticked)\n"
      "                     the files below DIR and tick the others; repeatable, the\n"
      "                     first DIR that holds a file of the set decides\n"
      "  --keep oldest      in each set no --keep-path decides, keep the file with\n"
      "  --keep newest      the oldest (newest) modification time, the first listed\n"
      "                     of equal times, and tick the others\n"
      "                     With either, --list ticked prints the files the rules\n"
      "                     tick (the check's ticks in the sets they leave alone),\n"
      "                     and --list groups prints the kept files of each set\n"
      "                     first\n"
      "  -0                 end each path with NUL instead of a newline; a set of\n"
      "                     --list groups then ends with an extra NUL\n"
      "  --min-size BYTES   leave out files smaller than BYTES (default 0)\n"
      "  --exclude GLOB     do not walk a file or folder that matches GLOB (fnmatch\n"
      "                     rules: * ? [...]): its name when GLOB has no '/', else\n"
      "                     its path below its FOLDER; may be given more than once\n"
      "  --format text      the lists above (default)\n"
      "  --format json      one JSON object per line: {\"path\",\"size\"} per file of\n"
      "                     --list ticked or candidates, {\"size\",\"paths\"} per set\n"
      "                     of --list groups. A path that is not valid UTF-8 is\n"
      "                     given with each bad byte as U+FFFD, and its exact bytes\n"
      "                     in base64 in \"path_base64\" (\"paths_base64\": one\n"
      "                     entry per path of the set, null where valid)\n"
      "  --help             print this help and exit\n"
      "  --version          print the version and exit\n"
      "\n"
      "Progress (entries walked, bytes compared) goes to standard error when it is\n"
      "a terminal.\n"
      "\n"
      "Exit status: 0 on success, 1 when a FOLDER cannot be scanned or the output\n"
      "cannot be written, 2 for wrong usage, 3 when the output was written but a\n"
      "file could not be read (it counted as different from every other) or a\n"
      "folder below a FOLDER could not be listed; each is named on standard error.\n";
  return text;
}

std::string CliVersion() {
  return std::string("twinscan-cli ") + TWINSCAN_VERSION +
         "\nCopyright (C) 2026 The Twinscan developers.\n"
         "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
         "This is free software: you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.";
}
