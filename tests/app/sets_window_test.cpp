// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window test of "Sets of Identical Files": its tree against the session's
// sets, its ticks against "Files", and the one window "Show copies" opens.
#include <QAbstractItemModelTester>
#include <QImage>
#include <QMenu>
#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

#include <algorithm>
#include <map>

#include "app/sets_window.h"
#include "form_fixture.h"

class SetsWindowTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void theTreeIsTheSessionsSetsAndTicksThroughFiles();
};

namespace {

SetsWindow* Window(FormFixture& f) {
  const auto windows = f.form->findChildren<SetsWindow*>();
  if (windows.size() != 1) qFatal("%d sets windows", static_cast<int>(windows.size()));
  return windows.front();
}

void Trigger(FormFixture& f, const char* action, int selectedRow = -1) {
  f.form->files()->setCurrentIndex(f.form->files()->model()->index(selectedRow, 0));
  f.form->findChild<QAction*>(QString::fromLatin1(action))->trigger();
  QVERIFY(WaitFor([&] { return !f.form->checkRunActive(); }));
  f.settle();
}

// The tree against the session: the same sets, each once, with texts and
// totals of the ticks now. Once filled (`fresh`), also every set's kept
// members first, then its ticked ones, each in row order, and the sets by the
// bytes their ticks free, ties by their first row.
void VerifyTreeIsTheSessionsSets(FormFixture& f, bool fresh = true) {
  f.settle();
  SetsModel& model = *Window(f)->model();
  const CandidateTable& rows = f.form->candidates();
  std::vector<std::vector<int>> expected = f.form->session().identicalSets();
  for (auto& set : expected) std::sort(set.begin(), set.end());
  std::sort(expected.begin(), expected.end());
  std::vector<std::vector<int>> shown;
  std::pair<std::int64_t, int> previous{INT64_MAX, 0};
  int ticked = 0;
  std::int64_t total = 0;
  for (int s = 0; s < model.rowCount(); ++s) {
    const QModelIndex node = model.index(s, 0);
    std::vector<int> members;
    std::int64_t freed = 0;
    bool tickedSeen = false;
    for (int m = 0; m < model.rowCount(node); ++m) {
      const int row = model.rowOf(model.index(m, 0, node));
      const bool on = model.index(m, SetsModel::Tick, node).data(Qt::CheckStateRole) == Qt::Checked;
      QCOMPARE(on, f.form->session().ticked(row));
      if (fresh && !members.empty() && on == tickedSeen)
        QVERIFY(row > members.back());       // row order in each group
      QVERIFY(!fresh || !tickedSeen || on);  // kept ones first
      tickedSeen = tickedSeen || on;
      QCOMPARE(model.index(m, SetsModel::Name, node).data().toString().toStdString(),
               std::string(rows.row(row).FileName()));
      members.push_back(row);
      if (on) freed += rows.row(row).Size, ++ticked;
    }
    const int first = *std::min_element(members.begin(), members.end());
    QVERIFY(!fresh || freed < previous.first ||
            (freed == previous.first && first > previous.second));
    previous = {freed, first};
    total += freed;
    QCOMPARE(node.data().toString(), QString::number(members.size()) + QStringLiteral(" copies, ") +
                                         HumanSize(freed) + QStringLiteral(" can be freed"));
    std::sort(members.begin(), members.end());
    shown.push_back(members);
  }
  std::sort(shown.begin(), shown.end());
  QCOMPARE(shown, expected);
  QCOMPARE(Window(f)->findChild<QLabel*>(QStringLiteral("SetsSummary"))->text(),
           QStringLiteral("%1 sets, %2 files ticked, ").arg(shown.size()).arg(ticked) +
               HumanSize(total) + QStringLiteral(" to free"));
}

}  // namespace

