// Window tests of the "Copies" menu, the Trash preference and the detail line
// of the Delete Checked question.
#include <QAction>
#include <QCheckBox>
#include <QMenuBar>
#include <QTreeWidget>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <set>

#include "app/trash.h"
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
  void aTrashThatCannotBeMadeIsAFailedDelete();
};

namespace {

// Three copies in a/, b/ and c/ with the given modification times, one pair
// in a/ and b/; scanned, `mode` checked. Rows by path.
struct Copies {
  explicit Copies(FormFixture& f, int mode, long timeA = 200, long timeB = 100, long timeC = 300) {
    x[0] = write("a/x", "the same bytes", timeA);
    x[1] = write("b/x", "the same bytes", timeB);
    x[2] = write("c/x", "the same bytes", timeC);
    y[0] = write("a/y", "another pair", timeA);
    y[1] = write("b/y", "another pair", timeB);
    QVERIFY(f.scan(tree.root()));
    QVERIFY(!f.child<QMenu>("Copies1")->menuAction()->isEnabled());
    QVERIFY(f.check(mode));
    QVERIFY(f.child<QMenu>("Copies1")->menuAction()->isEnabled());
  }
  std::string write(const std::string& name, const std::string& bytes, long when) {
    const std::string path = tree.write(name, bytes);
    const timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    return path;
  }
  TempTree tree;
  std::string x[3];
  std::string y[2];
};

int RowOf(const FormFixture& f, const std::string& path) {
  const CandidateTable& t = f.form->candidates();
  for (int i = 1; i <= t.count(); ++i) {
    if (t.row(i).FullPath == path) return i - 1;
  }
  return -1;
}

// The paths ticked in "Files", each also Checked and in "Files to delete".
std::set<std::string> Ticked(FormFixture& f) {
  f.settle();
  f.form->session().completeDeleteList();
  std::set<std::string> ticked;
  for (int r = 0; r < f.form->filesList().rowCount(); ++r) {
    const CandidateRow& c = f.form->candidates().row(r + 1);
    if (f.form->filesList().isChecked(r)) ticked.insert(c.FullPath);
    if (c.Checked != (f.form->filesList().isChecked(r) ? 1 : 0)) qFatal("Checked differs");
  }
  if (f.form->deleteList().rowCount() != static_cast<int>(ticked.size())) qFatal("delete list");
  return ticked;
}

void Trigger(FormFixture& f, const char* action) {
  f.form->findChild<QAction*>(QString::fromLatin1(action))->trigger();
  QVERIFY(QTest::qWaitFor([&] { return !f.form->checkRunActive(); }, 20000));
  f.settle();
}

}  // namespace

void CopiesTest::showCopiesListsTheSetAndTicksThroughFiles() {
  FormFixture f;
  QStringList menus;
  for (QAction* a : f.form->menuBar()->actions()) menus << a->text();
  QCOMPARE(menus,
           (QStringList{QStringLiteral("File"), QStringLiteral("Copies"), QStringLiteral("Help")}));
  Copies c(f, 1);
  f.form->files()->setCurrentIndex(f.form->files()->model()->index(RowOf(f, c.x[2]), 0));
  Trigger(f, "ShowCopies1");
  auto* list = f.form->findChild<QTreeWidget*>(QStringLiteral("CopiesList"));
  QVERIFY(list);
  QCOMPARE(list->topLevelItemCount(), 3);
  std::set<std::string> shown;
  for (int i = 0; i < 3; ++i) {
    const std::string path = QFile::encodeName(list->topLevelItem(i)->text(0)).toStdString();
    shown.insert(path);
    QCOMPARE(list->topLevelItem(i)->checkState(0) == Qt::Checked,
             f.form->filesList().isChecked(RowOf(f, path)));
  }
  QCOMPARE(shown, (std::set<std::string>{c.x[0], c.x[1], c.x[2]}));
  // Ticking every row there ticks them in "Files"; unticking one unticks it.
  for (int i = 0; i < 3; ++i) list->topLevelItem(i)->setCheckState(0, Qt::Checked);
  QVERIFY(Ticked(f).count(c.x[0]) && Ticked(f).count(c.x[1]) && Ticked(f).count(c.x[2]));
  list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  const std::string first = QFile::encodeName(list->topLevelItem(0)->text(0)).toStdString();
  QCOMPARE(Ticked(f).count(first), std::size_t{0});
  list->window()->close();
  // A row with no copy says so.
  f.form->files()->setCurrentIndex(QModelIndex());
  Trigger(f, "ShowCopies1");
  QCOMPARE(f.dialogs.count(Kind::Information), 1);
}

