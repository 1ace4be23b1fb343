// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window tests of the column pages: moving and ordering captions, the OK
// pictures, and what applying does to both lists.
#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QtTest>

#include "form_fixture.h"
#include "lists/row_texts.h"
#include "session/texts.h"

using Kind = ScriptedDialogs::Kind;

class ColumnsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void arrowsMoveCaptionsBetweenTheBoxes();
  void upAndDownActOnTheFocusedBoxOnly();
  void okGivesEveryColumnAnEqualShare();
  void widthsFollowTheListInFront();
  void applyAfterAScanKeepsRowsOrderAndTicks();
  void applyingNoColumnsEmptiesFiles();
  void filesToDeleteWithoutColumnsKeepsItsRowsAndTicks();
  void anApplyDuringTheGroupingWaitsForTheFill();
};

namespace {

// The controls of one column page: 0 "Files", 1 "Files to delete".
struct Page {
  const char* available;
  const char* shown;
  const char* right;
  const char* left;
  const char* up;
  const char* down;
  const char* ok;
};
constexpr Page kPages[2] = {
    {"ListBox1", "ListBox2", "SpeedButton11", "SpeedButton12", "SpeedButton13", "SpeedButton15",
     "SpeedButton21_"},
    {"ListBox3", "ListBox4", "SpeedButton19", "SpeedButton16", "SpeedButton22", "SpeedButton23",
     "SpeedButton24"},
};

QStringList Entries(const QListWidget* box) {
  QStringList out;
  for (int i = 0; i < box->count(); ++i) out << box->item(i)->text();
  return out;
}

QStringList Selected(const QListWidget* box) {
  QStringList out;
  for (const auto* item : box->selectedItems()) out << item->text();
  return out;
}

QStringList Captions(const ResultList& list) {
  QStringList out;
  for (int c = 0; c < list.columnCount(); ++c)
    out << QString::fromStdString(list.column(c).Caption);
  return out;
}

QStringList HeaderTexts(const ResultListView* view) {
  QStringList out;
  const auto* model = view->model();
  for (int c = 0; c < model->columnCount(); ++c)
    out << model->headerData(c, Qt::Horizontal).toString();
  return out;
}

// Brings the column page of `which` to the front, so its boxes can take the focus.
void ShowColumnPage(FormFixture& f, int which) {
  f.child<QTabWidget>("PageControl1")->setCurrentWidget(f.child<QWidget>("TabSheet3"));
  f.child<QTabWidget>("PageControl3")->setCurrentIndex(which);
}

ResultList& ListOf(FormFixture& f, int which) {
  return which == 0 ? f.form->filesList() : f.form->deleteList();
}

void Select(QListWidget* box, int row) {
  box->setCurrentRow(row);
}

// Moves every caption out of the shown box of `which` and presses its OK.
void ApplyNoColumns(FormFixture& f, int which) {
  const Page& p = kPages[which];
  auto* shown = f.child<QListWidget>(p.shown);
  while (shown->count() > 0) {
    Select(shown, 0);
    f.click(p.left);
  }
  f.click(p.ok);
}

}  // namespace

