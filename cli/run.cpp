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

#include "cli/json_lines.h"
#include "cli/options.h"
#include "compare/check_engine.h"
#include "core/descriptors.h"
#include "core/dialogs.h"
#include "core/file_io.h"
#include "core/worker.h"
#include "scan/folder_path.h"
#include "scan/walk.h"
#include "session/identical_sets.h"
#include "session/plain_driver.h"
#include "session/texts.h"

namespace {

// Walk entries between two updates of the progress line.
constexpr int kEntriesPerUpdate = 1024;

void WriteText(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

// Bytes to the listing stream; remembers the first failure and writes
// nothing after it.
class Output {
 public:
  explicit Output(std::FILE* stream) : stream_(stream) {}

  void write(std::string_view bytes) {
    if (error_ != 0 || bytes.empty()) return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) {
      error_ = errno != 0 ? errno : EIO;
    }
  }
  void put(char c) { write(std::string_view(&c, 1)); }

  // Flushes; true when every byte has reached the stream's file.
  bool finish() {
    if (error_ != 0) return false;
    errno = 0;
    if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
  }
  int error() const { return error_; }

 private:
  std::FILE* stream_;
  int error_ = 0;
};

// One line on the error stream, rewritten in place; off unless it is a terminal.
class ProgressLine {
 public:
  ProgressLine(std::FILE* stream, bool on) : stream_(stream), on_(on) {}
  ~ProgressLine() { clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void show(const std::string& text) {
    if (!on_ || text == last_) return;
    WriteText(stream_, "\r\033[K");
    WriteText(stream_, text);
    std::fflush(stream_);
    last_ = text;
  }
  void clear() {
    if (!on_ || last_.empty()) return;
    WriteText(stream_, "\r\033[K");
    std::fflush(stream_);
    last_.clear();
  }

 private:
  std::FILE* stream_;
  bool on_;
  std::string last_;
};

// "twinscan-cli: cannot <what> "<path>": <reason>" on the error stream.
void CannotLine(std::FILE* err, std::string_view what, std::string_view path, int error) {
  WriteText(err, "twinscan-cli: cannot ");
  WriteText(err, what);
  WriteText(err, " \"");
  WriteText(err, path);
  WriteText(err, "\": ");
  WriteText(err, ErrorText(error));
  WriteText(err, "\n");
}

// The walk's progress on the line, and the folders it could not list, each
// named at the end.
class WalkProgress final : public WalkObserver {
 public:
  explicit WalkProgress(ProgressLine& line) : line_(line) {}
  void checkpoint() override {
    if (++entries_ % kEntriesPerUpdate == 0) show();
  }
  void unlistable(const std::string& folder, int error) override {
    unlisted_.emplace_back(folder, error);
  }
  void show() { line_.show("scanning: " + std::to_string(entries_) + " entries"); }
  // Names every folder that could not be listed; false when there was none.
  bool report(std::FILE* err) const {
    for (const auto& [folder, error] : unlisted_) CannotLine(err, "list", folder, error);
    return !unlisted_.empty();
  }

 private:
  ProgressLine& line_;
  long long entries_ = 0;
  std::vector<std::pair<std::string, int>> unlisted_;
};

// The session's view for a terminal: progress on the line, nothing else.
class ProgressView final : public SessionEvents {
 public:
  explicit ProgressView(ProgressLine& line) : line_(line) {}
  void progress(const RunProgress& progress) override {
    if (progress.phase == Phase::Walking) return;
    const int percent = progress.percent;
    std::string text = stage + std::to_string(percent) + "%";
    // The bytes the check has compared so far, from the engines' own count.
    if (countBytes)
      text += ", " + std::to_string((CompareBytesRead() - bytesAtStart) >> 20) + " MiB read";
    line_.show(text);
  }
  void countBytesFromNow() {
    countBytes = true;
    bytesAtStart = CompareBytesRead();
  }
  bool countBytes = false;
  std::uint64_t bytesAtStart = 0;
  std::string stage = "grouping: ";

