// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window tests of runs cancelled at each moment: scan runs and check runs,
// each leaving the window consistent, and a last run that gives what a clean
// run gives.
#include <QCoreApplication>
#include <QThread>
#include <QtTest>

#include <random>
#include <set>

#include "form_fixture.h"
#include "session/texts.h"
#include "support/copy_tree.h"

// Every moment of a cancel twice, as the window shows it; the soak of many
// cycles runs on the plain session (tests/runs, under ThreadSanitizer).
constexpr int kScanCycles = 12;
constexpr int kCheckCycles = 10;

class RunCyclesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void scanCancelRescanFromThePicker();
  void checkPauseResumeCancelRestart();
};

namespace {

// What a finished scan leaves: the candidates in order and the rows of "Files".
struct ScanResult {
  std::vector<std::string> paths;
  std::vector<int> bands;
  std::vector<std::string> rowPaths;
  bool operator==(const ScanResult&) const = default;
};

ScanResult ResultOf(TFormMain& f) {
  ScanResult r;
  for (int i = 1; i <= f.candidates().count(); ++i) {
    r.paths.push_back(f.candidates().row(i).FullPath);
    r.bands.push_back(f.candidates().row(i).Band);
  }
  for (int i = 0; i < f.filesList().rowCount(); ++i)
    r.rowPaths.emplace_back(f.filesList().row(i).subItem(1));
  return r;
}

std::set<int> TickedRows(TFormMain& form) {
  std::set<int> out;
  const ResultList& files = form.filesList();
  for (int r = 0; r < files.rowCount(); ++r) {
    if (files.isChecked(r)) out.insert(r);
  }
  return out;
}

// Runs events until the scan has ended; true when it filled "Files".
bool ScanFinished(FormFixture& f) {
  return f.driver.settle(std::chrono::seconds(20)) &&
         f.form->statusText().startsWith(QStringLiteral("Founded "));
}

// Runs events until no run is active, no worker is busy, all they posted
// has run and the deferred rebuild of "Files to delete" is done.
bool Settle(FormFixture& f) {
  return f.driver.settle(std::chrono::seconds(20));
}

// A picked folder, as a click on the picker's button with the dialog answered.
void PickFolder(FormFixture& f, const std::string& folder) {
  f.dialogs.answerFolder(folder);
  f.child<TDirectoryEdit>("DirectoryEdit1")->browseAction()->trigger();
}

// Presses "cancel" of a scan run if the user could: the button shows while the
// run controls are locked.
bool CancelScan(FormFixture& f) {
  if (!f.button("SpeedButton1")->isVisible()) return false;
  f.button("SpeedButton1")->click();
  return true;
}

// The checks shared by every settled state of "Files" and "Files to delete":
// each candidate's Checked follows its row's tick, and "Files to delete" holds
// exactly the ticked candidates.
void VerifyTicksMirrored(FormFixture& f) {
  const CandidateTable& c = f.form->candidates();
  const ResultList& files = f.form->filesList();
  QCOMPARE(files.rowCount(), c.count());
  std::vector<std::string> ticked;
  for (int r = 0; r < files.rowCount(); ++r) {
    QCOMPARE(int(c.row(r + 1).Checked), files.isChecked(r) ? 1 : 0);
    if (files.isChecked(r)) ticked.push_back(c.row(r + 1).FullPath);
  }
  const DeleteTable& del = f.form->deleteTable();
  QCOMPARE(f.form->deleteList().rowCount(), static_cast<int>(ticked.size()));
  QCOMPARE(del.DeleteCount, static_cast<int>(ticked.size()));
  for (std::size_t k = 0; k < ticked.size(); ++k)
    QCOMPARE(del.row(static_cast<int>(k) + 1).FullPath, ticked[k]);
}

}  // namespace

void RunCyclesTest::scanCancelRescanFromThePicker() {
  TempTree tree;
  MakeCopyTree(tree);
  ScanResult clean;
  {
    FormFixture reference;
    QVERIFY(reference.scan(tree.root()));
    clean = ResultOf(*reference.form);
  }
  QVERIFY(clean.paths.size() > 20);

  FormFixture f;
  std::mt19937 random(7);
  int cancelled = 0, completed = 0;
  for (int cycle = 0; cycle < kScanCycles; ++cycle) {
    PickFolder(f, tree.root());
    bool pressed = false;
    switch (cycle % 6) {
      case 0:  // before the run's timer has started it
        pressed = CancelScan(f);
        break;
      case 1:  // right after the walk has started
        f.form->TimerScan1Timer();
        pressed = CancelScan(f);
        break;
      case 2: {  // some way into the walk
        f.form->TimerScan1Timer();
        QThread::usleep(random() % 3000);
        pressed = CancelScan(f);
        break;
      }
      case 3: {  // right after the hand-over to the grouping, or some way into it
        QVERIFY(f.handOverToGrouping());
        QCOMPARE(f.form->runPhase(), 2);
        if (random() % 3 == 0) {
          QTest::qWait(static_cast<int>(random() % 4));  // rows may arrive meanwhile
        } else {
          QThread::usleep(random() % 4000);
        }
        pressed = CancelScan(f);
        break;
      }
      case 4:  // no cancel: the run completes
        break;
      default:  // wherever the run has got to, perhaps its end
        QTest::qWait(static_cast<int>(random() % 15));
        pressed = CancelScan(f);
        break;
    }
    if (!pressed) QVERIFY(ScanFinished(f));
    QVERIFY2(Settle(f), "a worker is still busy");
    QVERIFY(!f.form->scanRunActive());
    const CandidateTable& c = f.form->candidates();
    QCOMPARE(c.CandidateCount.load(), c.size());
    if (pressed) {
      ++cancelled;
      QCOMPARE(f.form->statusText(), QString::fromUtf8(texts::kScanCanceled));
      QCOMPARE(f.form->filesList().rowCount(), 0);
      QVERIFY(!f.form->filesList().updating());
      // A cancel leaves the run controls locked; only the picker starts a run.
      QVERIFY(!f.button("SpeedButton4")->isEnabled());
      QVERIFY(!f.button("SpeedButton10")->isEnabled());
      QVERIFY(f.button("SpeedButton1")->isVisible());
      QVERIFY(f.child<QWidget>("GroupBox2")->isEnabled());
    } else {
      ++completed;
      QCOMPARE(ResultOf(*f.form), clean);
      QVERIFY(f.button("SpeedButton4")->isEnabled());
      QVERIFY(f.button("SpeedButton10")->isEnabled());
      QVERIFY(!f.button("SpeedButton1")->isVisible());
      // Ticks made now reach "Files to delete".
      f.setFilesTick(cycle % c.count(), true);
      f.setFilesTick((cycle + 3) % c.count(), true);
      QVERIFY(Settle(f));
      VerifyTicksMirrored(f);
      if (QTest::currentTestFailed()) return;
    }
  }
  QVERIFY(cancelled >= kScanCycles / 3);
  QVERIFY(completed > 0);
  // The last word: a rescan after all of it gives the clean run's result.
  PickFolder(f, tree.root());
  QVERIFY(ScanFinished(f));
  QVERIFY(Settle(f));
  QCOMPARE(ResultOf(*f.form), clean);
}

