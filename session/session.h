// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "compare/check_engine.h"
#include "compare/check_run.h"
#include "compare/verified_delete.h"
#include "core/capacity.h"
#include "core/dialogs.h"
#include "core/records.h"
#include "core/row_index.h"
#include "core/window_queue.h"
#include "core/worker.h"
#include "group/file_table.h"
#include "lists/delete_list.h"
#include "lists/file_actions.h"
#include "lists/keep_rules.h"
#include "lists/result_list.h"
#include "output/run_report.h"
#include "output/save_lists.h"
#include "scan/scan_table.h"
#include "scan/walk.h"
#include "session/session_events.h"

// How a session is set up; the window takes the defaults.
struct SessionConfig {
  int tableCapacity = kTableSlots;
  // False: the lists get no rows (a tool without a window); the check's ticks
  // then go straight to the candidates' Checked.
  bool listRows = true;
  // Bounds of the check's and the delete's engines; threads 0 takes
  // DefaultThreads().
  EngineLimits limits{.threads = 0};
  // Told of every step of the walk as well, on the walk's thread.
  WalkObserver* walkObserver = nullptr;
  // Called at every checkpoint of the check and of the delete's file work,
  // on their threads (tests change files from outside there).
  std::function<void()> checkpointHook;
  // Set: Delete Checked moves the files to the Trash through it (after the
  // same identity and copy checks) instead of unlinking them.
  FileDeleter moveToTrash;
  bool dryRun = false;  // acts verify and change nothing
  // False: a grouping that ends releases the scan and file tables, which
  // nothing reads after it (their paths went to the candidates); true keeps
  // them for a caller that inspects the walk.
  bool keepScanTable = false;
};

// What to scan: the folders, walked in order into one table (a directory is
// listed once over all of them), the globs of files and folders the walk
// leaves out (see WalkFilter), the smallest size of a candidate (0: every
// size), and the kinds of entries walked (all by default).
struct ScanRequest {
  std::vector<std::string> roots;
  std::vector<std::string> excludes;
  std::int64_t minSize = 0;
  ScanScope scope = {};
};

// Why a scan was not started.
enum class ScanRefusalReason {
  None,
  DeleteActive,   // Delete Checked is under way
  NoColumns,      // "Files" has no column to lay its rows out by
  FolderMissing,  // `folder` is not an existing directory
};
struct ScanRefusal {
  ScanRefusalReason reason = ScanRefusalReason::None;
  std::string folder;
  bool refused() const { return reason != ScanRefusalReason::None; }
};

// One run's state and its orchestration, without a window: the four tables,
// both result lists, the rebuild of "Files to delete", the workers and the
// phase. The window (or a plain driver) forwards its handlers here and shows
// what the session tells its view. Every member runs on the window thread;
// only the run bodies run on the workers.
class Session {
 public:
  Session(SessionEvents& events, Dialogs& dialogs, WindowQueue& queue, IconIndexer& icons,
          SessionConfig config = {});
  ~Session();  // stops every worker and waits for it
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Scan run. A request is checked first: a refused one changes nothing and
  // says why. An accepted one makes scan steps due: the first starts the
  // walk (a run under way starts over), later ones watch it and hand over to
  // the grouping, or report a failed walk. The window's scan timer calls
  // scanStep() every millisecond; a driver without one calls it after each
  // turn of its queue. It returns whether more steps are due.
  ScanRefusal scanRefusal(const ScanRequest& request) const;
  ScanRefusal requestScan(ScanRequest request);
  bool scanStep();
  bool scanStepsDue() const { return scanTimerOn_; }
  void cancelScan();

  // Check run. startCheck() refuses (false, after the message) without a
  // filled "Files".
  bool startCheck(CheckMode mode);
  void togglePause();
  void cancelCheck();