 private:
  ProgressLine& line_;
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
// engines of every thread; each is named on the error stream at the end.
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
  // "twinscan-cli: cannot read "<path>": <reason>" per row, in row order;
  // false when there was none.
  bool report(const CandidateTable& candidates, std::FILE* err) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::sort(rows_.begin(), rows_.end());
    int last = 0;
    for (const auto& [row, error] : rows_) {
      if (row == last) continue;
      last = row;
      CannotLine(err, "read", candidates.row(row).FullPath, error);
    }
    return !rows_.empty();
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
    CannotLine(err, "list", folder, errno);
    return 1;
  }

  // Folders to keep are matched by device and inode, however they are spelled.
  const KeepRule& keep = options.keep;
  for (const std::string& folder : keep.folders) {
    if (!IsExistingDirectory(folder)) {
      return UsageError(err, "--keep-path '" + folder + "' is not a folder");
    }
  }

  ProgressLine line(err, env.showProgress);
  WalkProgress walkProgress(line);
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
  if (driver.runScan({options.folders, options.excludes, options.minSize}).refused() ||
      session.report().walkFailed) {
    line.clear();
    WriteText(err, texts::kWalkFailed);
    WriteText(err, "\n");
    return 1;
  }
  const CandidateTable& candidates = session.candidates();
  const int count = candidates.count();

  const char end = options.nulTerminated ? '\0' : '\n';
  const bool json = options.format == OutputFormat::Json;
  Output out(outStream);
  switch (options.list) {
    case ListForm::Ticked: {
      view.stage = "checking: ";
      view.countBytesFromNow();
      if (!driver.runCheck(options.mode)) {
        line.clear();
        WriteText(err, "twinscan-cli: the check did not run\n");
        return 1;
      }
      if (options.keepGiven()) {
        // The careful check's sets are kept; after a fast one they are compared first.
        view.stage = "comparing: ";
        session.keepCopies(keep);
        if (!driver.settle()) {
          line.clear();
          WriteText(err, "twinscan-cli: the keep rules did not run\n");
          return 1;
        }
      }
      line.clear();
      for (int r = 1; r <= count; ++r) {
        if (!session.ticked(r)) continue;
        const CandidateRow& row = candidates.row(r);
        if (json) {
          out.write(JsonFileLine(row.FullPath, row.Size));
          continue;
        }
        out.write(row.FullPath);
        out.put(end);
      }
      break;
    }
    case ListForm::Candidates:
      line.clear();
      for (int r = 1; r <= count; ++r) {
        const CandidateRow& row = candidates.row(r);
        if (json) {
          out.write(JsonFileLine(row.FullPath, row.Size));
          continue;
        }
        out.write(std::to_string(row.Size));
        out.put('\t');
        out.write(row.FullPath);
        out.put(end);
      }
      break;
    case ListForm::Groups: {
      const auto sets = IdenticalSets(
          candidates,
          [&line](int percent) { line.show("comparing: " + std::to_string(percent) + "%"); },
          config.limits);
      line.clear();
      FolderMatcher keepFolders(keep.folders);
      for (auto set : sets) {
        // The files a keep rule keeps come first, the others after, each in row order.
        const std::vector<int> kept = KeptMembers(set, candidates, keep, keepFolders);
        std::stable_partition(set.begin(), set.end(), [&kept](int r) {
          return std::find(kept.begin(), kept.end(), r) != kept.end();
        });
        if (json) {
          std::vector<std::string> paths;
          for (const int r : set) paths.push_back(candidates.row(r).FullPath);
          out.write(JsonSetLine(candidates.row(set.front()).Size, paths));
          continue;
        }
        for (const int r : set) {
          out.write(candidates.row(r).FullPath);
          out.put(end);
        }
        out.put(end);
      }
      break;
    }
  }
  if (!out.finish()) {
    WriteText(err, "twinscan-cli: cannot write the output: ");
    WriteText(err, ErrorText(out.error()));
    WriteText(err, "\n");
    return 1;
  }
  // A folder that could not be listed, or a file that could not be read
  // (counted as different from every other): the listing may lack copies.
  const bool unlisted = walkProgress.report(err);
  return unreadable.report(candidates, err) || unlisted ? 3 : 0;
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
      Output text(out);
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