void CopiesTest::keepTheCopiesInAFolder() {
  FormFixture f;
  Copies c(f, 0);  // fast: the sets are computed first, on the check's worker
  f.form->files()->setCurrentIndex(f.form->files()->model()->index(RowOf(f, c.x[1]), 0));
  f.dialogs.answerFolder(c.tree.path("b") + "/");
  Trigger(f, "KeepFolder1");
  QCOMPARE(f.dialogs.shown().back().kind, Kind::PickFolder);
  QCOMPARE(f.dialogs.shown().back().text, c.tree.path("b"));
  QCOMPARE(Ticked(f), (std::set<std::string>{c.x[0], c.x[2], c.y[0]}));
  // A folder that holds a member of one set only leaves the other as it is.
  f.dialogs.answerFolder(c.tree.path("c"));
  Trigger(f, "KeepFolder1");
  QCOMPARE(Ticked(f), (std::set<std::string>{c.x[0], c.x[1], c.y[0]}));
}

void CopiesTest::keepTheOldestAndTheNewest() {
  FormFixture f;
  Copies c(f, 1, 200, 100, 300);
  Trigger(f, "KeepOldest1");
  QCOMPARE(Ticked(f), (std::set<std::string>{c.x[0], c.x[2], c.y[0]}));
  Trigger(f, "KeepNewest1");
  QCOMPARE(Ticked(f), (std::set<std::string>{c.x[0], c.x[1], c.y[1]}));
  // Any of them on a row ticked by hand: never every member of a set ticked.
  f.setFilesTick(RowOf(f, c.x[2]), true);
  Trigger(f, "KeepNewest1");
  QCOMPARE(Ticked(f).size(), std::size_t{3});
}

void CopiesTest::theTrashPreferenceMovesTheFilesAndIsKept() {
  FormFixture f;
  const std::string data = f.start.mkdir("xdg-data");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data));
  auto* trash = f.child<QCheckBox>("CheckBoxTrash");
  QVERIFY(!trash->isChecked());
  Copies c(f, 1);
  // Off: the question says how much goes, for good.
  QVERIFY(f.deleteChecked());
  QCOMPARE(f.dialogs.shown().back().text, std::string(texts::kConfirmDelete));
  QCOMPARE(f.dialogs.shown().back().informative, texts::DeleteDetail(3, 40, false));
  f.dialogs.clearShown();
  trash->setChecked(true);
  f.dialogs.answerYes(true);
  const std::set<std::string> ticked = Ticked(f);
  QVERIFY(f.deleteChecked());
  QCOMPARE(f.dialogs.shown().front().informative, texts::DeleteDetail(3, 40, true));
  for (const std::string& path : {c.x[0], c.x[1], c.x[2], c.y[0], c.y[1]})
    QCOMPARE(PathExists(path), ticked.count(path) == 0);
  // Two of the same name: the Trash names the second one apart.
  QCOMPARE(QDir(QString::fromStdString(data + "/Trash/files")).count(), 3u + 2u);
  QCOMPARE(ReadFileBytes(data + "/Trash/files/y"), std::string("another pair"));
  QVERIFY(f.form->close());
  QVERIFY(ReadFileBytes(f.start.path("perferences.set")).ends_with("\r\n0\r\n1\r\n1\r\n"));
  f.form.reset();
  QVERIFY(f.openAnother()->findChild<QCheckBox*>(QStringLiteral("CheckBoxTrash"))->isChecked());
  qunsetenv("XDG_DATA_HOME");
}

// Qt moves a file into "files" of the current directory, and says it did,
// when it cannot make a Trash folder: the file must stay where it was.
void CopiesTest::aTrashThatCannotBeMadeIsAFailedDelete() {
  TempTree tree;
  const std::string file = tree.write("keep/me", "bytes");
  const std::string before = QDir::currentPath().toStdString();
  QVERIFY(QDir::setCurrent(QString::fromStdString(tree.mkdir("cwd"))));
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(tree.path("no/such/folder")));
  const auto id = RegularFileIdentity(file);
  const DeleteOutcome outcome = MoveToTrashIfUnchanged(file, *id);
  qunsetenv("XDG_DATA_HOME");
  QDir::setCurrent(QString::fromStdString(before));
  QCOMPARE(outcome, DeleteOutcome::Failed);
  QCOMPARE(ReadFileBytes(file), std::string("bytes"));
  QVERIFY(!PathExists(tree.path("cwd/files/me")) &&
          !PathExists(tree.path("cwd/info/me.trashinfo")));
  // A file changed since it was read is not moved.
  FileIdentity other = *id;
  other.MtimeNs += 1;
  QCOMPARE(MoveToTrashIfUnchanged(file, other), DeleteOutcome::Changed);
  QCOMPARE(MoveToTrashIfUnchanged(tree.path("gone"), other), DeleteOutcome::Missing);
}

QTEST_MAIN(CopiesTest)
#include "copies_test.moc"