  // Ticks and "Files to delete".
  // "Files" row `row` was ticked or unticked (`tickFlipped`) or focused.
  void filesTickChanged(ListIndex row, bool tickFlipped);
  bool deleteListWhole() const { return deleteList_.rowCount() == DeleteRowsExpected; }
  // Builds a slice of "Files to delete" when it is stale (re-arming the
  // timer until whole), then shows its totals.
  void refreshDeleteList();
  // Builds it to the end now, then the same.
  void completeDeleteList();
  void tickAllFiles(bool ticked);  // refused during a run
  void tickAllDeleteRows(bool ticked);

  // "Delete Checked": the confirmation, the verified file work on a worker,
  // the question about files without a copy, the rows removed, the report.
  void deleteChecked();
  // The same for the other acts (FileAct::HardLink, FileAct::ShareBlocks):
  // one question with the count and the bytes, no second one (a file
  // without a verified staying copy stays), the same report; a replaced
  // file's rows leave "Files to delete" and are unticked in "Files".
  void replaceChecked(FileAct act);
  // Every act verifies everything and changes nothing; its report says what
  // would have been done (twinscan-cli --dry-run).
  void setDryRun(bool on) { config_.dryRun = on; }

  // The columns of "Files" (false, after a message, when they must wait for
  // a fill or a delete: the view is told when they may be applied) and of
  // "Files to delete".
  bool setFilesColumns(const std::vector<std::string>& captions);
  void setDeleteColumns(const std::vector<std::string>& captions);

  // Delete Checked moves files to the Trash (on) or unlinks them; a delete
  // under way keeps the choice it started with.
  void useTrash(bool on);

  // Saves the candidates' paths or names to a file the user picks.
  void saveList(SavedField field);

  // The sets of identical candidates, and keep rules over them. The sets
  // are those of the last careful check, or are computed on the check's
  // worker (with the progress bar, "Pause" and "Cancel") when none are kept.
  // A check has run since the last scan and no run is active.
  bool copiesAvailable() const;
  // Runs `then` once the sets are known: at once when they are kept; after
  // computing them otherwise (never, when refused or cancelled).
  void withIdenticalSets(std::function<void()> then);
  bool identicalSetsKnown() const { return setsKnown_; }
  const std::vector<std::vector<int>>& identicalSets() const { return sets_; }
  // The set holding candidate row `row`; empty when none does.
  std::vector<int> setOfRow(TableRow row) const;
  // Sets the ticks of every set by `rule` through "Files" (or, without list
  // rows, the candidates' Checked), once the sets are known, then says in
  // one information line how many ticks changed and what the ticks free.
  void keepCopies(KeepRule rule);
  // Nothing below these folders is ticked by a check or a rule, nor removed
  // by Delete Checked.
  void setProtectedFolders(std::vector<std::string> folders);
  const std::vector<std::string>& protectedFolders() const { return protectedFolders_; }
  // Applied after every check that ran to its end, when set (by default none).
  void setKeepAfterCheck(std::optional<KeepRule> rule) { keepAfterCheck_ = std::move(rule); }
  const std::optional<KeepRule>& keepAfterCheck() const { return keepAfterCheck_; }
  // The folders the last scan walked; the candidates' paths begin with them.
  const std::vector<std::string>& scannedRoots() const { return scan_.roots; }
  // The first of them (the window has one).
  const std::string& scannedRoot() const;

  // Refuses an action (true, after the message) while a run would race with it.
  bool refuseDuringRun();
  bool refuseDuringDelete();

  // State.
  Phase phase() const { return phase_; }
  bool scanRunActive() const;
  bool checkRunActive() const;
  bool deleteRunActive() const { return phase_ == Phase::Deleting; }
  bool workersBusy() const;
  bool walkBusy() const { return ScanThread.busy(); }
  bool groupingBusy() const { return vgThreadAfterScan.busy(); }
  bool checkBusy() const { return vgThreadCheckDouble.busy(); }
  int scanStep() const { return ScanStep; }
  int runPhase() const { return RunPhase; }
  bool walkDone() const { return WalkDone.load(std::memory_order_acquire) == 1; }
  bool walkFailed() const { return WalkFailed.load(std::memory_order_acquire) == 1; }
  bool filesListFilled() const { return FilesListFilled.load(); }
  bool deleteListStale() const { return DeleteListStale; }
  bool deleteListBuilding() const { return deleteBuilder_.building(); }
  // Whether candidate row `row` (1-based) is ticked: its Checked, which
  // "Files" shows and sets.
  bool ticked(int row) const;
  // The candidate beside "Files" row `row`; nothing past either's end.
  std::optional<TableRow> candidateAt(ListIndex row) const;
  // Ticks or unticks candidate `row` through "Files", as a click there does.
  void setTicked(TableRow row, bool on);

