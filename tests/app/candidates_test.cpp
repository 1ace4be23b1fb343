// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window tests of the grouping into "Files", the "Files to delete" list and
// the colours of "Files".
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include "form_fixture.h"
#include "session/texts.h"

class CandidatesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void aScanFillsFilesInSizeOrder();
  void tickedRowsAreListedBySizeWithTotals();
  void untickingInFilesToDeleteChangesOnlyTheTotals();
  void theFillDoesNotFireTheChangeHandlerButATickDoes();
  void cancelDuringTheGroupingEmptiesFilesAndKeepsControlsLocked();
  void pageSwitchSwapsTheButtonGroups();
  void navyBackgroundAppliesToFilesOnly();
};

namespace {
// Sizes 5, 7, 7, 9, 9, 9, 12.
void MakeSizeTree(TempTree& tree) {
  tree.write("a5", std::string(5, 'a'));
  tree.write("b7", std::string(7, 'b'));
  tree.write("sub/c7", std::string(7, 'c'));
  tree.write("d9", std::string(9, 'd'));
  tree.write("sub/e9", std::string(9, 'e'));
  tree.write("sub/deeper/f9", std::string(9, 'f'));
  tree.write("g12", std::string(12, 'g'));
}
}  // namespace

void CandidatesTest::aScanFillsFilesInSizeOrder() {
  FormFixture f;
  TempTree tree;
  MakeSizeTree(tree);
  auto* bar = f.child<QProgressBar>("ProgressBar");
  QSignalSpy progress(bar, &QProgressBar::valueChanged);
  QVERIFY(f.scan(tree.root()));
  QCOMPARE(f.form->statusText(), QStringLiteral("Founded 5 file(s) by size"));
  for (const char* phase : {"Loading List of files", "Grouping List of files",
                            "Adding List Of Files to \"List of Files\"..."}) {
    QVERIFY2(f.sawStatus(QString::fromUtf8(phase)), phase);
  }
  const ResultList& files = f.form->filesList();
  QCOMPARE(files.rowCount(), 5);
  // Columns FileName, Size, Path: the size is the first sub-item.
  const char* sizes[] = {"7", "7", "9", "9", "9"};
  for (int r = 0; r < 5; ++r) {
    QCOMPARE(std::string(files.row(r).subItem(0)), std::string(sizes[r]));
    QCOMPARE(std::string(files.row(r).subItem(1)), f.form->candidates().row(r + 1).FullPath);
  }
  QCOMPARE(bar->value(), 0);
  bool rose = false;
  for (const auto& call : progress) rose = rose || call.at(0).toInt() == 100;
  QVERIFY(rose);
  QVERIFY(f.button("SpeedButton4")->isEnabled());
  QVERIFY(f.button("SpeedButton10")->isEnabled());
  QVERIFY(!f.button("SpeedButton1")->isVisible());
  QVERIFY(f.form->filesListFilled());
  QCOMPARE(f.child<QTabWidget>("PageControl2")->currentWidget()->objectName(),
           QStringLiteral("TabSheetFiles"));
}

void CandidatesTest::tickedRowsAreListedBySizeWithTotals() {
  FormFixture f;
  TempTree tree;
  for (int size : {500, 100, 300}) {
    tree.write("x" + std::to_string(size), std::string(static_cast<std::size_t>(size), 'x'));
    tree.write("y" + std::to_string(size), std::string(static_cast<std::size_t>(size), 'y'));
  }
  QVERIFY(f.scan(tree.root()));
  const CandidateTable& c = f.form->candidates();
  auto rowOfSize = [&](std::int64_t size) {
    for (int i = 1; i <= c.count(); ++i) {
      if (c.row(i).Size == size) return i - 1;
    }
    return -1;
  };
  for (int size : {500, 100, 300}) f.setFilesTick(rowOfSize(size), true);
  f.settle();
  const ResultList& del = f.form->deleteList();
  QCOMPARE(del.rowCount(), 3);
  const char* expected[] = {"100", "300", "500"};
  for (int r = 0; r < 3; ++r) {
    QCOMPARE(std::string(del.row(r).subItem(0)), std::string(expected[r]));
    QVERIFY(del.isChecked(r));
  }
  QCOMPARE(f.form->statusText(),
           QStringLiteral("Total files in \"Files to delete\": 3. Files to delete: 3"));
}

