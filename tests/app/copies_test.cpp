// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window tests of the "Copies" menu, the Trash preference and the detail line
// of the Delete Checked question.
#include <QAction>
#include <QCheckBox>
#include <QMenuBar>
#include <QtTest>

#include <set>

#include "app/sets_window.h"
#include "form_fixture.h"
#include "session/texts.h"

using Kind = ScriptedDialogs::Kind;

class CopiesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void showCopiesListsTheSetAndTicksThroughFiles();
  void keepTheCopiesInAFolder();
  void keepTheOldestAndTheNewest();
  void theTrashPreferenceMovesTheFilesAndIsKept();
};

namespace {

// Copies x in a/, b/, c/ and a pair y in a/, b/, with the times of a/, b/, c/;
// scanned and checked in `mode`: the menu is enabled by the check only.
struct Copies {
  Copies(FormFixture& f, int mode) {
    const std::string x = "the same bytes", y = "another pair";
    xs = {tree.write("a/x", x, 200), tree.write("b/x", x, 100), tree.write("c/x", x, 300)};
    ys = {tree.write("a/y", y, 200), tree.write("b/y", y, 100)};
    QVERIFY(f.scan(tree.root()));
    QVERIFY(!f.child<QMenu>("Copies1")->menuAction()->isEnabled());
    QVERIFY(f.check(mode));
    QVERIFY(f.child<QMenu>("Copies1")->menuAction()->isEnabled());
  }
  TempTree tree;
  std::vector<std::string> xs, ys;
};

int RowOf(const FormFixture& f, const std::string& path) {
  for (int i = 1; i <= f.form->candidates().count(); ++i) {
    if (f.form->candidates().row(i).FullPath == path) return i - 1;
  }
  return -1;
}

// The paths ticked in "Files", each also Checked and in "Files to delete".
std::set<std::string> Ticked(FormFixture& f) {
  f.settle();
  f.form->session().completeDeleteList();
  std::set<std::string> ticked;
  for (int r = 0; r < f.form->filesList().rowCount(); ++r) {
    const bool on = f.form->filesList().isChecked(r);
    if (on) ticked.insert(f.form->candidates().row(r + 1).FullPath);
    if (f.form->candidates().row(r + 1).Checked != (on ? 1 : 0)) qFatal("Checked differs");
  }
  if (f.form->deleteList().rowCount() != static_cast<int>(ticked.size())) qFatal("delete list");
  return ticked;
}

void Trigger(FormFixture& f, const char* action, const std::string& selected = {}) {
  f.form->files()->setCurrentIndex(f.form->files()->model()->index(RowOf(f, selected), 0));
  f.form->findChild<QAction*>(QString::fromLatin1(action))->trigger();
  QVERIFY(f.driver.settle(std::chrono::seconds(20)));
  f.settle();
}

}  // namespace