  ScanTable& scanTable() { return scanTable_; }
  CandidateTable& candidates() { return candidates_; }
  const CandidateTable& candidates() const { return candidates_; }
  DeleteTable& deleteTable() { return deleteTable_; }
  const DeleteTable& deleteTable() const { return deleteTable_; }
  ResultList& filesList() { return filesList_; }
  ResultList& deleteList() { return deleteList_; }
  const ResultList& filesList() const { return filesList_; }
  const ResultList& deleteList() const { return deleteList_; }

  // What the runs since the last scan left out, and what the last Delete
  // Checked did with each ticked file.
  const RunReport& report() const { return report_; }
  // The set-up; change it only while no run is active.
  SessionConfig& config() { return config_; }

  // Stops every worker and waits for it (the window's destruction).
  void stopWorkers();
  // The window closes: a running check that is not paused stops, keeping the
  // ticks it has decided.
  void closeStopsCheck() {
    if (vgThreadCheckDouble.busy() && !vgThreadCheckDouble.paused()) stopCheckRun();
  }

 private:
  void setPhase(Phase phase, bool completed = false) {
    const Phase from = phase_;
    phase_ = phase;
    if (from != phase) events_.phaseChanged({from, phase, completed});
  }
  void showProgress(int percent, std::uint64_t done = 0) {
    events_.progress({phase_, percent, done});
  }
  void forgetSets();
  // Returns the ticks that changed.
  std::vector<KeepTick> applyKeepRule(const KeepRule& rule);
  KeepGuards keepGuards() const;
  void setsBody(RunContext& run);
  // Computes the sets on the check's worker, then runs `then`; no refusal.
  void computeSetsThen(std::function<void()> then);
  // After a delete: the kept sets follow the rows removed (1-based, ascending).
  void setsAfterRemoval(const std::vector<int>& removed);
  void resetFilesList();
  void scanBody(RunContext& run, const ScanRequest& request);
  void groupingBody(RunContext& run, const std::vector<std::string>& captions,
                    std::int64_t minSize);
  void checkBody(RunContext& run, CheckMode mode, int listRows);
  // Files the check's engines could not read since the last takeUnreadable().
  std::vector<FileFailure> takeUnreadable();

  // The check run's effects on "Files", in the order issued. Each post of the
  // run applies the oldest one; a stop applies those its dropped posts left.
  struct CheckEffect {
    bool untickAll = false;
    std::vector<int> rows;          // candidate rows to tick (1-based)
    std::vector<RowIdentity> read;  // identities the check read candidates under
  };
  void pushCheckEffect(RunContext& run, CheckEffect effect);  // any check thread
  bool applyCheckEffect();                                    // false: none waits
  // Stops the check, waits for its threads and applies every effect it issued.
  void stopCheckRun();
  void endCheck(bool completed);
  // Whether `path` is below a protected folder, as the check started with them.
  bool isProtected(const std::string& path);
  void applyKeepAfterCheck();

  bool buildDeleteListSlice();
  DeleteListBuilder::Lists deleteLists();
  bool deleteListBlocked() const { return phase_ == Phase::Grouping || phase_ == Phase::Deleting; }
  void runDeferred();

  void startAct(FileAct act);
  // Unticks in "Files" the files the last link or block share replaced.
  void untickReplaced();
  void startDeletePass(std::vector<char> ticked, std::vector<int> which, bool requireCopy);
  void deletePassDone(std::vector<DeleteResult> results, const RowRemoval& removal,
                      std::vector<int> noCopy, bool requireCopy);
  void finishDeleteChecked(const RowRemoval& removal);
  void finishDeleteSteps();
  EngineLimits engineLimits() const;
  std::function<void()> checkpointOf(RunContext& run) const;

