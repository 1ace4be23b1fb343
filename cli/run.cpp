#include "cli/run.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/options.h"
#include "compare/check_engine.h"
#include "compare/check_run.h"
#include "compare/in_order.h"
#include "group/file_table.h"
#include "group/grouping.h"
#include "scan/folder_path.h"
#include "scan/scan_table.h"
#include "scan/walk.h"

namespace {

// The window's warnings, word for word.
constexpr std::string_view kFolderMissingBefore = "The directory \"";
constexpr std::string_view kFolderMissingAfter =
    "\" is not exists! Please, change the path of \"Folder to Scan\".";
constexpr std::string_view kWalkFailed =
    "Find one error while scanning. Perhaps, on your disk (or in scanned folder) more, then "
    "500000 of files.";

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

class WalkProgress final : public WalkObserver {
 public:
  explicit WalkProgress(ProgressLine& line) : line_(line) {}
  void checkpoint() override {
    if (++entries_ % kEntriesPerUpdate == 0) show();
  }
  void show() { line_.show("scanning: " + std::to_string(entries_) + " entries"); }

 private:
  ProgressLine& line_;
  long long entries_ = 0;
};

// Nothing of the grouping is shown but its progress; the rows are read back
// from the candidate table, which holds them in the same order.
class QuietGroupingSink final : public GroupingSink {
 public:
  explicit QuietGroupingSink(ProgressLine& line) : line_(line) {}
  void status(const std::string&) override {}
  void progress(int percent) override { line_.show("grouping: " + std::to_string(percent) + "%"); }
  void activityLabel(const std::string&) override {}
  void beginFill() override {}
  void addRow(CandidateListRow) override {}
  bool wantsRows() const override { return false; }
  void endFill() override {}
  void showFilesPage() override {}
  void unlockRunControls() override {}

 private:
  ProgressLine& line_;
};

class NoIcons final : public IconIndexer {
 public:
  int FileTypeIconIndex(const std::string&) override { return 0; }
};

// The ticks of "Files", one per candidate row (index 0 unused).
class TickSink final : public CheckSink {
 public:
  TickSink(int rows, ProgressLine& line)
      : ticked_(static_cast<std::size_t>(rows) + 1, false), line_(line) {}
  void untickAllFiles() override { ticked_.assign(ticked_.size(), false); }
  void tickRow(int row) override {
    if (row >= 1 && static_cast<std::size_t>(row) < ticked_.size()) {
      ticked_[static_cast<std::size_t>(row)] = true;
    }
  }
  void progress(int percent) override { line_.show("checking: " + std::to_string(percent) + "%"); }
  bool ticked(int row) const { return ticked_[static_cast<std::size_t>(row)]; }

 private:
  std::vector<bool> ticked_;
  ProgressLine& line_;
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
      WriteText(err, "twinscan-cli: cannot read \"");
      WriteText(err, candidates.row(row).FullPath);
      WriteText(err, "\": ");
      WriteText(err, std::strerror(error));
      WriteText(err, "\n");
    }
    return !rows_.empty();
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<int, int>> rows_;  // row, errno
};

// Per band, the engine's classes of byte-identical rows holding two
// different files; bands in order, classes by their first row. Bands are
// checked side by side by `limits.threads` engines.
std::vector<std::vector<int>> FindIdenticalSets(const CandidateTable& candidates,
                                                const std::function<void(int)>& progress,
                                                const EngineLimits& limits) {
  struct Band {
    int first;
    int last;
  };
  std::vector<Band> bands;
  const int count = candidates.count();
  for (int first = 1; first <= count;) {
    int last = first;
    while (last < count && candidates.row(last + 1).Band == candidates.row(first).Band) ++last;
    if (last > first) bands.push_back({first, last});
    first = last + 1;
  }
  std::vector<std::vector<int>> sets;
  RunInOrder<std::vector<std::vector<int>>>(
      static_cast<int>(bands.size()), limits.threads,
      [&](int b) {
        const Band band = bands[static_cast<std::size_t>(b)];
        std::vector<CandidateFile> files;
        for (int r = band.first; r <= band.last; ++r) {
          if (const auto file = StatCandidate(candidates.row(r).FullPath, r))
            files.push_back(*file);
        }
        return files.size() < 2 ? std::vector<std::vector<int>>{}
                                : IdenticalClasses(files, candidates, {}, limits);
      },
      [&](int b, std::vector<std::vector<int>>& classes) {
        if (progress) {
          progress(static_cast<int>(
              static_cast<long long>(bands[static_cast<std::size_t>(b)].first) * 100 / count));
        }
        for (auto& members : classes) sets.push_back(std::move(members));
      });
  return sets;
}

