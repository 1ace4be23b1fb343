// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The session's scan and check runs, many times over and cancelled at varied
// moments: its workers, posts tagged by run, and this thread draining the
// queue in the window thread's place. CI builds it with ThreadSanitizer,
// which must find nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "lists/row_texts.h"
#include "session/plain_driver.h"
#include "support/copy_tree.h"
#include "support/scripted_dialogs.h"

namespace {

// Raise by hand for a longer soak; CI runs these counts.
constexpr int kScanCycles = 200;
constexpr int kCheckCycles = 100;
constexpr int kSlots = 4096;

// The real session on a plain driver: this thread runs its posts and timers
// in the window thread's place; only the run bodies run on workers.
// The run controls as the window locks and unlocks them.
class RunControls final : public SessionEvents {
 public:
  void phaseChanged(const PhaseChange& change) override {
    if (change.to == Phase::Walking) locked = true;
    if (change.from == Phase::Grouping && change.to == Phase::Idle && change.completed)
      locked = false;
  }
  bool locked = false;
};

class Window {
 public:
  Window() : driver(Config(), &controls, &dialogs) {
    for (const char* caption : {kColumnFileName, kColumnSize, kColumnPath}) {
      files().addColumn(caption);
      deleteList().addColumn(caption);
    }
  }

  // The run's timer, first step: stop both scan workers, then walk afresh.
  void startScan(const std::string& root) {
    session().requestScan({{root}, {}, 0});
    tick();
  }
  // The run's timer, later steps: hands over to the grouping once the walk is done.
  void tick() {
    if (session().scanStepsDue()) session().scanStep();
  }
  bool driveUntil(const std::function<bool()>& done) {
    return driver.queue.drainUntil(
        [&] {
          tick();
          return done();
        },
        std::chrono::seconds(20));
  }
  bool settle() { return driver.settle(std::chrono::seconds(20)); }
  bool anyBusy() const { return s().workersBusy(); }

  std::vector<std::string> candidatePaths() const {
    std::vector<std::string> out;
    for (int i = 1; i <= s().candidates().count(); ++i)
      out.push_back(s().candidates().row(i).FullPath);
    return out;
  }
  std::set<int> ticked() const {
    std::set<int> out;
    for (int r = 0; r < s().filesList().rowCount(); ++r) {
      if (s().filesList().isChecked(r)) out.insert(r);
    }
    return out;
  }

  Session& session() { return driver.session(); }
  const Session& s() const { return const_cast<PlainDriver&>(driver).session(); }
  ResultList& files() { return session().filesList(); }
  ResultList& deleteList() { return session().deleteList(); }
  bool locked() const { return controls.locked; }
  const std::string& status() const { return driver.status(); }

  ScriptedDialogs dialogs;
  RunControls controls;
  PlainDriver driver;

