// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "cli/run.h"

#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/options.h"
#include "compare/check_engine.h"
#include "core/descriptors.h"
#include "core/dialogs.h"
#include "core/file_io.h"
#include "core/worker.h"
#include "output/listing_writers.h"
#include "output/output_stream.h"
#include "output/report_writer.h"
#include "output/run_report.h"
#include "output/terminal_writers.h"
#include "scan/folder_path.h"
#include "scan/walk.h"
#include "session/identical_sets.h"
#include "session/plain_driver.h"
#include "session/texts.h"

namespace {

constexpr const char* kProgram = "twinscan-cli";

void WriteText(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

// The walk's entries to the progress writer, and the folders it could not
// list to the run's report.
class WalkProgress final : public WalkObserver {
 public:
  WalkProgress(ReportWriter& writer, RunReport& report) : writer_(writer), report_(report) {}
  void checkpoint() override { writer_.progress(Stage::Walking, 0, ++entries_); }
  void unlistable(const std::string& folder, int error) override {
    report_.unlistable.push_back({folder, error});
  }

 private:
  ReportWriter& writer_;
  RunReport& report_;
  std::uint64_t entries_ = 0;
};

// The session's events for a terminal: its progress to the progress writer
// (the walk's comes from WalkProgress).
class ProgressView final : public SessionEvents {
 public:
  explicit ProgressView(ReportWriter& writer) : writer_(writer) {}
  void progress(const RunProgress& progress) override {
    if (progress.phase == Phase::Walking) return;
    // The bytes the check has compared so far, from the engines' own count.
    writer_.progress(stage, progress.percent, CompareBytesRead() - bytesAtStart);
  }
  void enter(Stage next) {
    stage = next;
    bytesAtStart = CompareBytesRead();
  }
  Stage stage = Stage::Grouping;
  std::uint64_t bytesAtStart = 0;

 private:
  ReportWriter& writer_;
};

// Messages meant for a window's boxes: only the walk's failure is told, by
// the caller, so they are kept, not shown.
class KeptMessages final : public Dialogs {
 public:
  void information(const std::string&) override {}
  void warning(const std::string& text) override { warnings.push_back(text); }
  void plain(const std::string&) override {}
  void confirmOk(const std::string&) override {}
  bool confirmYesNo(const std::string&) override { return false; }
  bool confirmYesNoDetailed(const std::string&, const std::string&) override { return false; }
  void errorBox(const std::string&) override {}
  std::optional<std::string> pickFolder(const std::string&) override { return {}; }
  std::optional<std::string> saveFile(const std::string&, const std::string&) override {
    return {};
  }
  std::vector<std::string> warnings;
};

// The rows whose files could not be opened or read, collected from the
// engines of every thread.
class UnreadableRows final : public UnreadableSink {
 public:
  // Engine bounds for `threads` threads that report here.
  EngineLimits limits(int threads) {
    EngineLimits limits;
    limits.threads = threads;
    limits.unreadable = this;
    return limits;
  }
  void unreadable(int row, int error) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    rows_.emplace_back(row, error);
  }
  // Each row once, in row order, with the first error met.
  void report(const CandidateTable& candidates, RunReport& report) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::sort(rows_.begin(), rows_.end());
    int last = 0;
    for (const auto& [row, error] : rows_) {
      if (row == last) continue;
      last = row;
      report.unreadable.push_back({candidates.row(row).FullPath, error});
    }
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<int, int>> rows_;  // row, errno
};

int UsageError(std::FILE* err, const std::string& reason) {
  WriteText(err, "twinscan-cli: " + reason + "\n");
  WriteText(err, CliUsage());
  return 2;
}

int Run(const CliOptions& options, std::FILE* outStream, std::FILE* err,
        const CliEnvironment& env) {
  for (const std::string& folder : options.folders) {
    if (IsExistingDirectory(folder)) continue;
    WriteText(err, texts::kFolderMissingBefore);
    WriteText(err, folder);
    WriteText(err, texts::kFolderMissingAfter);
    WriteText(err, "\n");
    return 1;
  }
  // A folder that exists but cannot be listed cannot be scanned either.
  for (const std::string& folder : options.folders) {
    // A shortage of descriptors is waited out, as the walk does.
    const UniqueFd listed(OpenDespiteShortage(
        [&folder] { return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }, nullptr,
        nullptr));
    if (listed.valid()) continue;
    CannotLine(err, kProgram, "list", folder, errno);
    return 1;
  }

  // Folders to keep are matched by device and inode, however they are spelled.
  const KeepRule& keep = options.keep;
  for (const std::string& folder : keep.folders) {
    if (!IsExistingDirectory(folder)) {
      return UsageError(err, "--keep-path '" + folder + "' is not a folder");
    }
  }

  // The listing, then what the run left out; the progress line is cleared
  // before either.
  OutputStream out(outStream);
  ProgressLineWriter line(err, env.showProgress);
  TextWriter text(out, options.nulTerminated ? '\0' : '\n',
                  /*sizes=*/options.list == ListForm::Candidates);
  JsonLinesWriter json(out);
  ErrorStreamReport errors(err, kProgram, out);
  WriterFanout writers{&line};
  writers.add(options.format == OutputFormat::Json ? static_cast<ReportWriter&>(json) : text);
  writers.add(errors);

  RunReport report;
  WalkProgress walkProgress(line, report);
  ProgressView view(line);
  KeptMessages messages;
  UnreadableRows unreadable;
  SessionConfig config;
  config.tableCapacity = env.tableSlots;
  config.listRows = false;
  config.walkObserver = &walkProgress;
  config.limits = unreadable.limits(DefaultThreads());
  PlainDriver driver(config, &view, &messages);
  Session& session = driver.session();
  writers.begin();
  if (driver.runScan({options.folders, options.excludes, options.minSize}).refused() ||
      session.report().walkFailed) {
    line.clear();
    WriteText(err, texts::kWalkFailed);
    WriteText(err, "\n");
    return 1;
  }
  const CandidateTable& candidates = session.candidates();
  const int count = candidates.count();

  switch (options.list) {
    case ListForm::Ticked: {
      view.enter(Stage::Checking);
      if (!driver.runCheck(options.mode)) {
        line.clear();
        WriteText(err, "twinscan-cli: the check did not run\n");
        return 1;
      }
      if (options.keepGiven()) {
        // The careful check's sets are kept; after a fast one they are compared first.
        view.enter(Stage::Comparing);
        session.keepCopies(keep);
        if (!driver.settle()) {
          line.clear();
          WriteText(err, "twinscan-cli: the keep rules did not run\n");
          return 1;
        }
      }
      for (int r = 1; r <= count; ++r) {
        if (!session.ticked(r)) continue;
        const CandidateRow& row = candidates.row(r);
        writers.file(row.FullPath, row.Size);
      }
      break;
    }
    case ListForm::Candidates:
      for (int r = 1; r <= count; ++r) {
        const CandidateRow& row = candidates.row(r);
        writers.file(row.FullPath, row.Size);
      }
      break;
    case ListForm::Groups: {
      const auto sets = IdenticalSets(
          candidates, [&line](int percent) { line.progress(Stage::Comparing, percent, 0); },
          config.limits);
      line.clear();
      FolderMatcher keepFolders(keep.folders);
      std::vector<std::string_view> paths;
      for (auto set : sets) {
        // The files a keep rule keeps come first, the others after, each in row order.
        const std::vector<int> kept = KeptMembers(set, candidates, keep, keepFolders);
        std::stable_partition(set.begin(), set.end(), [&kept](int r) {
          return std::find(kept.begin(), kept.end(), r) != kept.end();
        });
        paths.clear();
        for (const int r : set) paths.emplace_back(candidates.row(r).FullPath);
        writers.set(candidates.row(set.front()).Size, paths);
      }
      break;
    }
  }
  // A folder that could not be listed, or a file that could not be read
  // (counted as different from every other): the listing may lack copies.
  unreadable.report(candidates, report);
  writers.end(report);
  return errors.status();
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
           const CliEnvironment& env) {
  const ParsedArgs parsed = ParseCliArgs(args);
  int status = 0;
  switch (parsed.outcome) {
    case ParseOutcome::UsageError:
      status = UsageError(err, parsed.error);
      break;
    case ParseOutcome::Help:
    case ParseOutcome::Version: {
      OutputStream text(out);
      text.write(parsed.outcome == ParseOutcome::Help ? CliUsage() : CliVersion() + "\n");
      if (!text.finish()) {
        WriteText(err, std::string("twinscan-cli: cannot write the output: ") +
                           ErrorText(text.error()) + "\n");
        status = 1;
      }
      break;
    }
    case ParseOutcome::Run:
      try {
        status = Run(parsed.options, out, err, env);
      } catch (const std::exception& e) {
        WriteText(err, std::string("twinscan-cli: ") + e.what() + "\n");
        status = 1;
      }
      break;
  }
  std::fflush(err);
  return status;
}

int RunCli(const std::vector<std::string>& args, std::string& out, std::string& err,
           const CliEnvironment& env) {
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
    err = "twinscan-cli: cannot open a memory stream\n";
    return 1;
  }
  return status;
}
