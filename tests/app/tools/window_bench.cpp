// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Measures the main window on a real folder: how long a scan and the checks
// take, and how long the window thread is kept from running its events.
//
//   twinscan-window-bench FOLDER [--check fast|careful]... [--delete] [--timeout SECONDS]
//                         [--trace-ms MS]
//
// A 1 ms timer on the window thread notes the longest gap between two of its
// ticks; a gap counts for the phase the window is in when the late tick comes.
// Phases follow the status texts the window shows. --delete presses "Delete
// Checked" after the checks (Yes to the first question, No to a second).
// Prints key=value lines;
// --trace-ms writes each gap longer than MS to stderr as it happens.
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/form_main.h"
#include "app/widgets.h"
#include "compare/check_run.h"
#include "support/scripted_dialogs.h"

namespace {

// The longest gap between two ticks of a 1 ms timer, per phase.
class StallProbe {
 public:
  struct Phase {
    qint64 longestNs = 0;
    int over50ms = 0;
    int over100ms = 0;
    long ticks = 0;
  };

  StallProbe() {
    timer_.setInterval(1);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { tick(); });
  }

  void start(const std::string& phase) {
    phase_ = phase;
    clock_.start();
    last_ = 0;
    timer_.start();
  }
  // A gap still open is split here: its part so far counts for the phase that ends.
  void setPhase(const std::string& phase) {
    if (timer_.isActive()) {
      const qint64 now = clock_.nsecsElapsed();
      note(now - last_, now);
      last_ = now;
    }
    phase_ = phase;
  }
  // Gaps longer than this are written to stderr as they happen (0: none).
  void traceOver(qint64 ms) { traceNs_ = ms * 1'000'000; }
  const Phase& phase(const std::string& name) { return phases_[name]; }

  // Runs the window's events until `done` holds (tested at every tick) or
  // `timeoutMs` has passed; false on a timeout.
  bool runUntil(const std::function<bool()>& done, qint64 timeoutMs) {
    if (done()) return true;
    QEventLoop loop;
    bool met = false;
    const qint64 deadline = clock_.elapsed() + timeoutMs;
    check_ = [&] {
      if (done()) {
        met = true;
        loop.quit();
      } else if (clock_.elapsed() > deadline) {
        loop.quit();
      }
    };
    loop.exec();
    check_ = {};
    return met;
  }

 private:
  void tick() {
    const qint64 now = clock_.nsecsElapsed();
    ++phases_[phase_].ticks;
    note(now - last_, now);
    last_ = now;
    if (check_) check_();
  }

  void note(qint64 gap, qint64 now) {
    Phase& p = phases_[phase_];
    if (gap > p.longestNs) p.longestNs = gap;
    if (gap > 50'000'000) ++p.over50ms;
    if (gap > 100'000'000) ++p.over100ms;
    if (traceNs_ > 0 && gap > traceNs_) {
      std::fprintf(stderr, "stall %.1f ms at %.3f s in %s\n", static_cast<double>(gap) / 1e6,
                   static_cast<double>(now) / 1e9, phase_.c_str());
    }
  }

  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 traceNs_ = 0;
  std::string phase_;
  std::map<std::string, Phase> phases_;
  std::function<void()> check_;
};

void PrintPhase(StallProbe& probe, const std::string& key, const std::string& phase) {
  const StallProbe::Phase& p = probe.phase(phase);
  std::printf("%s_stall_ms=%.1f\n", key.c_str(), static_cast<double>(p.longestNs) / 1e6);
  std::printf("%s_stalls_over_50ms=%d\n", key.c_str(), p.over50ms);
  std::printf("%s_stalls_over_100ms=%d\n", key.c_str(), p.over100ms);
}

// The longest of several phases, as one figure.
double LongestMs(StallProbe& probe, std::initializer_list<const char*> phases) {
  qint64 longest = 0;
  for (const char* name : phases) longest = std::max(longest, probe.phase(name).longestNs);
  return static_cast<double>(longest) / 1e6;
}