void CopiesTest::showCopiesListsTheSetAndTicksThroughFiles() {
  FormFixture f;
  QStringList menus;
  for (QAction* a : f.form->menuBar()->actions()) menus << a->text();
  QCOMPARE(menus.join(QLatin1Char(',')), QStringLiteral("File,Copies,Help"));
  Copies c(f, 1);
  Trigger(f, "ShowCopies1", c.xs[2]);
  auto* window = f.form->findChild<SetsWindow*>(QStringLiteral("SetsWindow"));
  QVERIFY(window && window->isVisible());
  // The window opens at the selected file, inside its set.
  const SetsModel& model = *window->model();
  const QModelIndex current = window->tree()->currentIndex();
  QCOMPARE(model.rowOf(current), RowOf(f, c.xs[2]) + 1);
  std::set<std::string> shown;
  std::vector<QModelIndex> ticks;
  for (int i = 0; i < model.rowCount(current.parent()); ++i) {
    const int row = model.rowOf(model.index(i, 0, current.parent()));
    shown.insert(f.form->candidates().row(row).FullPath);
    ticks.push_back(model.index(i, SetsModel::Tick, current.parent()));
    QCOMPARE(ticks.back().data(Qt::CheckStateRole) == Qt::Checked,
             f.form->filesList().isChecked(row - 1));
  }
  QCOMPARE(shown, std::set<std::string>(c.xs.begin(), c.xs.end()));
  // Ticks there are ticks in "Files".
  for (int i = 0; i < 3; ++i)
    window->model()->setData(ticks[static_cast<std::size_t>(i)],
                             i == 0 ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
  const std::string first = f.form->candidates().row(model.rowOf(ticks[0])).FullPath;
  std::set<std::string> expected(c.xs.begin(), c.xs.end());
  expected.erase(first);
  expected.insert(Ticked(f).count(c.ys[0]) ? c.ys[0] : c.ys[1]);
  QCOMPARE(Ticked(f), expected);
  window->close();
  Trigger(f, "ShowCopies1");  // no row selected
  QCOMPARE(f.dialogs.count(Kind::Information), 1);
}

void CopiesTest::keepTheCopiesInAFolder() {
  FormFixture f;
  Copies c(f, 0);  // fast: the sets are compared first, on the check's worker
  f.dialogs.answerFolder(c.tree.path("b") + "/");
  Trigger(f, "KeepFolder1", c.xs[1]);
  const auto& shown = f.dialogs.shown();
  QCOMPARE(shown[shown.size() - 2].kind, Kind::PickFolder);
  QCOMPARE(shown[shown.size() - 2].text, c.tree.path("b"));  // the picker opened there
  QCOMPARE(Ticked(f), (std::set<std::string>{c.xs[0], c.xs[2], c.ys[0]}));
  // A folder with a member of one set only leaves the other set as it is;
  // one line says what changed.
  f.dialogs.answerFolder(c.tree.path("c"));
  Trigger(f, "KeepFolder1");
  QCOMPARE(Ticked(f), (std::set<std::string>{c.xs[0], c.xs[1], c.ys[0]}));
  QCOMPARE(f.dialogs.shown().back().text,
           std::string("Ticks changed in 1 set: 1 ticked, 1 unticked; 40 bytes to free"));
}

void CopiesTest::keepTheOldestAndTheNewest() {
  FormFixture f;
  Copies c(f, 1);
  Trigger(f, "KeepOldest1");
  QCOMPARE(Ticked(f), (std::set<std::string>{c.xs[0], c.xs[2], c.ys[0]}));
  QCOMPARE(f.dialogs.shown().back().text,
           std::string("Ticks changed in 2 sets: 2 ticked, 2 unticked; 40 bytes to free"));
  Trigger(f, "KeepNewest1");
  QCOMPARE(Ticked(f), (std::set<std::string>{c.xs[0], c.xs[1], c.ys[1]}));
}

void CopiesTest::theTrashPreferenceMovesTheFilesAndIsKept() {
  FormFixture f;
  const std::string data = f.start.mkdir("xdg-data");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data));
  auto* trash = f.child<QCheckBox>("CheckBoxTrash");
  QVERIFY(!trash->isChecked());
  Copies c(f, 1);
  QVERIFY(f.deleteChecked());  // answered No
  QCOMPARE(f.dialogs.shown().back().text, std::string(texts::kConfirmDelete));
  QCOMPARE(f.dialogs.shown().back().informative, texts::DeleteDetail(3, 40, false));
  f.dialogs.clearShown();
  trash->setChecked(true);
  f.dialogs.answerYes(true);
  const std::set<std::string> ticked = Ticked(f);
  QVERIFY(f.deleteChecked());
  QCOMPARE(f.dialogs.shown().front().informative, texts::DeleteDetail(3, 40, true));
  for (const auto& path : {c.xs[0], c.xs[1], c.xs[2], c.ys[0], c.ys[1]})
    QCOMPARE(PathExists(path), ticked.count(path) == 0);
  QCOMPARE(QDir(QString::fromStdString(data + "/Trash/files")).count(), 3u + 2u);  // with . and ..
  QVERIFY(f.form->close());
  QVERIFY(ReadFileBytes(f.start.path("perferences.set")).ends_with("\r\n0\r\n1\r\n1\r\n"));
  f.form.reset();
  QVERIFY(f.openAnother()->findChild<QCheckBox*>(QStringLiteral("CheckBoxTrash"))->isChecked());
  qunsetenv("XDG_DATA_HOME");
}

QTEST_MAIN(CopiesTest)
#include "copies_test.moc"
