// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "cli/options.h"

#include <getopt.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <string_view>

#include "scan/folder_path.h"

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

// Reads "--keep CRITERION[,CRITERION...]" into `criteria` (after those of an
// earlier --keep); the reason when a word is empty, unknown or repeated.
std::string KeepCriteriaNamed(const std::string& value, std::vector<KeepCriterion>& criteria) {
  std::size_t at = 0;
  for (;;) {
    const std::size_t comma = std::min(value.find(',', at), value.size());
    const std::string word = value.substr(at, comma - at);
    if (word.empty()) return "--keep needs a criterion, not an empty value in '" + value + "'";
    const std::optional<KeepCriterion> criterion = KeepCriterionFromWord(word);
    if (!criterion)
      return "--keep: unknown criterion '" + word +
             "' (oldest, newest, shortest-path, longest-path, shallowest, deepest, name)";
    if (std::find(criteria.begin(), criteria.end(), *criterion) != criteria.end())
      return "--keep: criterion '" + word + "' is given twice";
    criteria.push_back(*criterion);
    if (comma == value.size()) return {};
    at = comma + 1;
  }
}

}  // namespace

ParsedArgs ParseCliArgs(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  CliOptions& options = parsed.options;
  // getopt_long keeps its place in globals: one parse at a time, each from
  // the start (optind 0). It may reorder argv, so it gets copies.
  static std::mutex parsing;
  const std::lock_guard lock(parsing);
  std::vector<std::string> copies;
  copies.reserve(args.size() + 1);
  copies.emplace_back("twinscan-cli");
  copies.insert(copies.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(copies.size());

  enum : int {
    kMode = 256,
    kList,
    kFormat,
    kMinSize,
    kExclude,
    kKeepPath,
    kKeep,
    kProtect,
    kDelete,
    kTrash,
    kLink,
    kReflink,
    kDryRun,
    kVersion
  };
  static const option kLong[] = {{"mode", required_argument, nullptr, kMode},
                                 {"list", required_argument, nullptr, kList},
                                 {"format", required_argument, nullptr, kFormat},
                                 {"min-size", required_argument, nullptr, kMinSize},
                                 {"exclude", required_argument, nullptr, kExclude},
                                 {"keep-path", required_argument, nullptr, kKeepPath},
                                 {"keep", required_argument, nullptr, kKeep},
                                 {"protect", required_argument, nullptr, kProtect},
                                 {"delete", no_argument, nullptr, kDelete},
                                 {"trash", no_argument, nullptr, kTrash},
                                 {"link", no_argument, nullptr, kLink},
                                 {"reflink", no_argument, nullptr, kReflink},
                                 {"dry-run", no_argument, nullptr, kDryRun},
                                 {"help", no_argument, nullptr, 'h'},
                                 {"version", no_argument, nullptr, kVersion},
                                 {nullptr, 0, nullptr, 0}};
  // '-': folders come back in place (code 1), left to right whatever
  // POSIXLY_CORRECT says; ':': a missing value is told apart from an unknown
  // option, and getopt prints nothing itself.
  ::optind = 0;
  ::opterr = 0;
  for (int code; (code = ::getopt_long(argc, argv.data(), "-:h0", kLong, nullptr)) != -1;) {
    const std::string value = ::optarg != nullptr ? ::optarg : "";
    switch (code) {
      case 1:
        options.folders.push_back(value);
        break;
      case 'h':
        parsed.outcome = ParseOutcome::Help;
        return parsed;
      case kVersion:
        parsed.outcome = ParseOutcome::Version;
        return parsed;
      case '0':
        options.nulTerminated = true;
        break;
      case ':':
        return Fail("option '" + std::string(argv[::optind - 1]) + "' needs a value");
      case '?':
        return Fail("unknown option '" +
                    (::optopt != 0 ? std::string("-") + static_cast<char>(::optopt)
                                   : std::string(argv[::optind - 1])) +
                    "'");
      case kKeepPath:
      case kProtect: {
        const char* name = code == kKeepPath ? "--keep-path" : "--protect";
        if (value.empty()) return Fail(std::string(name) + " needs a folder, not an empty value");
        // Matched by device and inode later: it must be a folder now.
        if (!IsExistingDirectory(value))
          return Fail(std::string(name) + " '" + value + "' is not a folder");
        (code == kKeepPath ? options.keep.folders : options.protect).push_back(value);
        break;
      }
      case kKeep: {
        std::string reason = KeepCriteriaNamed(value, options.keep.criteria);
        if (!reason.empty()) return Fail(reason);
        break;
      }
      case kMode: {
        const auto mode = ModeNamed(value);
        if (!mode) return Fail("--mode must be fast or careful, not '" + value + "'");
        options.mode = *mode;
        break;
      }
      case kList: {
        const auto list = ListNamed(value);
        if (!list) return Fail("--list must be ticked, candidates or groups, not '" + value + "'");
        options.list = *list;
        break;
      }
      case kFormat: {
        const auto format = FormatNamed(value);
        if (!format) return Fail("--format must be text or json, not '" + value + "'");
        options.format = *format;
        break;
      }
      case kMinSize: {
        const auto bytes = BytesNamed(value);
        if (!bytes) return Fail("--min-size must be a number of bytes, not '" + value + "'");
        options.minSize = *bytes;
        break;
      }
      case kDelete:
      case kTrash:
      case kLink:
      case kReflink: {
        const auto act = static_cast<CliAct>(static_cast<int>(CliAct::Delete) + code - kDelete);
        if (options.act != CliAct::None && options.act != act)
          return Fail("--delete, --trash, --link and --reflink do not go together: give one");
        options.act = act;
        break;
      }
      case kDryRun:
        options.dryRun = true;
        break;
      case kExclude:
        if (value.empty()) return Fail("--exclude needs a pattern");
        options.excludes.push_back(value);
        break;
      default:
        return Fail("unknown option '" + std::string(argv[::optind - 1]) + "'");
    }
  }
  // After "--" every argument is a folder.
  for (int i = ::optind; i < argc; ++i) options.folders.emplace_back(argv[i]);
  if (options.folders.empty()) return Fail("FOLDER is missing");
  if (options.nulTerminated && options.format == OutputFormat::Json)
    return Fail("-0 does not go with --format json (JSON lines end with a newline)");
  if (options.dryRun && options.act == CliAct::None)
    return Fail("--dry-run goes with --delete, --trash, --link or --reflink");
  // An act works on the ticked files and reports on each: no other listing.
  if (options.act != CliAct::None && options.list != ListForm::Ticked)
    return Fail("--delete, --trash, --link and --reflink act on the ticked files: --list " +
                std::string(options.list == ListForm::Groups ? "groups" : "candidates") +
                " does not go with them");
  parsed.outcome = ParseOutcome::Run;
  return parsed;
}

const std::string& CliUsage() {
  static const std::string text =
      "Usage: twinscan-cli [--mode fast|careful] [--list ticked|candidates|groups]\n"
      "                    [--keep-path DIR]... [--keep CRITERION[,CRITERION...]]\n"
      "                    [--protect DIR]... [-0] [--min-size BYTES]\n"
      "                    [--exclude GLOB]... [--format text|json]\n"
      "                    [--delete|--trash|--link|--reflink [--dry-run]] FOLDER...\n"
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
      "  --keep-path DIR    in each set with a file below DIR, one file below DIR\n"
      "                     stays unticked (chosen by --keep, else the first listed)\n"
      "                     and the others are ticked; repeatable, the first DIR\n"
      "                     that holds a file of the set decides\n"
      "  --keep CRITERION[,CRITERION...]\n"
      "                     in each set, one file stays unticked and the others are\n"
      "                     ticked: the first by the criteria in order, a tie going\n"
      "                     to the next criterion, then to the first listed.\n"
      "                     CRITERION: oldest or newest (modification time),\n"
      "                     shortest-path or longest-path (bytes of the path),\n"
      "                     shallowest or deepest (folders deep), name (file name,\n"
      "                     then path, by bytes)\n"
      "                     With either, --list ticked prints the files the rules\n"
      "                     tick (the check's ticks in the sets they leave alone),\n"
      "                     and --list groups prints the kept file of each set\n"
      "                     first. A file in a Trash folder ($XDG_DATA_HOME/Trash,\n"
      "                     a mount's .Trash-UID or .Trash/UID) stays only when\n"
      "                     every file of its set is in one\n"
      "  --protect DIR      never tick a file below DIR, whatever the check or the\n"
      "                     rules say; repeatable\n"
      "  --delete           then delete each ticked file, but only once a file that\n"
      "                     stays was read again right before and found\n"
      "                     byte-identical, both still the files the check read; a\n"
      "                     ticked file without such a copy is kept\n"
      "  --trash            the same, moving each to the Trash instead\n"
      "  --link             the same, replacing each by a hard link to its copy (one\n"
      "                     file system only): the name then has the copy's owner,\n"
      "                     mode and times\n"
      "  --reflink          the same, letting each share the blocks of its copy (the\n"
      "                     kernel compares the bytes once more); it keeps its inode,\n"
      "                     owner, mode and times. Where the file system cannot\n"
      "                     share blocks the file is kept\n"
      "  --dry-run          with one of the four: verify everything, change nothing\n"
      "                     (done then means it would be done)\n"
      "                     With one of them the output is one line per ticked file,\n"
      "                     ACTION TAB RESULT TAB PATH TAB KEEPER (ACTION: delete,\n"
      "                     trash, link or reflink; RESULT: done, kept-changed (also\n"
      "                     when the file was gone), kept-no-copy, kept-protected or\n"
      "                     failed; KEEPER: the copy that stays, or empty), and a\n"
      "                     summary follows on standard error\n"
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
      "                     entry per path of the set, null where valid);\n"
      "                     {\"action\",\"result\",\"path\",\"keeper\",\"bytes\",\"error\"}\n"
      "                     per ticked file of an act (bytes freed or shared, the\n"
      "                     error's text or null)\n"
      "  --help             print this help and exit\n"
      "  --version          print the version and exit\n"
      "\n"
      "Progress (entries walked, bytes compared) goes to standard error when it is\n"
      "a terminal.\n"
      "\n"
      "Exit status: 0 on success, 1 when a FOLDER cannot be scanned or the output\n"
      "cannot be written, 2 for wrong usage, 3 when the output was written but a\n"
      "file could not be read (it counted as different from every other) or a\n"
      "folder below a FOLDER could not be listed, 4 when an act kept a ticked file or\n"
      "failed on it (before 3); each is named on standard error.\n";
  return text;
}

std::string CliVersion() {
  return std::string("twinscan-cli ") + TWINSCAN_VERSION +
         "\nCopyright (C) 2026 The Twinscan developers.\n"
         "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
         "This is free software: you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.";
}
