// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window tests of the duplicate check run and the file actions.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "app/qt_dialogs.h"
#include "core/path_at.h"
#include "form_fixture.h"
#include "session/texts.h"

using Kind = ScriptedDialogs::Kind;

class CheckAndDeleteTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void fromAFolderToDeletedCopies();
  void twinScanBeforeAnyScanOnlyShowsTheMessage();
  void fastAndCarefulTickTheirRows();
  void ticksMadeBeforeARunAreLost();
  void pauseResumeAndCancel();
  void cancelKeepsEveryDecidedBandAndEndsTheRun();
  void actionsAreRefusedDuringARun();
  void deleteCheckedWithNothingOrNo();
  void filesWithoutAVerifiedCopyAreAskedForAndKept();
  void enterAnswersNoToEveryQuestion();
  void doubleClickAndPopup();
  void awkwardNamesAreShownAndDeletedByTheirBytes();
};

namespace {
std::string Big(char c, std::size_t n) {
  return std::string(n, c);
}

int RowOf(const FormFixture& f, const std::string& path) {
  const CandidateTable& t = f.form->candidates();
  for (int i = 1; i <= t.count(); ++i) {
    if (t.row(i).FullPath == path) return i - 1;
  }
  return -1;
}
}  // namespace

void CheckAndDeleteTest::fromAFolderToDeletedCopies() {
  FormFixture f;
  TempTree tree;
  const auto a1 = tree.write("a1", Big('a', 3000));
  const auto a2 = tree.write("sub/a2", Big('a', 3000));
  const auto a3 = tree.write("sub/deep/a3", Big('a', 3000));
  const auto b1 = tree.write("b1", Big('b', 50));
  const auto b2 = tree.write("sub/b2", Big('b', 50));
  const auto c1 = tree.write("c1", Big('c', 7));
  std::string near = Big('a', 3000);
  near.back() = 'z';
  const auto d1 = tree.write("d1", near);  // same size as the a-files, one byte differs
  QVERIFY(f.scan(tree.root()));
  QCOMPARE(f.form->candidates().count(), 6);
  QVERIFY(f.check(1));
  // Of each set the first row in "Files" stays, every later copy is ticked.
  QCOMPARE(f.form->filesList().checkedCount(), 3);
  QCOMPARE(f.form->deleteList().rowCount(), 3);
  f.dialogs.answerYes(true);
  QVERIFY(f.deleteChecked());
  QCOMPARE(f.dialogs.count(Kind::ConfirmYesNo, texts::kConfirmDelete), 1);
  int aLeft = 0, bLeft = 0;
  for (const auto& p : {a1, a2, a3}) aLeft += PathExists(p) ? 1 : 0;
  for (const auto& p : {b1, b2}) bLeft += PathExists(p) ? 1 : 0;
  QCOMPARE(aLeft, 1);
  QCOMPARE(bLeft, 1);
  QVERIFY(PathExists(c1));
  QVERIFY(PathExists(d1));
  QCOMPARE(f.form->candidates().count(), 3);
  QCOMPARE(f.form->filesList().rowCount(), 3);
  QCOMPARE(f.form->deleteList().rowCount(), 0);
  QCOMPARE(f.form->statusText(), QStringLiteral("Information updated"));
  QCOMPARE(f.child<QProgressBar>("ProgressBar")->value(), 0);
}

void CheckAndDeleteTest::twinScanBeforeAnyScanOnlyShowsTheMessage() {
  FormFixture f;
  f.click("SpeedButton10");
  QCOMPARE(f.dialogs.count(Kind::ConfirmOk, texts::kScanFirst), 1);
  QVERIFY(f.button("SpeedButton10")->isEnabled());
  QVERIFY(!f.button("SpeedButton17")->isEnabled());
  QVERIFY(!f.button("SpeedButton18")->isEnabled());
}

void CheckAndDeleteTest::fastAndCarefulTickTheirRows() {
  FormFixture f;
  TempTree tree;
  for (int i = 0; i < 3; ++i) tree.write("s" + std::to_string(i), "identical");
  QVERIFY(f.scan(tree.root()));
  QVERIFY(f.check(0));
  const ResultList& files = f.form->filesList();
  QVERIFY(files.isChecked(0) && files.isChecked(1) && !files.isChecked(2));
  // The end step counts every tick of the run, rebuilt into "Files to delete" or not.
  QVERIFY(f.sawStatus(QStringLiteral("Num of files to delete: 2")));
  // A single band: the bar reads 100 while it is compared, before its ticks.
  std::vector<std::pair<int, int>> bar;  // (value, ticks in "Files")
  const auto watch =
      QObject::connect(f.child<QProgressBar>("ProgressBar"), &QProgressBar::valueChanged,
                       [&](int value) { bar.emplace_back(value, files.checkedCount()); });
  QVERIFY(f.check(1));
  QObject::disconnect(watch);
  QCOMPARE(bar, (std::vector<std::pair<int, int>>{{100, 0}, {0, 2}}));
  QVERIFY(!files.isChecked(0) && files.isChecked(1) && files.isChecked(2));
  QCOMPARE(int(f.form->candidates().row(3).Matched), 1);
  QCOMPARE(f.form->deleteList().rowCount(), 2);
  QVERIFY(f.button("SpeedButton10")->isEnabled());
  QVERIFY(!f.button("SpeedButton17")->isEnabled());
  QVERIFY(f.child<QWidget>("TabSheet3")->isEnabled());
  QVERIFY(f.child<QWidget>("GroupBox2")->isEnabled());
}

