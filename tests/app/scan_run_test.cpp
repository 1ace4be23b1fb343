// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window tests of the scan run: requests, refusals, failure, cancel, restart.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QtTest>

#include "app/progress_window.h"
#include "form_fixture.h"
#include "scan/walk.h"
#include "session/texts.h"

using Kind = ScriptedDialogs::Kind;

class ScanRunTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void windowShellHasTheControlsAtStart();
  void refusesWithoutColumns();
  void warnsAboutAMissingFolder();
  void pickerWalksUpToAnExistingFolder();
  void aPickedFolderIsTheOneScanned();
  void aFailedWalkWarnsThenShowsErrorAndKeepsControlsLocked();
  void cancelDuringTheWalkStopsBeforeTheGrouping();
  void aPickWhileARunIsActiveRestartsCleanly();
  void lookInTextsFollowTheDirectories();
};

void ScanRunTest::windowShellHasTheControlsAtStart() {
  FormFixture f;
  QCOMPARE(f.form->windowTitle(), QStringLiteral("Twinscan"));
  QVERIFY(f.form->minimumSize() == QSize(600, 483));
  auto* pages = f.child<QTabWidget>("PageControl2");
  QCOMPARE(pages->count(), 2);
  QCOMPARE(pages->tabText(0), QStringLiteral("Files"));
  QCOMPARE(pages->tabText(1), QStringLiteral("Files to delete"));
  QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheetFiles"));
  QVERIFY(f.child<QWidget>("vgListView1")->isVisible());
  QCOMPARE(f.button("SpeedButton4")->text(), QStringLiteral("Rescan"));
  QCOMPARE(f.button("SpeedButton10")->text(), QStringLiteral("Twin Scan"));
  QVERIFY(f.button("SpeedButton10")->isEnabled());
  QVERIFY(!f.button("SpeedButton1")->isVisible());
  auto* status = f.child<TStatusBar>("StatusBar");
  QCOMPARE(status->panel(0)->width(), 20);
  QCOMPARE(status->panel(1)->width(), 330);
  QCOMPARE(status->panel(2)->width(), 50);
  QCOMPARE(f.button("SpeedButton1")->x(), 355);
  auto* progress = f.child<QProgressBar>("ProgressBar");
  QCOMPARE(progress->value(), 0);
  auto* progressWindow = f.child<TFormProgressScanning>("TFormProgressScanning");
  QVERIFY(!progressWindow->isVisible());
  QCOMPARE(progressWindow->windowTitle(), QStringLiteral("Welcome to Twinscan"));
  QCOMPARE(progressWindow->Label2()->text(), QStringLiteral("--"));
  QCOMPARE(f.child<QTabWidget>("PageControl1")->currentWidget()->objectName(),
           QStringLiteral("TabSheetScan"));
}

void ScanRunTest::refusesWithoutColumns() {
  FormFixture f;
  TempTree tree;
  tree.write("a", "x");
  f.form->filesList().clearColumns();
  f.form->setFolderText(tree.root());
  f.click("SpeedButton4");
  QCOMPARE(f.dialogs.count(Kind::Information, texts::kAddColumnsFirst), 1);
  f.child<TDirectoryEdit>("DirectoryEdit1")->browseAction()->trigger();
  QCOMPARE(f.dialogs.count(Kind::Information, texts::kAddColumnsFirst), 2);
  QCOMPARE(f.dialogs.count(Kind::PickFolder), 0);  // the picker never opened
  QTest::qWait(20);
  QCOMPARE(f.form->scanStep(), 0);
  QVERIFY(f.button("SpeedButton4")->isEnabled());
}

void ScanRunTest::warnsAboutAMissingFolder() {
  FormFixture f;
  TempTree tree;
  const std::string gone = tree.path("gone");
  f.form->setFolderText(gone);
  f.click("SpeedButton4");
  const std::string expected = std::string("The directory \"") + gone +
                               "\" is not exists! Please, change the path of \"Folder to Scan\".";
  QCOMPARE(f.dialogs.count(Kind::Warning, expected), 1);
  QTest::qWait(20);
  QCOMPARE(f.form->scanStep(), 0);
}