  SessionEvents& events_;
  Dialogs& dialogs_;
  WindowQueue& queue_;
  IconIndexer& icons_;
  SessionConfig config_;
  Phase phase_ = Phase::Idle;

  ScanTable scanTable_;
  FileTable fileTable_;
  CandidateTable candidates_;
  DeleteTable deleteTable_;
  ResultList filesList_;
  ResultList deleteList_;
  // The ticks of "Files" are the candidates' Checked. The bound is the atomic
  // count: during a fill the grouping appends candidates on its worker while
  // the list asks for the ticks of the rows it has (every one of them below
  // the count), so the table's own size is not read here.
  class CandidateTicks final : public TickStore {
   public:
    explicit CandidateTicks(CandidateTable& candidates) : candidates_(candidates) {}
    bool tick(int row) const override {
      const TableRow k = ListIndex{row}.tableRow();
      return has(k) && candidates_.row(k.value).Checked == 1;
    }
    void setTick(int row, bool on) override {
      const TableRow k = ListIndex{row}.tableRow();
      if (has(k)) candidates_.row(k.value).Checked = on ? 1 : 0;
    }

   private:
    bool has(TableRow k) const {
      return k.value >= 1 && k.value <= candidates_.CandidateCount.load(std::memory_order_acquire);
    }
    CandidateTable& candidates_;
  } candidateTicks_{candidates_};

  // Scan run.
  int ScanStep = 0;
  int RunPhase = 0;
  bool scanTimerOn_ = false;
  std::atomic<std::uint8_t> WalkDone{0};
  std::atomic<std::uint8_t> WalkFailed{0};
  std::atomic<bool> FilesListFilled{false};

  // "Files to delete".
  bool DeleteListStale = false;
  DeleteListBuilder deleteBuilder_;
  int DeleteRowsExpected = 0;
  int DeleteTickedCount = 0;
  bool resultsShowDeferred_ = false;
  bool filesColumnsDeferred_ = false;

  // Check run.
  std::mutex checkEffectsMutex_;
  std::deque<CheckEffect> checkEffects_;
  std::uint64_t bytesAtCheckStart_ = 0;
  std::unique_ptr<FolderMatcher> checkShield_;  // the protected folders, while a check runs
  // Files the engines of any thread could not read: (row, errno).
  class UnreadableRows final : public UnreadableSink {
   public:
    void unreadable(int row, int error) override;
    std::vector<std::pair<int, int>> take();

   private:
    std::mutex mutex_;
    std::vector<std::pair<int, int>> rows_;
  };
  // Engines report to it from their threads while the window thread reads
  // the session as const.
  mutable UnreadableRows unreadable_;

  // Delete Checked (from the confirmation to the end steps).
  DeletePlan deletePlan_;
  std::vector<DeleteResult> deleteResults_;
  std::vector<int> deleteErrors_;           // per target: the errno of a failed delete, else 0
  std::vector<int> protectedEntries_;       // ticked entries kept below a protected folder
  std::vector<int> deleteKeepers_;          // per target: the keeper of the plan used, -1 for none
  std::vector<std::uint64_t> deleteBytes_;  // per target: bytes freed or shared
  FileAct act_ = FileAct::Delete;           // the act of the delete run under way
  RunReport report_;

  std::string lastSaveName_;

  // The identical sets and what waits for them.
  ScanRequest scan_;         // the last scan's
  ScanRequest pendingScan_;  // the one its first step starts
  bool checkHasRun_ = false;
  bool setsKnown_ = false;
  std::vector<std::vector<int>> sets_;
  std::function<void()> afterSets_;
  std::vector<std::string> protectedFolders_;
  std::optional<KeepRule> keepAfterCheck_;

  // Workers last: they are stopped and joined before anything they use goes.
  Worker ScanThread;
  Worker vgThreadAfterScan;
  Worker vgThreadCheckDouble;
  Worker DeleteThread;  // the file work of Delete Checked
};