void CheckAndDeleteTest::ticksMadeBeforeARunAreLost() {
  FormFixture f;
  TempTree tree;
  tree.write("p", "one");
  tree.write("q", "two");  // same size, different content
  QVERIFY(f.scan(tree.root()));
  f.setFilesTick(0, true);
  f.settle();
  QVERIFY(f.check(1));
  QCOMPARE(f.form->filesList().checkedCount(), 0);
  QCOMPARE(f.form->deleteList().rowCount(), 0);
}

void CheckAndDeleteTest::pauseResumeAndCancel() {
  FormFixture f;
  TempTree tree;
  // Many large identical files keep the check busy long after the pause,
  // which takes effect at the run's first checkpoint.
  const std::string content = Big('q', 8 << 20);
  for (int i = 0; i < 16; ++i) tree.write("big" + std::to_string(i), content);
  QVERIFY(f.scan(tree.root()));
  f.child<TRadioGroup>("RadioGroup1")->item(1)->setChecked(true);
  f.click("SpeedButton10");
  f.click("SpeedButton17");  // pause at once
  QCOMPARE(f.button("SpeedButton17")->text(), QStringLiteral("Resume"));
  QTest::qWait(150);
  const int ticksWhilePaused = f.form->filesList().checkedCount();
  QTest::qWait(150);
  QCOMPARE(f.form->filesList().checkedCount(), ticksWhilePaused);
  QVERIFY(f.form->checkRunActive());
  f.click("SpeedButton17");
  QCOMPARE(f.button("SpeedButton17")->text(), QStringLiteral("Pause"));
  f.click("SpeedButton17");
  f.click("SpeedButton18");  // cancel while paused
  QVERIFY(f.button("SpeedButton10")->isEnabled());
  QVERIFY(!f.button("SpeedButton17")->isEnabled());
  QVERIFY(!f.button("SpeedButton18")->isEnabled());
  QCOMPARE(f.button("SpeedButton17")->text(), QStringLiteral("Resume"));
  QVERIFY(f.form->waitForWorkers(10000));
  const int after = f.form->filesList().checkedCount();
  QTest::qWait(100);
  QCOMPARE(f.form->filesList().checkedCount(), after);  // nothing of the stopped run arrives
  // The next start resets the caption and runs to the end.
  QVERIFY(f.check(1));
  QCOMPARE(f.button("SpeedButton17")->text(), QStringLiteral("Pause"));
  QCOMPARE(f.form->filesList().checkedCount(), 15);
}

void CheckAndDeleteTest::cancelKeepsEveryDecidedBandAndEndsTheRun() {
  FormFixture f;
  TempTree tree;
  // Three bands; four later copies.
  for (const char* name : {"a1", "a2"}) tree.write(name, "x");
  for (const char* name : {"b1", "b2"}) tree.write(name, "yy");
  for (const char* name : {"c1", "c2", "c3"}) tree.write(name, "zzz");
  QVERIFY(f.scan(tree.root()));
  f.child<TRadioGroup>("RadioGroup1")->item(1)->setChecked(true);
  f.statuses.clear();
  f.click("SpeedButton10");
  // The run ends while the window runs no events: all it decided is still on
  // its way when "Cancel" stops it.
  QVERIFY(WaitWithoutEvents([&] { return !f.form->checkWorkerBusy(); }));
  f.click("SpeedButton18");
  QCOMPARE(f.form->filesList().checkedCount(), 4);
  f.settle();
  QCOMPARE(f.form->deleteList().rowCount(), 4);
  // No end step: the bar keeps its value, no closing text.
  QCOMPARE(f.child<QProgressBar>("ProgressBar")->value(), 0);
  for (const QString& text : f.statuses) QVERIFY(!text.startsWith(QStringLiteral("Num of")));

  // A check under way has ended when "Cancel" returns, so the scan right
  // after cannot clear the candidates under it.
  for (int i = 0; i < 4; ++i) tree.write("big" + std::to_string(i), Big('r', 2 << 20));
  QVERIFY(f.scan(tree.root()));
  f.click("SpeedButton10");
  f.click("SpeedButton17");
  f.click("SpeedButton18");
  QVERIFY(!f.form->checkWorkerBusy());
  QVERIFY(f.scan(tree.root()));
  QCOMPARE(f.form->candidates().count(), 11);
}