void ScanRunTest::pickerWalksUpToAnExistingFolder() {
  FormFixture f;
  TempTree tree;
  tree.mkdir("data");
  const struct {
    std::string field, expected;
  } cases[] = {
      {tree.path("data/old/x"), tree.path("data")},
      {"/twinscan-no-such-folder/x", "/"},
      {"nothing-of-this/exists", ""},
  };
  for (const auto& c : cases) {
    f.form->setFolderText(c.field);
    f.dialogs.answerFolder(std::nullopt);  // cancel the picker
    f.child<TDirectoryEdit>("DirectoryEdit1")->browseAction()->trigger();
    QCOMPARE(f.form->folderText(), c.expected);
    // The picker opened at the walked-up folder (an empty field: the root).
    QCOMPARE(f.dialogs.shown().back().text, c.expected.empty() ? std::string("/") : c.expected);
  }
  QCOMPARE(f.form->scanStep(), 0);
}

void ScanRunTest::aPickedFolderIsTheOneScanned() {
  FormFixture f;
  TempTree a, b;
  a.write("one", "aaaa");
  a.write("two", "aaaa");
  b.write("three", "bbbbbb");
  b.write("four", "bbbbbb");
  f.form->setFolderText(a.root());
  f.dialogs.answerFolder(b.root());
  f.child<TDirectoryEdit>("DirectoryEdit1")->browseAction()->trigger();
  QCOMPARE(f.form->folderText(), b.root());
  QVERIFY(f.driver.settle(std::chrono::seconds(20)));
  QVERIFY(f.form->statusText().startsWith(QStringLiteral("Founded ")));
  QCOMPARE(f.form->candidates().count(), 2);
  for (int i = 1; i <= 2; ++i) {
    QVERIFY(f.form->candidates().row(i).FullPath.rfind(b.root() + "/", 0) == 0);
  }
}

void ScanRunTest::aFailedWalkWarnsThenShowsErrorAndKeepsControlsLocked() {
  FormFixture f(10);  // a table of 10 slots holds 9 entries
  TempTree tree;
  for (int i = 0; i < 12; ++i) tree.write("f" + std::to_string(i), "x");
  f.start.write("error.txt", "old");
  f.form->setFolderText(tree.root());
  f.click("SpeedButton4");
  QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.count(Kind::Plain, texts::kError), 1, 20000);
  const auto& shown = f.dialogs.shown();
  QCOMPARE(shown.size(), std::size_t(2));
  QVERIFY(shown[0].kind == Kind::Warning);
  QCOMPARE(shown[0].text, std::string(texts::kWalkFailed));
  // Nothing writes "error.txt", so a file of that name is the user's own and stays.
  QCOMPARE(ReadFileBytes(f.start.path("error.txt")), std::string("old"));
  QCOMPARE(f.form->scanTable().size(), 9);
  QVERIFY(!f.button("SpeedButton4")->isEnabled());
  QVERIFY(!f.button("SpeedButton10")->isEnabled());
  QVERIFY(f.button("SpeedButton1")->isVisible());
  QCOMPARE(f.form->filesList().rowCount(), 0);
  QTest::qWait(30);
  QVERIFY(!f.sawStatus(QStringLiteral("Loading List of files")));
}