void SetsWindowTest::theTreeIsTheSessionsSetsAndTicksThroughFiles() {
  FormFixture f;
  TempTree& t = f.twins;
  // Sets of 3, 2 and 2 files (one of them images), and a lone file of a shared size.
  const std::string x(3000, 'x'), y(5000, 'y');
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::red);
  image.save(QString::fromStdString(t.path("p1.png")));
  image.save(QString::fromStdString(t.path("p2.png")));
  for (const char* name : {"a/x", "b/x", "c/x"}) t.write(name, x);
  for (const char* name : {"a/y", "b/y"}) t.write(name, y);
  t.write("lone", std::string(3000, 'l'));
  QVERIFY(f.scan(t.root()));
  QVERIFY(f.check(0));  // fast: the sets are compared when the window asks
  auto* menu = f.child<QMenu>("Copies1");
  QCOMPARE(menu->actions().front()->objectName(), QStringLiteral("SetsOfIdenticalFiles1"));
  Trigger(f, "SetsOfIdenticalFiles1");
  SetsWindow* window = Window(f);
  QVERIFY(window->isVisible());
  new QAbstractItemModelTester(window->model(),
                               QAbstractItemModelTester::FailureReportingMode::Fatal, window);
  QCOMPARE(window->model()->rowCount(), 3);
  VerifyTreeIsTheSessionsSets(f);

  // A tick made in the window is a tick of "Files": Checked and "Files to delete" follow.
  const auto rowOfPath = [&](const std::string& path) {
    for (int r = 1; r <= f.form->candidates().count(); ++r)
      if (f.form->candidates().row(r).FullPath == path) return r;
    return 0;
  };
  const int ax = rowOfPath(t.path("a/x"));
  QTreeView* tree = window->tree();
  const QModelIndex axIndex = window->model()->indexOfRow({ax});
  const bool before = f.form->session().ticked(ax);
  tree->setCurrentIndex(axIndex);
  QTest::keyClick(tree, Qt::Key_Space);
  f.settle();
  f.form->session().completeDeleteList();
  QCOMPARE(f.form->filesList().isChecked(ax - 1), !before);
  QCOMPARE(f.form->candidates().row(ax).Checked, before ? 0 : 1);
  bool listed = false;
  for (int i = 0; i < f.form->deleteList().rowCount(); ++i)
    listed = listed || f.form->deleteTable().row(i + 1).FullPath == t.path("a/x");
  QCOMPARE(listed, !before);
  QTest::keyClick(tree, Qt::Key_Space);
  QCOMPARE(f.form->session().ticked(ax), before);
  // A tick in "Files" shows here, texts and totals with it (the order stays).
  const int by = rowOfPath(t.path("b/y"));
  f.setFilesTick(by - 1, !f.form->session().ticked(by));
  VerifyTreeIsTheSessionsSets(f, false);
  // Enter and "Open Folder" open the current file and its folder.
  tree->setCurrentIndex(axIndex);
  QTest::keyClick(tree, Qt::Key_Return);
  f.child<QPushButton>("SetsOpenFolder")->click();
  QCOMPARE(f.opened.size(), 2u);
  QCOMPARE(f.opened[0].toLocalFile().toStdString(), t.path("a/x"));
  QCOMPARE(f.opened[1].toLocalFile().toStdString(), t.path("a"));
  // An image member gets a preview, loaded off the window thread; others none.
  // A picture the selection has moved past while it loaded is dropped.
  const QModelIndex p1 = window->model()->indexOfRow({rowOfPath(t.path("p1.png"))});
  QThreadPool& pool = *QThreadPool::globalInstance();
  const int threads = pool.maxThreadCount();
  QSemaphore held;
  pool.setMaxThreadCount(1);
  pool.start([&held] { held.acquire(); });  // the load waits behind this
  tree->setCurrentIndex(p1);
  tree->setCurrentIndex(p1.parent());
  held.release();
  pool.waitForDone();
  pool.setMaxThreadCount(threads);
  QTest::qWait(20);
  QVERIFY(!window->previewShowsImage());
  tree->setCurrentIndex(p1);
  QVERIFY(WaitFor([&] { return window->previewShowsImage(); }));
  tree->setCurrentIndex(axIndex);
  QVERIFY(!window->previewShowsImage());

  // "Show copies" with a row of "Files" selected: the same window, at that row.
  window->close();
  const int cx = rowOfPath(t.path("c/x"));
  Trigger(f, "ShowCopies1", cx - 1);
  QCOMPARE(Window(f), window);
  QVERIFY(window->isVisible());
  QCOMPARE(window->model()->rowOf(tree->currentIndex()), cx);
  VerifyTreeIsTheSessionsSets(f);
  const auto messages = f.dialogs.count(ScriptedDialogs::Kind::Information);
  Trigger(f, "ShowCopies1", rowOfPath(t.path("lone")) - 1);  // in no set: a message
  QCOMPARE(f.dialogs.count(ScriptedDialogs::Kind::Information), messages + 1);
  QCOMPARE(Window(f), window);

  // Delete Checked renumbers the rows: the window is filled afresh with the
  // sets left (x keeps two members, y both, the pictures one); a scan closes it.
  for (const char* name : {"a/x", "b/x", "c/x", "a/y", "b/y", "p1.png", "p2.png"}) {
    const int row = rowOfPath(t.path(name));
    f.setFilesTick(row - 1, name == std::string("b/x") || name == std::string("p2.png"));
  }
  f.settle();
  f.dialogs.answerYes(true);
  QVERIFY(f.deleteChecked());
  QVERIFY(window->isVisible());
  QCOMPARE(window->model()->rowCount(), 2);
  VerifyTreeIsTheSessionsSets(f);
  QVERIFY(f.scan(t.root()));
  QVERIFY(!window->isVisible());
  QCOMPARE(window->model()->rowCount(), 0);
}

QTEST_MAIN(SetsWindowTest)
#include "sets_window_test.moc"