// Resident memory now and at its peak so far, in MB.
void PrintMemory(const char* key) {
  long pages = 0;
  long resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "%s_rss_mb=%.1f\n", key,
      static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1048576.0);
  std::printf("%s_peak_rss_mb=%.1f\n", key, static_cast<double>(usage.ru_maxrss) / 1024.0);
  const struct mallinfo2 heap = ::mallinfo2();
  std::printf(
      "%s_heap_in_use_mb=%.1f (arenas %.1f, mapped %.1f, free %.1f)\n", key,
      static_cast<double>(heap.uordblks) / 1048576.0, static_cast<double>(heap.arena) / 1048576.0,
      static_cast<double>(heap.hblkhd) / 1048576.0, static_cast<double>(heap.fordblks) / 1048576.0);
}

double Seconds(qint64 ns) {
  return static_cast<double>(ns) / 1e9;
}

int Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s FOLDER [--check fast|careful]... [--delete] [--timeout SECONDS] "
               "[--trace-ms MS]\n",
               program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(argv[0]);
  const std::string folder = argv[1];
  std::vector<int> checks;
  qint64 timeoutMs = 1800 * 1000;
  qint64 traceMs = 0;
  bool deleteChecked = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--check") == 0 && i + 1 < argc) {
      const char* mode = argv[++i];
      if (std::strcmp(mode, "fast") == 0) {
        checks.push_back(static_cast<int>(CheckMode::Fast));
      } else if (std::strcmp(mode, "careful") == 0) {
        checks.push_back(static_cast<int>(CheckMode::Careful));
      } else {
        return Usage(argv[0]);
      }
    } else if (std::strcmp(argv[i], "--delete") == 0) {
      deleteChecked = true;
    } else if (std::strcmp(argv[i], "--trace-ms") == 0 && i + 1 < argc) {
      traceMs = std::atoll(argv[++i]);
    } else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      timeoutMs = std::atoll(argv[++i]) * 1000;
    } else {
      return Usage(argv[0]);
    }
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Twinscan"));
  QTemporaryDir start;
  QTemporaryDir placement;
  if (!start.isValid() || !placement.isValid()) {
    std::fprintf(stderr, "cannot make temporary folders\n");
    return 1;
  }
  ScriptedDialogs dialogs;
  FormEnvironment env;
  env.dialogs = &dialogs;
  env.startDirectory = QFile::encodeName(start.path()).toStdString();
  env.placementFile = placement.filePath(QStringLiteral("placement.ini"));
  env.openUrl = [](const QUrl&) {};
  env.exitNow = [] {};
  TFormMain form(env);

  StallProbe probe;
  probe.traceOver(traceMs);
  QElapsedTimer clock;
  clock.start();
  // Status texts of the scan run, timestamped; they also switch the phase.
  qint64 groupingAt = -1;
  qint64 fillAt = -1;
  qint64 foundedAt = -1;
  long statusCount = 0;
  int resultsShown = 0;  // "Files to delete" totals shown (one per rebuild or show)
  form.onStatusText = [&](const QString& text) {
    ++statusCount;
    const qint64 now = clock.nsecsElapsed();
    if (text == QStringLiteral("Loading List of files")) {
      groupingAt = now;
      probe.setPhase("grouping");
    } else if (text.startsWith(QStringLiteral("Adding List Of Files to"))) {
      fillAt = now;
      probe.setPhase("fill");
    } else if (text.startsWith(QStringLiteral("Founded "))) {
      foundedAt = now;
    } else if (text.startsWith(QStringLiteral("Total files in"))) {
      ++resultsShown;
    }
  };

  form.show();
  probe.start("idle");
  probe.runUntil([] { return false; }, 300);  // start-up page selection and first paint

  // Scan.
  dialogs.clearShown();
  probe.setPhase("walk");
  statusCount = 0;
  const qint64 scanStart = clock.nsecsElapsed();
  form.setFolderText(folder);
  form.SpeedButton4Click();
  const bool scanned =
      probe.runUntil([&] { return foundedAt >= 0 && !form.scanRunActive(); }, timeoutMs);
  const qint64 scanEnd = clock.nsecsElapsed();
  probe.setPhase("after-scan");
  if (!dialogs.shown().empty()) {
    for (const auto& shown : dialogs.shown()) {
      std::fprintf(stderr, "dialog: %s\n", shown.text.c_str());
    }
  }
  if (!scanned) {
    std::fprintf(stderr, "the scan did not end within the timeout (status: %s)\n",
                 qPrintable(form.statusText()));
    return 1;
  }
  std::printf("folder=%s\n", folder.c_str());
  std::printf("scan_seconds=%.3f\n", Seconds(scanEnd - scanStart));
  std::printf("walk_seconds=%.3f\n", Seconds(groupingAt - scanStart));
  std::printf("grouping_seconds=%.3f\n", Seconds(fillAt - groupingAt));
  std::printf("fill_seconds=%.3f\n", Seconds(foundedAt - fillAt));
  std::printf("files_rows=%d\n", form.filesList().rowCount());
  std::printf("scan_status_texts=%ld\n", statusCount);
  PrintMemory("scan");
  PrintPhase(probe, "walk", "walk");
  PrintPhase(probe, "grouping", "grouping");
  PrintPhase(probe, "fill", "fill");
  std::printf("grouping_fill_stall_ms=%.1f\n", LongestMs(probe, {"grouping", "fill"}));

  // Checks.
  auto* modes = form.findChild<TRadioGroup*>(QStringLiteral("RadioGroup1"));
  for (const int mode : checks) {
    const std::string name = mode == static_cast<int>(CheckMode::Fast) ? "fast" : "careful";
    const std::string phase = "check_" + name;
    modes->item(mode)->setChecked(true);
    probe.runUntil([] { return false; }, 50);
    resultsShown = 0;
    dialogs.clearShown();
    const std::uint64_t bytesBefore = CompareBytesRead();
    probe.setPhase(phase);
    const qint64 checkStart = clock.nsecsElapsed();
    form.SpeedButton10Click();
    const bool ended = probe.runUntil([&] { return !form.checkRunActive(); }, timeoutMs);
    const qint64 checkEnd = clock.nsecsElapsed();
    // The tick of the last row starts the deferred rebuild of "Files to delete".
    const bool rebuilt = probe.runUntil([&] { return !form.deleteListStale(); }, 10000);
    const qint64 rebuiltAt = clock.nsecsElapsed();
    probe.setPhase("after-" + phase);
    if (!ended) {
      std::fprintf(stderr, "the %s check did not end within the timeout\n", name.c_str());
      return 1;
    }
    for (const auto& shown : dialogs.shown())
      std::fprintf(stderr, "dialog: %s\n", shown.text.c_str());
    std::printf("%s_seconds=%.3f\n", phase.c_str(), Seconds(checkEnd - checkStart));
    std::printf("%s_until_rebuilt_seconds=%.3f\n", phase.c_str(), Seconds(rebuiltAt - checkStart));
    std::printf("%s_rebuilt=%s\n", phase.c_str(), rebuilt ? "yes" : "no");
    std::printf("%s_ticked=%d\n", phase.c_str(), form.filesList().checkedCount());
    std::printf("%s_delete_rows=%d\n", phase.c_str(), form.deleteList().rowCount());
    std::printf("%s_totals_shown=%d\n", phase.c_str(), resultsShown);
    std::printf("%s_bytes_read=%llu\n", phase.c_str(),
                static_cast<unsigned long long>(CompareBytesRead() - bytesBefore));
    PrintPhase(probe, phase, phase);
    PrintMemory(phase.c_str());
  }

  if (deleteChecked) {
    const int before = form.candidates().count();
    const int ticked = form.deleteList().checkedCount();
    dialogs.clearShown();
    dialogs.answerYes(true);
    dialogs.answerYes(false);
    probe.setPhase("delete");
    const qint64 deleteStart = clock.nsecsElapsed();
    form.SpeedButton26Click();
    const bool ended = probe.runUntil(
        [&] { return !form.deleteRunActive() && !form.deleteListStale(); }, timeoutMs);
    const qint64 deleteEnd = clock.nsecsElapsed();
    probe.setPhase("after-delete");
    if (!ended) {
      std::fprintf(stderr, "Delete Checked did not end within the timeout\n");
      return 1;
    }
    for (const auto& shown : dialogs.shown())
      std::fprintf(stderr, "dialog: %s\n", shown.text.c_str());
    std::printf("delete_ticked=%d\n", ticked);
    std::printf("delete_seconds=%.3f\n", Seconds(deleteEnd - deleteStart));
    std::printf("delete_rows_gone=%d\n", before - form.candidates().count());
    PrintPhase(probe, "delete", "delete");
    PrintMemory("delete");
  }

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("peak_rss_mb=%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  form.waitForWorkers(10000);
  return 0;
}