void ScanRunTest::cancelDuringTheWalkStopsBeforeTheGrouping() {
  FormFixture f;
  TempTree tree;
  for (int d = 0; d < 20; ++d) {
    for (int i = 0; i < 100; ++i)
      tree.write("d" + std::to_string(d) + "/f" + std::to_string(i), "same");
  }
  f.form->setFolderText(tree.root());
  f.form->SpeedButton4Click();
  f.form->TimerScan1Timer();  // the run starts: the walk is under way now
  QCOMPARE(f.form->runPhase(), 1);
  f.form->SpeedButton1Click();
  QCOMPARE(f.form->statusText(), QStringLiteral("Scanning was canceled."));
  QTest::qWait(100);
  QCOMPARE(f.form->statusText(), QStringLiteral("Scanning was canceled."));
  QVERIFY(!f.sawStatus(QStringLiteral("Loading List of files")));
  QCOMPARE(f.form->filesList().rowCount(), 0);
  QCOMPARE(f.child<QProgressBar>("ProgressBar")->value(), 0);
  QVERIFY(!f.button("SpeedButton4")->isEnabled());
  QVERIFY(!f.button("SpeedButton10")->isEnabled());
  QVERIFY(f.button("SpeedButton1")->isVisible());
  // The picker stays usable and a new run completes and unlocks.
  f.dialogs.answerFolder(tree.root());
  f.child<TDirectoryEdit>("DirectoryEdit1")->browseAction()->trigger();
  QVERIFY(f.driver.settle(std::chrono::seconds(30)));
  QVERIFY(f.form->statusText().startsWith(QStringLiteral("Founded 2000 ")));
  QVERIFY(f.button("SpeedButton4")->isEnabled());
  QVERIFY(!f.button("SpeedButton1")->isVisible());
}

void ScanRunTest::aPickWhileARunIsActiveRestartsCleanly() {
  FormFixture f;
  TempTree big, small;
  // Many files of one size make the grouping's sort slow enough to catch it.
  for (int i = 0; i < 6000; ++i)
    big.write("d" + std::to_string(i % 10) + "/f" + std::to_string(i), "");
  small.write("x1", "12345");
  small.write("x2", "12345");
  f.form->setFolderText(big.root());
  f.click("SpeedButton4");
  QTRY_VERIFY_WITH_TIMEOUT(
      f.form->runPhase() == 2 || f.form->statusText().startsWith(QStringLiteral("Founded")), 20000);
  f.dialogs.answerFolder(small.root());
  f.child<TDirectoryEdit>("DirectoryEdit1")->browseAction()->trigger();
  QVERIFY(f.driver.settle(std::chrono::seconds(30)));
  QCOMPARE(f.form->statusText(), QStringLiteral("Founded 2 file(s) by size"));
  QTest::qWait(50);
  QCOMPARE(f.form->filesList().rowCount(), 2);
  QCOMPARE(f.form->candidates().count(), 2);
  QCOMPARE(f.form->candidates().row(1).FullPath.substr(0, small.root().size()), small.root());
}

void ScanRunTest::lookInTextsFollowTheDirectories() {
  FormFixture f;
  TempTree tree;
  tree.write("A/a1", "1");
  tree.write("B/b1", "1");
  tree.write("f1", "2");
  QVERIFY(f.scan(tree.root()));
  // The window releases its scan table after the grouping; a walk of the
  // same tree gives the same folders in the same order.
  std::vector<QString> expected;
  struct Quiet final : WalkObserver {
  } quiet;
  ScanTable table;
  QVERIFY(WalkTree(tree.root(), table, quiet));
  for (int i = 1; i <= table.size(); ++i) {
    if (table.row(i).IsDirectory) {
      const std::string p = table.path(i);
      expected.push_back(
          QStringLiteral("Look in \"%1\"").arg(QString::fromStdString(p.substr(p.rfind('/') + 1))));
    }
  }
  std::vector<QString> seen;
  for (const auto& s : f.statuses) {
    if (s.startsWith(QStringLiteral("Look in"))) seen.push_back(s);
  }
  QCOMPARE(seen, expected);
  QCOMPARE(f.statuses.front(), QStringLiteral("Scan..."));
}

QTEST_MAIN(ScanRunTest)
#include "scan_run_test.moc"
