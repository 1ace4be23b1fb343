// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window tests of the "Copies" menu (the sets, the keep rules, the scan
// options, hard links and shared blocks instead of deleting), the Trash
// preference and the detail line of the Delete Checked question.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QtTest>

#include <sys/stat.h>
#include <sys/vfs.h>

#include <map>
#include <set>

#include "app/sets_window.h"
#include "form_fixture.h"
#include "session/texts.h"
#include "support/loop_file_system.h"

using Kind = ScriptedDialogs::Kind;

class CopiesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void showCopiesListsTheSetAndTicksThroughFiles();
  void keepRulesApplyTicksAsTheSessionsRule();
  void scanOptionsLeaveOutWhatTheyName();
  void theTrashPreferenceMovesTheFilesAndIsKept();
  void replacingTheTickedKeepsEveryPathAndItsBytes();
};

namespace {

// Copies x in a/, b/, c/ and a pair y in a/, b/, with the times of a/, b/, c/;
// scanned and checked in `mode`: the commands on the sets are enabled by the
// check only, the rules and options at any time.
struct Copies {
  Copies(FormFixture& f, int mode, const std::string& base = {}) : tree(base) {
    const std::string x = "the same bytes", y = "another pair";
    xs = {tree.write("a/x", x, 200), tree.write("b/x", x, 100), tree.write("c/x", x, 300)};
    ys = {tree.write("a/y", y, 200), tree.write("b/y", y, 100)};
    QVERIFY(f.scan(tree.root()));
    QVERIFY(!f.child<QAction>("ShowCopies1")->isEnabled());
    QVERIFY(f.child<QAction>("KeepRules1")->isEnabled());
    QVERIFY(f.child<QAction>("ScanOptions1")->isEnabled());
    QVERIFY(f.check(mode));
    QVERIFY(f.child<QAction>("ShowCopies1")->isEnabled());
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

// Each file's inode and bytes.
std::map<std::string, std::pair<ino_t, std::string>> OnDisk(const Copies& c) {
  std::map<std::string, std::pair<ino_t, std::string>> files;
  for (const auto* paths : {&c.xs, &c.ys}) {
    for (const std::string& path : *paths) {
      struct stat st {};
      files[path] = {::stat(path.c_str(), &st) == 0 ? st.st_ino : 0, ReadFileBytes(path)};
    }
  }
  return files;
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

// The dialog's Apply ticks what the session's rule of its choice ticks; OK
// keeps the choice and hands the protected folders to the session.
void CopiesTest::keepRulesApplyTicksAsTheSessionsRule() {
  FormFixture f;
  Copies c(f, 0);  // fast: the sets are compared first, on the check's worker
  f.form->files()->setCurrentIndex(f.form->files()->model()->index(RowOf(f, c.xs[1]), 0));
  f.child<QAction>("KeepRules1")->trigger();
  auto* dialog = f.child<QDialog>("KeepRulesDialog");
  auto* criteria = f.child<QListWidget>("KeepCriteriaList");
  std::string summary;  // the line Apply showed last
  const auto apply = [&](const std::set<std::string>& expected) {
    const std::set<std::string> before = Ticked(f);
    f.click("KeepRulesApply");
    QVERIFY(WaitFor([&] { return !f.form->checkRunActive(); }));
    const std::set<std::string> ticked = Ticked(f);
    QCOMPARE(ticked, expected);
    QCOMPARE(f.dialogs.shown().back().kind, Kind::Information);
    summary = f.dialogs.shown().back().text;
    // The same rule through the session from the same ticks ticks the same.
    for (int r = 1; r <= f.form->candidates().count(); ++r)
      f.form->session().setTicked({r}, before.count(f.form->candidates().row(r).FullPath) != 0);
    f.form->session().keepCopies(f.form->keepRules().rule());
    QVERIFY(WaitFor([&] { return !f.form->checkRunActive(); }));
    QCOMPARE(Ticked(f), ticked);
  };
  f.dialogs.answerFolder(c.tree.path("b") + "/");
  f.click("PreferredFolderAdd");
  QCOMPARE(f.dialogs.shown().back().text, c.tree.path("b"));  // the picker opened there
  apply({c.xs[0], c.xs[2], c.ys[0]});
  // A folder with a member of one set only leaves the other set as it is.
  f.child<QListWidget>("PreferredFoldersList")->setCurrentRow(0);
  f.click("PreferredFolderRemove");
  f.dialogs.answerFolder(c.tree.path("c"));
  f.click("PreferredFolderAdd");
  apply({c.xs[0], c.xs[1], c.ys[0]});
  QCOMPARE(summary, std::string("Ticks changed in 1 set: 1 ticked, 1 unticked; 40 bytes to free"));
  f.child<QListWidget>("PreferredFoldersList")->setCurrentRow(0);
  f.click("PreferredFolderRemove");
  criteria->item(0)->setCheckState(Qt::Checked);  // oldest
  apply({c.xs[0], c.xs[2], c.ys[0]});
  criteria->setCurrentRow(1);  // newest, above oldest
  f.click("KeepCriterionUp");
  criteria->item(0)->setCheckState(Qt::Checked);
  apply({c.xs[0], c.xs[1], c.ys[1]});

  f.dialogs.answerFolder(c.tree.path("a"));
  f.click("ProtectedFolderAdd");
  f.child<QCheckBox>("KeepAfterCheck")->setChecked(true);
  const KeepRulesChoice shown = static_cast<KeepRulesDialog*>(dialog)->choice();
  f.click("KeepRulesOk");
  QVERIFY(f.form->keepRules().criteria == shown.criteria);
  QVERIFY(f.form->keepRules().criteria.front() == std::pair(KeepCriterion::Newest, true));
  QCOMPARE(f.form->session().protectedFolders(), std::vector<std::string>{c.tree.path("a")});
  QVERIFY(f.form->keepRules().afterEveryCheck);
  QVERIFY(f.form->session().keepAfterCheck()->criteria == f.form->keepRules().rule().criteria);
  // The next check ends with the rule's ticks, nothing ticked in the protected folder.
  QVERIFY(f.check(1));
  QCOMPARE(Ticked(f), (std::set<std::string>{c.xs[1], c.ys[1]}));
}

// Hidden entries, version-control and Trash folders and small files stay out
// of "Files" when the options say so, and come back when they are on again.
void CopiesTest::scanOptionsLeaveOutWhatTheyName() {
  FormFixture f;
  TempTree tree;
  std::set<std::string> all;
  for (const char* path : {"a/x", "b/x", ".hidden/x", "c/.x", "r/.git/x", "r/.svn/x",
                           "m/.Trash-1000/files/x", "data/Trash/files/x", "small1", "small2"})
    all.insert(tree.write(path, path[0] == 's' ? "s" : "the same bytes"));
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(tree.path("data")));
  const auto scanned = [&] {
    std::set<std::string> paths;
    if (!f.scan(tree.root())) qFatal("scan");
    for (int i = 1; i <= f.form->candidates().count(); ++i)
      paths.insert(f.form->candidates().row(i).FullPath);
    return paths;
  };
  QCOMPARE(scanned(), all);
  const auto set = [&](const char* minSize, bool on) {
    f.child<QAction>("ScanOptions1")->trigger();
    f.child<QLineEdit>("ScanOptionsMinSize")->setText(QString::fromLatin1(minSize));
    for (const char* box : {"ScanOptionsHidden", "ScanOptionsTrash", "ScanOptionsVcs"})
      f.child<QCheckBox>(box)->setChecked(on);
    f.click("ScanOptionsOk");
    // Closed and gone: the next opens anew.
    QVERIFY(
        WaitFor([&] { return !f.form->findChild<QDialog*>(QStringLiteral("ScanOptionsDialog")); }));
  };
  set("2", false);
  QCOMPARE(scanned(), (std::set<std::string>{tree.path("a/x"), tree.path("b/x")}));
  QCOMPARE(f.form->scanOptions().minSize, 2);
  set("0", true);
  QCOMPARE(scanned(), all);
  qunsetenv("XDG_DATA_HOME");
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

// A hard link gives each ticked file the inode of a copy that stays; shared
// blocks keep every inode, and where the file system cannot share them
// nothing changes and the report says so. Every path keeps its bytes.
void CopiesTest::replacingTheTickedKeepsEveryPathAndItsBytes() {
  const auto replace = [](FormFixture& f, const char* action, bool yes) {
    f.dialogs.clearShown();
    f.dialogs.answerYes(yes);
    f.child<QAction>(action)->trigger();
    QVERIFY(f.driver.settle(std::chrono::seconds(20)));
    f.settle();
    QCOMPARE(f.dialogs.shown().front().kind, Kind::ConfirmYesNo);
  };
  {
    FormFixture f;
    Copies c(f, 1);
    // The menu reads as it shows, to a screen reader too.
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(f.child<QMenu>("Copies1"));
    QStringList names;
    for (int i = 0; i < menu->childCount(); ++i) names << menu->child(i)->text(QAccessible::Name);
    QVERIFY(names.contains(f.child<QAction>("ReplaceByHardLinks1")->text()));
    QVERIFY(names.contains(f.child<QAction>("ShareBlocks1")->text()));
    const auto before = OnDisk(c);
    const std::set<std::string> ticked = Ticked(f);
    replace(f, "ReplaceByHardLinks1", false);
    QCOMPARE(OnDisk(c), before);
    QCOMPARE(Ticked(f), ticked);
    replace(f, "ReplaceByHardLinks1", true);
    const auto after = OnDisk(c);
    for (const auto& [path, file] : after) {
      QCOMPARE(file.second, before.at(path).second);
      if (ticked.count(path) == 0) {
        QCOMPARE(file.first, before.at(path).first);
        continue;
      }
      const bool linked = std::any_of(after.begin(), after.end(), [&](const auto& other) {
        return ticked.count(other.first) == 0 && other.second.first == file.first;
      });
      QVERIFY2(linked, path.c_str());
    }
    QCOMPARE(f.dialogs.shown().back().kind, Kind::Information);
    QVERIFY(Ticked(f).empty());
    QCOMPARE(f.form->filesList().rowCount(), 5);
  }
  const auto share = [&](const std::string& base, bool can) {
    FormFixture f;
    Copies c(f, 1, base);
    const auto before = OnDisk(c);
    const std::set<std::string> ticked = Ticked(f);
    replace(f, "ShareBlocks1", true);
    QCOMPARE(OnDisk(c), before);
    QCOMPARE(Ticked(f), can ? std::set<std::string>{} : ticked);
    QCOMPARE(f.dialogs.shown().back().kind, Kind::Information);
    QCOMPARE(f.dialogs.shown().back().text.find("cannot share blocks") != std::string::npos, !can);
  };
  const TempTree probe;
  struct statfs fs {};
  constexpr long kXfs = 0x58465342, kBtrfs = 0x9123683e;
  if (::statfs(probe.root().c_str(), &fs) == 0 && fs.f_type != kXfs && fs.f_type != kBtrfs)
    share({}, false);
  LoopFileSystem disk("xfs");
  if (!disk.mounted()) QSKIP(disk.whyNot().c_str());
  share(disk.tree().root(), true);
}

QTEST_MAIN(CopiesTest)
#include "copies_test.moc"