int UsageError(std::FILE* err, const std::string& reason) {
  WriteText(err, "twinscan-cli: " + reason + "\n");
  WriteText(err, CliUsage());
  return 2;
}

int Run(const CliOptions& options, std::FILE* outStream, std::FILE* err,
        const CliEnvironment& env) {
  if (!IsExistingDirectory(options.folder)) {
    WriteText(err, kFolderMissingBefore);
    WriteText(err, options.folder);
    WriteText(err, kFolderMissingAfter);
    WriteText(err, "\n");
    return 1;
  }

  ProgressLine line(err, env.showProgress);
  auto scan = std::make_unique<ScanTable>(env.tableSlots);
  WalkProgress walkProgress(line);
  if (!WalkTree(options.folder, *scan, walkProgress)) {
    line.clear();
    WriteText(err, kWalkFailed);
    WriteText(err, "\n");
    return 1;
  }
  walkProgress.show();

  line.show("grouping");
  auto files = std::make_unique<FileTable>(env.tableSlots);
  auto candidates = std::make_unique<CandidateTable>(env.tableSlots);
  std::atomic<bool> filled{false};
  NoIcons icons;
  QuietGroupingSink groupingSink(line);
  RunGrouping(
      {*scan, *files, *candidates, filled}, icons, groupingSink, [] {}, nullptr);
  const int count = candidates->count();

  const char end = options.nulTerminated ? '\0' : '\n';
  Output out(outStream);
  UnreadableRows unreadable;
  switch (options.list) {
    case ListForm::Ticked: {
      TickSink ticks(count, line);
      RunCheck(
          CheckInput{static_cast<int>(options.mode), count}, *candidates, ticks, [] {},
          unreadable.limits(DefaultCheckThreads()));
      line.clear();
      for (int r = 1; r <= count; ++r) {
        if (!ticks.ticked(r)) continue;
        out.write(candidates->row(r).FullPath);
        out.put(end);
      }
      break;
    }
    case ListForm::Candidates:
      line.clear();
      for (int r = 1; r <= count; ++r) {
        const CandidateRow& row = candidates->row(r);
        out.write(std::to_string(row.Size));
        out.put('\t');
        out.write(row.FullPath);
        out.put(end);
      }
      break;
    case ListForm::Groups: {
      const auto sets = FindIdenticalSets(
          *candidates,
          [&line](int percent) { line.show("comparing: " + std::to_string(percent) + "%"); },
          unreadable.limits(DefaultCheckThreads()));
      line.clear();
      for (const auto& set : sets) {
        for (const int r : set) {
          out.write(candidates->row(r).FullPath);
          out.put(end);
        }
        out.put(end);
      }
      break;
    }
  }
  if (!out.finish()) {
    WriteText(err, "twinscan-cli: cannot write the output: ");
    WriteText(err, std::strerror(out.error()));
    WriteText(err, "\n");
    return 1;
  }
  // A file that could not be read counted as different from every other: the
  // listing may lack its copies.
  return unreadable.report(*candidates, err) ? 3 : 0;
}

}  // namespace

std::vector<std::vector<int>> IdenticalSets(const CandidateTable& candidates) {
  EngineLimits limits;
  limits.threads = DefaultCheckThreads();
  return FindIdenticalSets(candidates, {}, limits);
}

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
                           std::strerror(text.error()) + "\n");
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