void ColumnsTest::arrowsMoveCaptionsBetweenTheBoxes() {
  for (int which = 0; which < 2; ++which) {
    FormFixture f;
    const Page& p = kPages[which];
    auto* available = f.child<QListWidget>(p.available);
    auto* shown = f.child<QListWidget>(p.shown);
    const QStringList all = L("FileName", "Size", "Path");
    QCOMPARE(Entries(shown), all);
    QVERIFY(Entries(available).isEmpty());
    QCOMPARE(f.form->applyImage(static_cast<ListId>(which)), 0);

    // A middle entry goes to the end of the other box; its place is selected.
    Select(shown, 1);
    f.click(p.left);
    QCOMPARE(Entries(shown), L("FileName", "Path"));
    QCOMPARE(Entries(available), L("Size"));
    QCOMPARE(Selected(shown), L("Path"));
    QVERIFY(f.form->columnsPending(static_cast<ListId>(which)));
    QCOMPARE(f.form->applyImage(static_cast<ListId>(which)), 1);
    // Only OK changes the list.
    QCOMPARE(Captions(ListOf(f, which)), all);
    f.click(p.ok);
    QCOMPARE(f.form->applyImage(static_cast<ListId>(which)), 0);
    QVERIFY(!f.form->columnsPending(static_cast<ListId>(which)));
    QCOMPARE(Captions(ListOf(f, which)), L("FileName", "Path"));

    // The only entry: the box is left empty with nothing selected, the other
    // box keeps its selection, and "Size" comes back at the right end.
    Select(available, 0);
    f.click(p.right);
    QCOMPARE(Entries(shown), L("FileName", "Path", "Size"));
    QVERIFY(Entries(available).isEmpty());
    QCOMPARE(available->currentRow(), -1);
    QVERIFY(Selected(available).isEmpty());
    QCOMPARE(Selected(shown), L("Path"));
    QCOMPARE(f.form->applyImage(static_cast<ListId>(which)), 1);
    f.click(p.ok);
    QCOMPARE(f.form->applyImage(static_cast<ListId>(which)), 0);
    QCOMPARE(Captions(ListOf(f, which)), L("FileName", "Path", "Size"));
    auto* view = which == 0 ? f.form->files() : f.form->filesToDelete();
    QCOMPARE(HeaderTexts(view), L("FileName", "Path", "Size"));

    // The last entry of three: the new last entry is selected.
    Select(shown, 2);
    f.click(p.left);
    QCOMPARE(Entries(shown), L("FileName", "Path"));
    QCOMPARE(Selected(shown), L("Path"));
    QCOMPARE(shown->currentRow(), 1);

    // Without a selection in the source box nothing moves.
    available->clearSelection();
    f.click(p.right);
    QCOMPARE(Entries(available), L("Size"));
    QCOMPARE(Entries(shown), L("FileName", "Path"));
    QCOMPARE(f.form->applyImage(static_cast<ListId>(which)),
             1);  // still waiting from the move above
  }
}

void ColumnsTest::upAndDownActOnTheFocusedBoxOnly() {
  for (int which = 0; which < 2; ++which) {
    FormFixture f;
    const Page& p = kPages[which];
    for (const char* name : {p.right, p.left, p.up, p.down, p.ok}) {
      QCOMPARE(f.button(name)->focusPolicy(), Qt::NoFocus);
    }
    ShowColumnPage(f, which);
    auto* available = f.child<QListWidget>(p.available);
    auto* shown = f.child<QListWidget>(p.shown);
    auto* elsewhere = f.child<QLineEdit>("DirectoryEdit1");

    // Neither box focused: nothing moves and the picture stays, idle or red.
    elsewhere->setFocus();
    Select(shown, 1);
    f.click(p.up);
    f.click(p.down);
    QCOMPARE(Entries(shown), L("FileName", "Size", "Path"));
    QVERIFY(!f.form->columnsPending(static_cast<ListId>(which)));
    QCOMPARE(f.form->applyImage(static_cast<ListId>(which)), 0);

    // The first entry of the focused box does not move up, but counts as an edit.
    shown->setFocus();
    QCOMPARE(f.form->focusWidget(), shown);
    Select(shown, 0);
    f.click(p.up);
    QCOMPARE(Entries(shown), L("FileName", "Size", "Path"));
    QVERIFY(f.form->columnsPending(static_cast<ListId>(which)));
    QCOMPARE(f.form->applyImage(static_cast<ListId>(which)), 1);

    // Down moves it one place at a time and keeps it selected; at the end it stays.
    f.click(p.down);
    QCOMPARE(Entries(shown), L("Size", "FileName", "Path"));
    QCOMPARE(Selected(shown), L("FileName"));
    f.click(p.down);
    f.click(p.down);
    QCOMPARE(Entries(shown), L("Size", "Path", "FileName"));
    QCOMPARE(shown->currentRow(), 2);

    elsewhere->setFocus();
    f.click(p.up);
    QCOMPARE(Entries(shown), L("Size", "Path", "FileName"));
    QCOMPARE(f.form->applyImage(static_cast<ListId>(which)), 1);
    f.click(p.ok);
    QCOMPARE(Captions(ListOf(f, which)), L("Size", "Path", "FileName"));

    // The available box reorders too; the shown box's selection is not touched.
    Select(shown, 2);
    f.click(p.left);
    Select(shown, 0);
    f.click(p.left);
    QCOMPARE(Entries(available), L("FileName", "Size"));
    available->setFocus();
    Select(available, 1);
    Select(shown, 0);
    f.click(p.up);
    QCOMPARE(Entries(available), L("Size", "FileName"));
    QCOMPARE(Entries(shown), L("Path"));
    QCOMPARE(Selected(available), L("Size"));
  }
}

