// The scan and check runs driven as the window drives them, many times over and
// cancelled at varied moments: three workers, posts tagged by run, and this
// thread draining the queue in the window thread's place. CI builds it with
// ThreadSanitizer, which must find nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "compare/check_run.h"
#include "core/worker.h"
#include "group/grouping.h"
#include "lists/delete_list.h"
#include "lists/row_texts.h"
#include "scan/walk.h"
#include "support/copy_tree.h"

namespace {

// Raise by hand for a longer soak; CI runs these counts.
constexpr int kScanCycles = 200;
constexpr int kCheckCycles = 100;
constexpr int kSlots = 4096;

class NoIcons final : public IconIndexer {
 public:
  int FileTypeIconIndex(const std::string&) override { return 0; }
};

// The window's side of the runs, reduced to the tables, lists and flags they
// touch. Members run on the test thread; only the run bodies run on workers.
class Window {
 public:
  Window() {
    for (const char* caption : {kColumnFileName, kColumnSize, kColumnPath}) {
      files.addColumn(caption);
      deleteList.addColumn(caption);
    }
    files.setChangeHandler([this](int row) { filesChanged(row); });
  }

  // The run's timer, first step: stop both scan workers, then walk afresh.
  void startScan(const std::string& root) {
    grouper.stopNow();
    walker.stopNow();
    grouper.wait();
    walker.wait();
    groupingActive = false;
    files.clear();
    locked = true;
    polling = true;
    phase = 1;
    walkDone.store(false, std::memory_order_release);
    walker.start([this, root](RunContext& run) {
      class Observer final : public WalkObserver {
       public:
        Observer(RunContext& run, Window& window) : run_(run), window_(window) {}
        void checkpoint() override { run_.checkpoint(); }
        void lookIn(const std::string& name) override {
          run_.post([w = &window_, name] { w->status = "Look in " + name; });
        }

       private:
        RunContext& run_;
        Window& window_;
      } observer(run, *this);
      if (WalkTree(root, scan, observer)) walkDone.store(true, std::memory_order_release);
    });
  }

  // The run's timer, later steps: hands over to the grouping once the walk is done.
  void tick() {
    if (!polling || !walkDone.load(std::memory_order_acquire)) return;
    polling = false;
    phase = 2;
    groupingActive = true;
    grouper.start(
        [this, captions = ColumnCaptions(files)](RunContext& run) { groupingBody(run, captions); });
  }

  // "cancel" of a scan run.
  void cancelScan() {
    polling = false;
    if (phase == 2) grouper.stopNow();
    if (phase == 1 || phase == 2) walker.stopNow();
    status = "Scanning was canceled.";
    while (files.updating()) files.endUpdate();
    files.clear();
    grouper.wait();
    groupingActive = false;
  }

  void startCheck(int mode) {
    checkActive = true;
    checker.start([this, mode, rows = files.rowCount()](RunContext& run) {
      class Sink final : public CheckSink {
       public:
        Sink(RunContext& run, Window& window) : run_(run), w_(&window) {}
        void untickAllFiles() override {
          run_.post([w = w_] {
            for (int r = 0; r < w->files.rowCount(); ++r) w->files.setChecked(r, false);
          });
        }
        void tickRow(int row) override {
          run_.post([w = w_, row] {
            if (row >= 1 && row <= w->files.rowCount()) w->files.setChecked(row - 1, true);
          });
        }
        void progress(int percent) override {
          run_.post([w = w_, percent] { w->progress = percent; });
        }

       private:
        RunContext& run_;
        Window* w_;
      } sink(run, *this);
      RunCheck({mode, rows}, candidates, sink, [&run] { run.checkpoint(); });
      run.post([this] {
        checkActive = false;
        status = "Num of files to delete: " + std::to_string(deleteList.rowCount());
      });
    });
  }

  void cancelCheck() {
    checker.stopNow();
    checkActive = false;
  }

  bool anyBusy() const { return walker.busy() || grouper.busy() || checker.busy(); }

  // Runs posts and the timer until `done` holds (or 20 s pass).
  bool driveUntil(const std::function<bool()>& done) {
    return queue.drainUntil([&] {
      tick();
      return done();
    });
  }

  // Runs posts until no worker is busy, joins the threads, then lets the
  // deferred rebuild of "Files to delete" run.
  bool settle() {
    if (!driveUntil([this] { return !anyBusy(); })) return false;
    walker.wait();
    grouper.wait();
    checker.wait();
    queue.drain();
    if (deleteStale && !groupingActive) {
      RebuildDeleteList(candidates, deleteTable, deleteList, files, icons, deleteRowsExpected);
      deleteStale = false;
    }
    return true;
  }

  std::vector<std::string> candidatePaths() const {
    std::vector<std::string> out;
    for (int i = 1; i <= candidates.count(); ++i) out.push_back(candidates.row(i).FullPath);
    return out;
  }
  std::set<int> ticked() const {
    std::set<int> out;
    for (int r = 0; r < files.rowCount(); ++r) {
      if (files.isChecked(r)) out.insert(r);
    }
    return out;
  }