void RunCyclesTest::checkPauseResumeCancelRestart() {
  TempTree tree;
  MakeCopyTree(tree);
  std::set<int> clean[2];
  {
    FormFixture reference;
    QVERIFY(reference.scan(tree.root()));
    for (int mode = 0; mode < 2; ++mode) {
      QVERIFY(reference.check(mode));
      clean[mode] = TickedRows(*reference.form);
    }
  }
  QVERIFY(!clean[0].empty() && !clean[1].empty() && clean[0] != clean[1]);

  FormFixture f;
  QVERIFY(f.scan(tree.root()));
  auto* modes = f.child<TRadioGroup>("RadioGroup1");
  std::mt19937 random(11);
  int cancelled = 0, completed = 0;
  for (int cycle = 0; cycle < kCheckCycles; ++cycle) {
    const int mode = cycle % 2;
    const std::set<int> before = TickedRows(*f.form);
    modes->item(mode)->setChecked(true);
    f.click("SpeedButton10");
    bool pressed = false;
    const auto cancel = [&] {
      if (!f.button("SpeedButton18")->isEnabled()) return;
      f.click("SpeedButton18");
      pressed = true;
    };
    const auto pauseAndResume = [&] {
      if (!f.button("SpeedButton17")->isEnabled()) return;
      f.click("SpeedButton17");
      QCOMPARE(f.button("SpeedButton17")->text(), QString::fromUtf8(texts::kResume));
      QTest::qWait(static_cast<int>(random() % 4));
      if (!f.button("SpeedButton17")->isEnabled()) return;  // the run ended meanwhile
      f.click("SpeedButton17");
      QCOMPARE(f.button("SpeedButton17")->text(), QString::fromUtf8(texts::kPause));
    };
    switch (cycle % 5) {
      case 0:  // before the run has posted anything
        cancel();
        break;
      case 1:  // paused at once, resumed, then cancelled
        pauseAndResume();
        QTest::qWait(static_cast<int>(random() % 4));
        cancel();
        break;
      case 2:  // cancelled while paused
        QTest::qWait(static_cast<int>(random() % 6));
        if (f.button("SpeedButton17")->isEnabled()) f.click("SpeedButton17");
        cancel();
        break;
      case 3:  // paused and resumed, then left to finish
        QTest::qWait(static_cast<int>(random() % 4));
        pauseAndResume();
        break;
      default:  // wherever the run has got to, perhaps its end
        QTest::qWait(static_cast<int>(random() % 20));
        cancel();
        break;
    }
    if (!pressed) QVERIFY(Settle(f));
    QVERIFY2(Settle(f), "a worker is still busy");
    // Controls as after the end or a cancel of a check.
    QVERIFY(!f.form->checkRunActive());
    QVERIFY(f.button("SpeedButton10")->isEnabled());
    QVERIFY(!f.button("SpeedButton17")->isEnabled());
    QVERIFY(!f.button("SpeedButton18")->isEnabled());
    for (const char* name : {"TabSheet3", "GroupBox1", "RadioGroup1", "GroupBox2"})
      QVERIFY2(f.child<QWidget>(name)->isEnabled(), name);
    VerifyTicksMirrored(f);
    if (QTest::currentTestFailed()) return;
    const std::set<int> ticked = TickedRows(*f.form);
    if (pressed) {
      ++cancelled;
      // A stopped run keeps its ticks so far; none is one the run would not make.
      for (int r : ticked) QVERIFY(clean[mode].count(r) == 1 || before.count(r) == 1);
    } else {
      ++completed;
      QCOMPARE(ticked, clean[mode]);
    }
  }
  QVERIFY(cancelled > 0);
  QVERIFY(completed > 0);
  // A restart after all of it gives the clean run's ticks in both modes.
  for (int mode = 0; mode < 2; ++mode) {
    QVERIFY(f.check(mode));
    QVERIFY(Settle(f));
    QCOMPARE(TickedRows(*f.form), clean[mode]);
    VerifyTicksMirrored(f);
  }
}

QTEST_MAIN(RunCyclesTest)
#include "run_cycles_test.moc"