void ColumnsTest::okGivesEveryColumnAnEqualShare() {
  QCOMPARE(EqualColumnWidth(400, 3), 132);
  QCOMPARE(EqualColumnWidth(400, 0), 0);
  FormFixture f;
  for (int which = 0; which < 2; ++which) {
    const Page& p = kPages[which];
    auto* shown = f.child<QListWidget>(p.shown);
    ResultList& list = ListOf(f, which);
    auto* view = which == 0 ? f.form->files() : f.form->filesToDelete();
    for (int columns : {3, 2}) {
      if (columns == 2) {
        Select(shown, 0);
        f.click(p.left);
      }
      list.setColumnWidth(0, 17);  // a dragged width goes with the next OK
      f.click(p.ok);
      const int expected = view->viewport()->width() / columns - 1;
      QCOMPARE(list.columnCount(), columns);
      for (int c = 0; c < columns; ++c) {
        QCOMPARE(list.column(c).Width, expected);
        QCOMPARE(view->header()->sectionSize(c), expected);
      }
    }
  }
}

// The width is the one the list has with its page in front; a page behind
// keeps the size it had when it last showed.
void ColumnsTest::widthsFollowTheListInFront() {
  FormFixture f;
  f.form->resize(f.form->width() + 400, f.form->height());
  QTest::qWait(20);
  QCOMPARE(f.child<QTabWidget>("PageControl2")->currentIndex(), 0);
  f.click("SpeedButton24");
  const int front = f.form->files()->viewport()->width();
  QCOMPARE(f.form->deleteList().column(0).Width, EqualColumnWidth(front, 3));
  f.child<QTabWidget>("PageControl2")->setCurrentIndex(1);
  QTest::qWait(20);
  QCOMPARE(f.form->filesToDelete()->viewport()->width(), front);
  // Right and left arrows green, up and down blue.
  for (const Page& p : kPages) {
    for (const char* name : {p.right, p.left, p.up, p.down}) {
      const QColor c = f.button(name)->icon().pixmap(16, 16).toImage().pixelColor(8, 8);
      const bool across = name == p.right || name == p.left;
      QVERIFY2(across ? c.green() > 2 * c.blue() : c.blue() > 2 * c.green(), name);
    }
  }
}

void ColumnsTest::applyAfterAScanKeepsRowsOrderAndTicks() {
  FormFixture f;
  TempTree tree;
  tree.write("a.txt", "xyz");
  tree.write("sub/b.txt", "xyz");
  tree.write("c.dat", "12345");
  tree.write("sub/d.dat", "12345");
  tree.write("sub/deep/e", "12345");
  tree.write("lonely", "1");
  QVERIFY(f.scan(tree.root()));
  const CandidateTable& candidates = f.form->candidates();
  QCOMPARE(candidates.count(), 5);
  f.setFilesTick(1, true);
  f.setFilesTick(3, true);
  f.settle();
  QCOMPARE(f.form->deleteList().rowCount(), 2);
  std::vector<int> checkedBefore;
  for (int k = 1; k <= 5; ++k) checkedBefore.push_back(candidates.row(k).Checked);

  // "Files": Path, FileName, Size.
  ShowColumnPage(f, 0);
  auto* shown = f.child<QListWidget>("ListBox2");
  shown->setFocus();
  Select(shown, 2);
  f.click("SpeedButton13");
  f.click("SpeedButton13");
  f.click("SpeedButton21_");
  const ResultList& files = f.form->filesList();
  QCOMPARE(HeaderTexts(f.form->files()), L("Path", "FileName", "Size"));
  QCOMPARE(files.rowCount(), 5);
  for (int r = 0; r < 5; ++r) {
    const CandidateRow& c = candidates.row(r + 1);
    QCOMPARE(std::string(files.row(r).caption()), c.FullPath);
    QCOMPARE(files.row(r).subItems(),
             std::vector<std::string>({std::string(c.FileName()), std::to_string(c.Size)}));
    QCOMPARE(files.isChecked(r), r == 1 || r == 3);
    QCOMPARE(int(c.Checked), checkedBefore[static_cast<std::size_t>(r)]);
  }
  f.settle();
  QCOMPARE(f.form->deleteList().rowCount(), 2);

  // "Files to delete": Size, Path, rebuilt at once although its page is behind.
  QCOMPARE(f.child<QTabWidget>("PageControl2")->currentWidget()->objectName(),
           QStringLiteral("TabSheetFiles"));
  Select(f.child<QListWidget>("ListBox4"), 0);
  f.click("SpeedButton16");
  f.click("SpeedButton24");
  const ResultList& del = f.form->deleteList();
  QCOMPARE(Captions(del), L("Size", "Path"));
  QVERIFY(!f.form->deleteListStale());
  QCOMPARE(del.rowCount(), 2);
  for (int r = 0; r < 2; ++r) {
    const CandidateRow& c = candidates.row(r == 0 ? 2 : 4);
    QCOMPARE(std::string(del.row(r).caption()), std::to_string(c.Size));
    QCOMPARE(std::string(del.row(r).subItem(0)), c.FullPath);
    QVERIFY(del.isChecked(r));
  }
  QCOMPARE(f.form->statusText(),
           QStringLiteral("Total files in \"Files to delete\": 2. Files to delete: 2"));
}