void CandidatesTest::untickingInFilesToDeleteChangesOnlyTheTotals() {
  FormFixture f;
  TempTree tree;
  for (int i = 0; i < 3; ++i) tree.write("f" + std::to_string(i), "same");
  QVERIFY(f.scan(tree.root()));
  for (int r = 0; r < 3; ++r) f.setFilesTick(r, true);
  f.settle();
  QCOMPARE(f.form->deleteList().rowCount(), 3);
  auto* delModel = f.form->filesToDelete()->model();
  delModel->setData(delModel->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
  f.settle();
  QCOMPARE(f.form->statusText(),
           QStringLiteral("Total files in \"Files to delete\": 3. Files to delete: 2"));
  QCOMPARE(f.form->deleteList().rowCount(), 3);
  QVERIFY(f.form->filesList().isChecked(1));
  QCOMPARE(int(f.form->candidates().row(2).Checked), 1);
  // The user's untick survives what is no change of a tick in "Files": the
  // page switch that moves the focus into "Files" and makes a row current,
  // a click on a row, a double-click that only runs the file.
  auto* pages = f.child<QTabWidget>("PageControl2");
  pages->setCurrentWidget(f.child<QWidget>("TabSheetFiles"));
  f.form->files()->setFocus();
  pages->setCurrentWidget(f.child<QWidget>("TabSheetResults"));
  pages->setCurrentWidget(f.child<QWidget>("TabSheetFiles"));
  const QRect cell = f.form->files()->visualRect(f.form->files()->model()->index(2, 0));
  QTest::mouseClick(f.form->files()->viewport(), Qt::LeftButton, {}, cell.center());
  f.form->vgListView1DblClick();
  f.settle();
  QCOMPARE(f.form->deleteList().rowCount(), 3);
  QCOMPARE(f.form->deleteList().checkedCount(), 2);
  QVERIFY(!f.form->deleteList().isChecked(1));
  QVERIFY(!f.form->deleteListStale());
  // A change of a tick in "Files" rebuilds it, every row ticked again.
  f.setFilesTick(0, false);
  f.setFilesTick(0, true);
  f.settle();
  QCOMPARE(f.form->deleteList().checkedCount(), 3);

  // Nothing ticked: a rebuild empties the list.
  for (int r = 0; r < 3; ++r) f.setFilesTick(r, false);
  f.settle();
  QCOMPARE(f.form->deleteList().rowCount(), 0);
  QCOMPARE(f.form->statusText(),
           QStringLiteral("Total files in \"Files to delete\": 0. Files to delete: 0"));
}

void CandidatesTest::theFillDoesNotFireTheChangeHandlerButATickDoes() {
  FormFixture f;
  TempTree tree;
  MakeSizeTree(tree);
  QVERIFY(f.scan(tree.root()));
  QVERIFY(!f.form->deleteListStale());
  QCOMPARE(f.form->statusText(), QStringLiteral("Founded 5 file(s) by size"));
  f.setFilesTick(0, true);
  QVERIFY(f.form->deleteListStale());
  QCOMPARE(int(f.form->candidates().row(1).Checked), 1);
  f.settle();
  QVERIFY(!f.form->deleteListStale());
  QCOMPARE(f.form->deleteList().rowCount(), 1);
}

void CandidatesTest::cancelDuringTheGroupingEmptiesFilesAndKeepsControlsLocked() {
  FormFixture f;
  TempTree tree;
  for (int i = 0; i < 2000; ++i)
    tree.write("d" + std::to_string(i % 8) + "/e" + std::to_string(i), "");
  f.form->setFolderText(tree.root());
  // Drive the run's timer by hand, so that the cancel follows the hand-over
  // before the window thread runs anything the grouping posted.
  f.form->SpeedButton4Click();
  QVERIFY(f.handOverToGrouping());
  QCOMPARE(f.form->runPhase(), 2);
  f.form->SpeedButton1Click();
  QCOMPARE(f.form->statusText(), QStringLiteral("Scanning was canceled."));
  QTest::qWait(100);
  QCOMPARE(f.form->filesList().rowCount(), 0);
  QVERIFY(!f.sawStatus(QStringLiteral("Founded 2000 file(s) by size")));
  QCOMPARE(f.form->statusText(), QStringLiteral("Scanning was canceled."));
  QVERIFY(!f.button("SpeedButton4")->isEnabled());
  QVERIFY(!f.button("SpeedButton10")->isEnabled());
  QVERIFY(f.button("SpeedButton1")->isVisible());
  QVERIFY(!f.form->scanRunActive());
  // The table names only rows that exist.
  QVERIFY(f.form->candidates().CandidateCount.load() == f.form->candidates().size());
}

void CandidatesTest::pageSwitchSwapsTheButtonGroups() {
  FormFixture f;
  auto* pages = f.child<QTabWidget>("PageControl2");
  auto* filesGroup = f.child<QWidget>("GroupBox1");
  auto* deleteGroup = f.child<QWidget>("GroupBox7");
  QVERIFY(filesGroup->isVisible() && !deleteGroup->isVisible());
  for (int round = 0; round < 2; ++round) {
    pages->setCurrentIndex(1);
    QVERIFY(!filesGroup->isVisible() && deleteGroup->isVisible());
    pages->setCurrentIndex(0);
    QVERIFY(filesGroup->isVisible() && !deleteGroup->isVisible());
  }
}

void CandidatesTest::navyBackgroundAppliesToFilesOnly() {
  FormFixture f;
  auto* picker = f.child<TColorComboBox>("ColorComboBox3");
  const QColor before = f.form->filesToDelete()->palette().color(QPalette::Base);
  picker->setCurrentIndex(picker->findText(QStringLiteral("Navy")));
  QCOMPARE(picker->value(), 0x800000u);
  QCOMPARE(f.form->files()->palette().color(QPalette::Base), QColor(0, 0, 128));
  QCOMPARE(f.form->filesToDelete()->palette().color(QPalette::Base), before);
  auto* font = f.child<TColorComboBox>("ColorComboBox4");
  font->setCurrentIndex(font->findText(QStringLiteral("Red")));
  QCOMPARE(f.form->files()->palette().color(QPalette::Text), QColor(255, 0, 0));
  // The picker lists the 16 colours in their order.
  QCOMPARE(picker->count(), 16);
  QCOMPARE(picker->itemText(0), QStringLiteral("Black"));
  QCOMPARE(picker->itemText(15), QStringLiteral("White"));
}

QTEST_MAIN(CandidatesTest)
#include "candidates_test.moc"
