// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Window tests of closing the main window while a run is under way: the
// settings are written and the window's end stops and joins every worker.
#include <QApplication>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "form_fixture.h"

class CloseDuringRunTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void closingDuringTheWalk();
  void closingDuringTheGrouping();
  void closingDuringAPausedCheck();
  void closingDuringARunningCheckStopsIt();
};

namespace {

// Ends the process if the guarded scope does not end in time: a hang would
// otherwise stall the test run until its outer timeout.
class HangGuard {
 public:
  explicit HangGuard(const char* what) {
    thread_ = std::thread([this, what] {
      std::unique_lock lock(mutex_);
      if (!done_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; })) {
        std::fprintf(stderr, "hang: %s did not end within 20 s\n", what);
        std::abort();
      }
    });
  }
  ~HangGuard() {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    done_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool released_ = false;
  std::thread thread_;
};

// Closes the window as its close box would, inside the program's event loop:
// the settings are written and the loop ends as it does in the program.
void Close(FormFixture& f) {
  QVERIFY(!PathExists(f.start.path("perferences.set")));
  QSignalSpy lastWindow(qApp, &QGuiApplication::lastWindowClosed);
  bool closed = false;
  QTimer::singleShot(0, f.form.get(), [&] { closed = f.form->close(); });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
  guard.start(20000);
  QCOMPARE(QApplication::exec(), 0);
  QVERIFY(closed);
  QVERIFY(!f.form->isVisible());
  QCOMPARE(lastWindow.count(), 1);
}

// Closes the window, then destroys it as the end of the program does; the
// settings file must hold the folder field.
void CloseAndEnd(FormFixture& f, const std::string& folder) {
  Close(f);
  if (QTest::currentTestFailed()) return;
  QVERIFY(ReadFileBytes(f.start.path("perferences.set")).starts_with(folder + "\r\n"));
  HangGuard guard("the window's end");
  f.form.reset();
}

}  // namespace

void CloseDuringRunTest::closingDuringTheWalk() {
  FormFixture f;
  TempTree tree;
  for (int d = 0; d < 20; ++d) {
    for (int i = 0; i < 40; ++i) tree.write("d" + std::to_string(d) + "/f" + std::to_string(i), "");
  }
  f.form->setFolderText(tree.root());
  f.form->SpeedButton4Click();
  f.form->TimerScan1Timer();
  QCOMPARE(f.form->runPhase(), 1);
  QVERIFY(!f.form->walkDone());
  CloseAndEnd(f, tree.root());
}

void CloseDuringRunTest::closingDuringTheGrouping() {
  FormFixture f;
  TempTree tree;
  // Many files of one size keep the grouping's sort busy.
  for (int i = 0; i < 1500; ++i)
    tree.write("d" + std::to_string(i % 10) + "/e" + std::to_string(i), "");
  f.form->setFolderText(tree.root());
  f.form->SpeedButton4Click();
  QVERIFY(f.handOverToGrouping());
  QCOMPARE(f.form->runPhase(), 2);
  QVERIFY(f.form->scanRunActive());
  CloseAndEnd(f, tree.root());
}

void CloseDuringRunTest::closingDuringAPausedCheck() {
  FormFixture f;
  TempTree tree;
  // Enough to read that the run is still at its start when the pause follows.
  const std::string content(8 << 20, 'p');
  for (int i = 0; i < 8; ++i) tree.write("big" + std::to_string(i), content);
  QVERIFY(f.scan(tree.root()));
  f.click("SpeedButton10");
  f.click("SpeedButton17");  // pause
  QTest::qWait(20);
  // A paused check is left alone by the close; the window's end stops it.
  Close(f);
  if (QTest::currentTestFailed()) return;
  QVERIFY(f.form->checkRunActive());
  QVERIFY(ReadFileBytes(f.start.path("perferences.set")).starts_with(tree.root() + "\r\n"));
  HangGuard guard("the window's end during a paused check");
  f.form.reset();
}

void CloseDuringRunTest::closingDuringARunningCheckStopsIt() {
  FormFixture f;
  TempTree tree;
  // Enough to read that the run is still going when the close comes.
  const std::string content(8 << 20, 'r');
  for (int i = 0; i < 8; ++i) tree.write("big" + std::to_string(i), content);
  QVERIFY(f.scan(tree.root()));
  f.click("SpeedButton10");
  Close(f);
  if (QTest::currentTestFailed()) return;
  QVERIFY(f.form->waitForWorkers(20000));
  // The run was stopped, not finished: its end steps never ran.
  QTest::qWait(50);
  for (const QString& text : f.statuses)
    QVERIFY(!text.startsWith(QStringLiteral("Num of files to delete")));
}

QTEST_MAIN(CloseDuringRunTest)
#include "close_during_run_test.moc"