 private:
  static SessionConfig Config() {
    SessionConfig config;
    config.tableCapacity = kSlots;
    config.limits.threads = 1;
    return config;
  }
};

bool ScanToTheEnd(Window& w, const std::string& root) {
  w.startScan(root);
  return w.driveUntil([&] { return !w.locked() && !w.anyBusy(); }) && w.settle();
}

// What a settled window must show: "Files" holds the candidates, each Checked
// follows its row's tick, and "Files to delete" lists exactly the ticked ones.
void ExpectConsistent(Window& w) {
  EXPECT_FALSE(w.anyBusy());
  EXPECT_FALSE(w.files().updating());
  EXPECT_EQ(w.s().candidates().CandidateCount.load(), w.s().candidates().size());
  ASSERT_EQ(w.files().rowCount(), w.s().candidates().count());
  std::vector<std::string> ticked;
  for (int r = 0; r < w.files().rowCount(); ++r) {
    ASSERT_EQ(w.files().row(r).subItem(1), w.s().candidates().row(r + 1).FullPath);
    EXPECT_EQ(w.s().candidates().row(r + 1).Checked, w.files().isChecked(r) ? 1 : 0) << "row " << r;
    if (w.files().isChecked(r)) ticked.push_back(w.s().candidates().row(r + 1).FullPath);
  }
  ASSERT_EQ(w.s().deleteList().rowCount(), static_cast<int>(ticked.size()));
  for (std::size_t k = 0; k < ticked.size(); ++k)
    EXPECT_EQ(w.s().deleteTable().row(static_cast<int>(k) + 1).FullPath, ticked[k]);
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
        while (!w.session().walkDone() && w.session().walkBusy()) std::this_thread::yield();
        w.tick();
        ASSERT_EQ(w.session().runPhase(), 2);
        for (unsigned n = random() % 40; n > 0 && w.session().groupingBusy(); --n) {
          std::this_thread::yield();
          w.driver.queue.drain();
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
        ASSERT_TRUE(w.driveUntil([&] { return !w.locked(); }));
        break;
    }
    // A cancel is only offered while the run controls are locked.
    const bool cancel = moment != 4 && w.locked();
    if (cancel) w.session().cancelScan();
    ASSERT_TRUE(w.settle()) << "a worker did not end";
    if (cancel) {
      ++cancelled;
      EXPECT_EQ(w.files().rowCount(), 0);
      EXPECT_EQ(w.status(), "Scanning was canceled.");
      EXPECT_EQ(w.s().candidates().CandidateCount.load(), w.s().candidates().size());
      EXPECT_FALSE((w.session().phase() == Phase::Grouping));
      EXPECT_TRUE(w.locked());
    } else {
      EXPECT_EQ(w.candidatePaths(), clean);
      EXPECT_FALSE(w.locked());
      // Ticks made now reach "Files to delete".
      w.files().setChecked(cycle % w.files().rowCount(), true);
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
  w.files().setChecked(0, true);
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
      reference.session().startCheck(static_cast<CheckMode>(mode));
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
    w.session().startCheck(static_cast<CheckMode>(mode));
    bool cancel = true;
    switch (cycle % 5) {
      case 0:  // before anything of the run has been drained
        break;
      case 1:  // paused at once, resumed, then stopped
        w.session().togglePause();
        drainFor(random() % 3000);
        w.session().togglePause();
        drainFor(random() % 3000);
        break;
      case 2:  // stopped while paused
        drainFor(random() % 3000);
        w.session().togglePause();
        drainFor(random() % 2000);
        break;
      case 3:  // paused and resumed, then left to finish
        drainFor(random() % 2000);
        w.session().togglePause();
        drainFor(random() % 2000);
        w.session().togglePause();
        cancel = false;
        break;
      default:  // wherever the run has got to
        drainFor(random() % 10000);
        break;
    }
    // "Cancel" is only offered while the run is active.
    cancel = cancel && w.session().checkRunActive();
    if (cancel) w.session().cancelCheck();
    ASSERT_TRUE(w.settle()) << "a worker did not end";
    EXPECT_FALSE(w.session().checkRunActive());
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

  // After a fast check a keep rule first works out the sets on the check
  // worker; a cancel there drops the rule and changes no tick.
  int keepsCancelled = 0;
  for (int cycle = 0; cycle < kCheckCycles / 4; ++cycle) {
    SCOPED_TRACE("keep cycle " + std::to_string(cycle));
    w.session().startCheck(CheckMode::Fast);
    ASSERT_TRUE(w.settle());
    const std::set<int> before = w.ticked();
    w.session().keepCopies({{}, {cycle % 2 == 0 ? KeepCriterion::Oldest : KeepCriterion::Newest}});
    drainFor(random() % 4000);
    const bool cancel = w.session().checkRunActive();
    if (cancel) w.session().cancelCheck();
    ASSERT_TRUE(w.settle());
    ExpectConsistent(w);
    if (cancel) {
      ++keepsCancelled;
      EXPECT_EQ(w.ticked(), before);
    }
  }
  EXPECT_GT(keepsCancelled, 0);
  for (int mode = 0; mode < 2; ++mode) {
    w.session().startCheck(static_cast<CheckMode>(mode));
    ASSERT_TRUE(w.settle());
    EXPECT_EQ(w.ticked(), clean[mode]);
    ExpectConsistent(w);
  }
}

}  // namespace