void CheckAndDeleteTest::actionsAreRefusedDuringARun() {
  FormFixture f;
  TempTree tree;
  for (int i = 0; i < 4; ++i) tree.write("big" + std::to_string(i), Big('r', 2 << 20));
  QVERIFY(f.scan(tree.root()));
  for (int r = 0; r < 4; ++r) f.setFilesTick(r, true);
  f.settle();
  f.click("SpeedButton10");
  f.click("SpeedButton17");  // hold the run paused
  f.dialogs.clearShown();
  f.form->SpeedButton26Click();
  f.form->SpeedButton2Click();
  f.form->SpeedButton3Click();
  for (const char* act : {"ReplaceByHardLinks1", "ShareBlocks1"})
    f.form->findChild<QAction*>(QString::fromLatin1(act))->trigger();
  QCOMPARE(f.dialogs.count(Kind::Information, texts::kRunActive), 5);
  QCOMPARE(f.dialogs.count(Kind::ConfirmYesNo), 0);
  for (int i = 0; i < 4; ++i) QVERIFY(PathExists(tree.path("big" + std::to_string(i))));
  // Ticks in "Files to delete" stay the user's during a check.
  f.form->SpeedButton21Click();
  f.click("SpeedButton18");
  QVERIFY(f.form->waitForWorkers(10000));
}

void CheckAndDeleteTest::deleteCheckedWithNothingOrNo() {
  FormFixture f;
  f.click("SpeedButton26");
  QCOMPARE(f.dialogs.count(Kind::ConfirmOk, texts::kNoCheckedFiles), 1);
  TempTree tree;
  tree.write("m1", "dup");
  tree.write("m2", "dup");
  QVERIFY(f.scan(tree.root()));
  f.setFilesTick(1, true);
  f.settle();
  f.dialogs.answerYes(false);
  f.click("SpeedButton26");
  QVERIFY(PathExists(tree.path("m1")) && PathExists(tree.path("m2")));
  QCOMPARE(f.form->candidates().count(), 2);
  QCOMPARE(f.form->deleteList().rowCount(), 1);
}

// A copy that lost its staying copy after the check: the window asks the
// second question, and a No keeps the files ticked in "Files to delete".
// What becomes of each file is the session's (tests/session).
void CheckAndDeleteTest::filesWithoutAVerifiedCopyAreAskedForAndKept() {
  FormFixture f;
  TempTree tree;
  for (const char* name : {"a1", "a2"}) tree.write(name, Big('a', 5000));
  QVERIFY(f.scan(tree.root()));
  QVERIFY(f.check(1));
  const std::string kept = f.form->candidates().row(1).FullPath;
  const std::string ticked = f.form->candidates().row(2).FullPath;
  QVERIFY(::unlink(kept.c_str()) == 0);
  f.dialogs.answerYes(true);
  f.dialogs.answerYes(false);
  QVERIFY(f.deleteChecked());
  QCOMPARE(f.dialogs.count(Kind::ConfirmYesNo), 2);
  QCOMPARE(f.dialogs.shown().back().kind, Kind::Information);
  QVERIFY(PathExists(ticked));
  const QAbstractItemModel* shown = f.form->filesToDelete()->model();
  QCOMPARE(shown->rowCount(), 1);
  QCOMPARE(shown->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  QCOMPARE(f.form->statusText(), QStringLiteral("Information updated"));
}

// Every Yes/No question of the window defaults to No: Enter never deletes.
void CheckAndDeleteTest::enterAnswersNoToEveryQuestion() {
  QWidget parent;
  QtDialogs dialogs(&parent);
  bool sawNoAsDefault = false;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    sawNoAsDefault = box->defaultButton() == box->button(QMessageBox::No);
    QTest::keyClick(box, Qt::Key_Return);
  });
  QVERIFY(!dialogs.confirmYesNo(texts::kConfirmDelete));
  QVERIFY(sawNoAsDefault);
}