  DrainQueue queue;
  ScanTable scan{kSlots};
  FileTable fileTable{kSlots};
  CandidateTable candidates{kSlots};
  DeleteTable deleteTable{kSlots};
  std::atomic<bool> filled{false};
  std::atomic<bool> walkDone{false};
  NoIcons icons;
  ResultList files;
  ResultList deleteList;
  int deleteRowsExpected = 0;
  bool deleteStale = false;
  bool locked = false;
  bool polling = false;
  bool groupingActive = false;
  bool checkActive = false;
  int phase = 0;
  int progress = 0;
  std::string status;
  // Last, so they are stopped and joined before anything their bodies use goes.
  Worker walker{queue};
  Worker grouper{queue};
  Worker checker{queue};

 private:
  // A tick in "Files" copies into the candidate's Checked once the fill is over.
  void filesChanged(int row) {
    if (files.rowCount() != candidates.CandidateCount.load(std::memory_order_acquire)) return;
    deleteStale = true;
    if (row >= 0 && row < candidates.stored())
      candidates.row(row + 1).Checked = files.isChecked(row) ? 1 : 0;
  }

  void groupingBody(RunContext& run, const std::vector<std::string>& captions) {
    class Sink final : public GroupingSink {
     public:
      Sink(RunContext& run, Window& window, const std::vector<std::string>& captions)
          : run_(run), w_(&window), captions_(captions) {}
      void status(const std::string& text) override {
        run_.post([w = w_, text] { w->status = text; });
      }
      void progress(int percent) override {
        run_.post([w = w_, percent] { w->progress = percent; });
      }
      void activityLabel(const std::string&) override {}
      void beginFill() override {
        run_.post([w = w_] {
          w->files.clear();
          w->files.beginUpdate();
        });
      }
      void addRow(CandidateListRow row) override {
        run_.post([w = w_, r = MakeListRowFor(captions_, row.ImageIndex, row.FileName, row.Size,
                                              row.FullPath)]() mutable {
          w->files.appendRow(std::move(r));
        });
      }
      void endFill() override {
        run_.post([w = w_] {
          while (w->files.updating()) w->files.endUpdate();
        });
      }
      void showFilesPage() override {}
      void unlockRunControls() override {
        run_.post([w = w_] {
          w->groupingActive = false;
          w->locked = false;
        });
      }

     private:
      RunContext& run_;
      Window* w_;
      const std::vector<std::string>& captions_;
    } sink(run, *this, captions);
    RunGrouping(
        {scan, fileTable, candidates, filled}, icons, sink, [&run] { run.checkpoint(); },
        &run.stopFlag());
  }
};

bool ScanToTheEnd(Window& w, const std::string& root) {
  w.startScan(root);
  return w.driveUntil([&] { return !w.locked && !w.anyBusy(); }) && w.settle();
}

// What a settled window must show: "Files" holds the candidates, each Checked
// follows its row's tick, and "Files to delete" lists exactly the ticked ones.
void ExpectConsistent(const Window& w) {
  EXPECT_FALSE(w.anyBusy());
  EXPECT_FALSE(w.files.updating());
  EXPECT_EQ(w.candidates.CandidateCount.load(), w.candidates.stored());
  ASSERT_EQ(w.files.rowCount(), w.candidates.count());
  std::vector<std::string> ticked;
  for (int r = 0; r < w.files.rowCount(); ++r) {
    ASSERT_EQ(w.files.row(r).SubItems.at(1), w.candidates.row(r + 1).FullPath);
    EXPECT_EQ(w.candidates.row(r + 1).Checked, w.files.isChecked(r) ? 1 : 0) << "row " << r;
    if (w.files.isChecked(r)) ticked.push_back(w.candidates.row(r + 1).FullPath);
  }
  ASSERT_EQ(w.deleteList.rowCount(), static_cast<int>(ticked.size()));
  for (std::size_t k = 0; k < ticked.size(); ++k)
    EXPECT_EQ(w.deleteTable.row(static_cast<int>(k) + 1).FullPath, ticked[k]);
}

TEST(RunCyclesTest, ScanCancelRescan) {
  TempTree tree;
  MakeCopyTree(tree);
  std::vector<std::string> clean;
  {
    Window reference;
    ASSERT_TRUE(ScanToTheEnd(reference, tree.root()));
    clean = reference.candidatePaths();
  }
  ASSERT_GT(clean.size(), 20u);

  Window w;
  std::mt19937 random(5);
  int cancelled = 0;
  for (int cycle = 0; cycle < kScanCycles; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    w.startScan(tree.root());
    const int moment = cycle % 5;
    switch (moment) {
      case 0:  // right after the walk has started
        break;
      case 1:  // some way into the walk
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        break;
      case 2: {  // right after the hand-over, or some rows into the fill
        while (!w.walkDone.load() && w.walker.busy()) std::this_thread::yield();
        w.tick();
        ASSERT_EQ(w.phase, 2);
        for (unsigned n = random() % 40; n > 0 && w.grouper.busy(); --n) {
          std::this_thread::yield();
          w.queue.drain();
        }
        break;
      }
      case 3:  // wherever the run has got to
        w.driveUntil([&, until = std::chrono::steady_clock::now() +
                                 std::chrono::microseconds(random() % 8000)] {
          return std::chrono::steady_clock::now() >= until;
        });
        break;
      default:  // no cancel
        ASSERT_TRUE(w.driveUntil([&] { return !w.locked; }));
        break;
    }
    // A cancel is only offered while the run controls are locked.
    const bool cancel = moment != 4 && w.locked;
    if (cancel) w.cancelScan();
    ASSERT_TRUE(w.settle()) << "a worker did not end";
    if (cancel) {
      ++cancelled;
      EXPECT_EQ(w.files.rowCount(), 0);
      EXPECT_EQ(w.status, "Scanning was canceled.");
      EXPECT_EQ(w.candidates.CandidateCount.load(), w.candidates.stored());
      EXPECT_FALSE(w.groupingActive);
      EXPECT_TRUE(w.locked);
    } else {
      EXPECT_EQ(w.candidatePaths(), clean);
      EXPECT_FALSE(w.locked);
      // Ticks made now reach "Files to delete".
      w.files.setChecked(cycle % w.files.rowCount(), true);
      ASSERT_TRUE(w.settle());
      ExpectConsistent(w);
    }
    if (::testing::Test::HasFatalFailure()) return;
  }
  // Cancels right after the start always land; later ones only on a slow run.
  EXPECT_GE(cancelled, kScanCycles / 5);
  ASSERT_TRUE(ScanToTheEnd(w, tree.root()));
  EXPECT_EQ(w.candidatePaths(), clean);
  // "Files to delete" keeps its rows until a change in "Files" rebuilds it.
  w.files.setChecked(0, true);
  ASSERT_TRUE(w.settle());
  ExpectConsistent(w);
}

TEST(RunCyclesTest, CheckPauseResumeCancelRestart) {
  TempTree tree;
  MakeCopyTree(tree);
  std::set<int> clean[2];
  {
    Window reference;
    ASSERT_TRUE(ScanToTheEnd(reference, tree.root()));
    for (int mode = 0; mode < 2; ++mode) {
      reference.startCheck(mode);
      ASSERT_TRUE(reference.settle());
      clean[mode] = reference.ticked();
    }
  }
  ASSERT_FALSE(clean[0].empty());
  ASSERT_NE(clean[0], clean[1]);

  Window w;
  ASSERT_TRUE(ScanToTheEnd(w, tree.root()));
  std::mt19937 random(9);
  const auto drainFor = [&](unsigned micros) {
    w.driveUntil([until = std::chrono::steady_clock::now() + std::chrono::microseconds(micros)] {
      return std::chrono::steady_clock::now() >= until;
    });
  };
  int cancelled = 0;
  for (int cycle = 0; cycle < kCheckCycles; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    const int mode = cycle % 2;
    const std::set<int> before = w.ticked();
    w.startCheck(mode);
    bool cancel = true;
    switch (cycle % 5) {
      case 0:  // before anything of the run has been drained
        break;
      case 1:  // paused at once, resumed, then stopped
        w.checker.pause();
        drainFor(random() % 3000);
        w.checker.resume();
        drainFor(random() % 3000);
        break;
      case 2:  // stopped while paused
        drainFor(random() % 3000);
        w.checker.pause();
        drainFor(random() % 2000);
        break;
      case 3:  // paused and resumed, then left to finish
        drainFor(random() % 2000);
        w.checker.pause();
        drainFor(random() % 2000);
        w.checker.resume();
        cancel = false;
        break;
      default:  // wherever the run has got to
        drainFor(random() % 10000);
        break;
    }
    // "Cancel" is only offered while the run is active.
    cancel = cancel && w.checkActive;
    if (cancel) w.cancelCheck();
    ASSERT_TRUE(w.settle()) << "a worker did not end";
    EXPECT_FALSE(w.checkActive);
    ExpectConsistent(w);
    const std::set<int> ticked = w.ticked();
    if (cancel) {
      ++cancelled;
      // A stopped run keeps its ticks so far, and none it would not make.
      for (int r : ticked) EXPECT_TRUE(clean[mode].count(r) == 1 || before.count(r) == 1) << r;
    } else {
      EXPECT_EQ(ticked, clean[mode]);
    }
    if (::testing::Test::HasFailure()) return;
  }
  EXPECT_GT(cancelled, 0);
  for (int mode = 0; mode < 2; ++mode) {
    w.startCheck(mode);
    ASSERT_TRUE(w.settle());
    EXPECT_EQ(w.ticked(), clean[mode]);
    ExpectConsistent(w);
  }
}

}  // namespace