// Its refusal of the next scan is the session's (tests/session) and shows
// as any refusal for want of columns does (scan_run_test).
void ColumnsTest::applyingNoColumnsEmptiesFiles() {
  FormFixture f;
  QVERIFY(f.scanTwins());
  QCOMPARE(f.form->filesList().rowCount(), 2);
  ApplyNoColumns(f, 0);
  QCOMPARE(f.form->filesList().columnCount(), 0);
  QCOMPARE(f.form->filesList().rowCount(), 0);
  QCOMPARE(f.form->files()->model()->rowCount(), 0);
}

void ColumnsTest::filesToDeleteWithoutColumnsKeepsItsRowsAndTicks() {
  FormFixture f;
  QVERIFY(f.scanTwins());
  f.setFilesTick(1, true);
  ApplyNoColumns(f, 1);
  f.settle();
  const ResultList& del = f.form->deleteList();
  QCOMPARE(del.columnCount(), 0);
  QCOMPARE(del.rowCount(), 1);
  // Ticks of a list with rows and no columns: the model names no cell.
  f.click("SpeedButton21");
  QVERIFY(!del.isChecked(0));
  f.click("SpeedButton25");
  QVERIFY(del.isChecked(0));
}

void ColumnsTest::anApplyDuringTheGroupingWaitsForTheFill() {
  FormFixture f;
  TempTree tree;
  // Thousands of files of one size keep the grouping busy for a while.
  for (int i = 0; i < 8000; ++i)
    tree.write("d" + std::to_string(i % 8) + "/e" + std::to_string(i), "");
  f.stopTestingListModels();
  ShowColumnPage(f, 0);
  auto* shown = f.child<QListWidget>("ListBox2");
  shown->setFocus();
  Select(shown, 2);
  f.click("SpeedButton13");
  f.click("SpeedButton13");  // Path, FileName, Size waits for OK

  QStringList captionsAtFounded;
  f.form->onStatusText = [&](const QString& text) {
    f.statuses.push_back(text);
    if (text.startsWith(QStringLiteral("Founded ")))
      captionsAtFounded = Captions(f.form->filesList());
  };
  f.form->setFolderText(tree.root());
  // Drive the run's timer by hand and run no events until the grouping has
  // started, so the OK below falls inside the grouping whatever its speed.
  f.form->SpeedButton4Click();
  QVERIFY(f.handOverToGrouping());
  QCOMPARE(f.form->runPhase(), 2);
  f.click("SpeedButton21_");
  QCOMPARE(f.dialogs.count(Kind::Information, texts::kColumnsWaitForFill), 1);
  const QStringList before = L("FileName", "Size", "Path");
  QCOMPARE(Captions(f.form->filesList()), before);
  QCOMPARE(f.form->applyImage(ListId::Files), 1);
  // Saving a list that is being refilled is refused as well.
  f.child<QAction>("Savepathesoffilestofile1")->trigger();
  QCOMPARE(f.dialogs.count(Kind::Information, texts::kRunActive), 1);
  QCOMPARE(f.dialogs.count(Kind::SaveFile), 0);

  QVERIFY(f.driver.settle(std::chrono::seconds(60)));
  QCOMPARE(captionsAtFounded, before);
  QCOMPARE(Captions(f.form->filesList()), L("Path", "FileName", "Size"));
  QCOMPARE(f.form->applyImage(ListId::Files), 0);
  QVERIFY(!f.form->columnsPending(ListId::Files));
  const ResultList& files = f.form->filesList();
  QCOMPARE(files.rowCount(), 8000);
  QCOMPARE(std::string(files.row(0).caption()), f.form->candidates().row(1).FullPath);
  QCOMPARE(std::string(files.row(7999).subItem(1)), std::string("0"));
}

QTEST_MAIN(ColumnsTest)
#include "columns_test.moc"