void CheckAndDeleteTest::doubleClickAndPopup() {
  FormFixture f;
  TempTree tree;
  const std::string odd = tree.write(
      "n\xff"
      "1",
      "dup");
  tree.write("n2", "dup");
  QVERIFY(f.scan(tree.root()));
  auto* menu = f.child<QMenu>("RxPopupMenu1");
  auto action = [&](const char* name) {
    for (QAction* a : menu->actions()) {
      if (a->objectName() == QLatin1String(name)) return a;
    }
    qFatal("no action %s", name);
  };
  // No selection: only the two tick items.
  f.form->RxPopupMenu1Popup();
  QVERIFY(!action("LaunchFile1")->isVisible());
  QVERIFY(!action("DeleteFiles1")->isVisible());
  QVERIFY(action("UncheckallItems1")->isVisible());
  QVERIFY(action("SelectallItems1")->isVisible());
  // Double-click without a selected row does nothing.
  f.form->vgListView1DblClick();
  QCOMPARE(f.form->filesList().checkedCount(), 0);

  const int row = RowOf(f, odd);
  f.form->files()->setCurrentIndex(f.form->files()->model()->index(row, 0));
  f.form->RxPopupMenu1Popup();
  QVERIFY(action("LaunchFile1")->isVisible());
  QVERIFY(!action("DeleteFiles1")->isVisible());
  QVERIFY(!action("UncheckallItems1")->isVisible());

  // "Run File" and the double-click's default open the file; the name's raw
  // bytes survive in the address.
  f.form->LaunchFile1Click();
  QCOMPARE(f.opened.size(), std::size_t(1));
  QVERIFY(f.opened.back().toEncoded().endsWith("/n%FF1"));
  f.form->vgListView1DblClick();
  QCOMPARE(f.opened.size(), std::size_t(2));
  QCOMPARE(f.form->filesList().checkedCount(), 0);

  f.child<TRadioGroup>("RadioGroup2")->item(1)->setChecked(true);
  f.form->vgListView1DblClick();
  QVERIFY(f.form->filesList().isChecked(row));
  f.form->vgListView1DblClick();
  QVERIFY(!f.form->filesList().isChecked(row));
}

namespace {
bool ExistsAnyLength(const std::string& path) {
  struct stat st {};
  return StatPath(path, st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Eighteen nested folders of 250 bytes below `base`, a file `name` with
// `content` in the deepest; returns the file's path (over 4,500 bytes more).
std::string DeepFile(const std::string& base, const std::string& name, const std::string& content) {
  const std::string folder(250, 'q');
  std::string path = base;
  int dir = ::open(base.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < 18 && dir >= 0; ++i) {
    ::mkdirat(dir, folder.c_str(), 0755);
    const int next = ::openat(dir, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ::close(dir);
    dir = next;
    path += "/" + folder;
  }
  const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0 && ::write(fd, content.data(), content.size()) < 0) path.clear();
  if (fd >= 0) ::close(fd);
  if (dir >= 0) ::close(dir);
  return path + "/" + name;
}
}  // namespace

// Names with a newline, a tab, a leading dash, bytes that are not UTF-8, and
// a path beyond PATH_MAX: shown decoded, kept and deleted by their bytes.
void CheckAndDeleteTest::awkwardNamesAreShownAndDeletedByTheirBytes() {
  FormFixture f;
  TempTree tree;
  const std::vector<std::string> names = {"new\nline", "tab\there", "-dash", "bad\xff\xfe"};
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string content(20 + i, 'k');
    pairs.emplace_back(tree.write(names[i], content), tree.write("twin/" + names[i], content));
  }
  const std::string deep = DeepFile(tree.root(), "deep\xff", std::string(30, 'z'));
  QVERIFY(deep.size() > PATH_MAX);
  pairs.emplace_back(tree.write("shallow", std::string(30, 'z')), deep);
  QVERIFY(f.scan(tree.root()));
  QCOMPARE(f.form->candidates().count(), 10);

  const auto* model = f.form->files()->model();
  const ResultList& files = f.form->filesList();
  for (int r = 0; r < files.rowCount(); ++r) {
    const ListRow& row = files.row(r);
    const std::vector<std::string> subItems = row.subItems();
    QCOMPARE(std::string(row.caption()), std::string(f.form->candidates().row(r + 1).FileName()));
    QCOMPARE(model->data(model->index(r, 0)).toString(),
             QFile::decodeName(std::string(row.caption()).c_str()));
    for (std::size_t c = 0; c < subItems.size(); ++c) {
      QCOMPARE(model->data(model->index(r, static_cast<int>(c) + 1)).toString(),
               QFile::decodeName(subItems[c].c_str()));
    }
  }

  QVERIFY(f.check(1));
  QCOMPARE(f.form->deleteList().rowCount(), 5);
  f.dialogs.answerYes(true);
  QVERIFY(f.deleteChecked());
  for (const auto& [one, other] : pairs) {
    QVERIFY2(ExistsAnyLength(one) != ExistsAnyLength(other), one.c_str());
  }
  QCOMPARE(f.form->candidates().count(), 5);
}

QTEST_MAIN(CheckAndDeleteTest)
#include "check_and_delete_test.moc"
