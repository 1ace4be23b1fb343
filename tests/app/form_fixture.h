// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QPushButton>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/form_main.h"
#include "session/session_driver.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

// A list of texts given as literals or QStrings.
inline QString Q(const char* text) {
  return QString::fromUtf8(text);
}
inline QString Q(const QString& text) {
  return text;
}
template <class... T>
QStringList L(const T&... items) {
  return QStringList{Q(items)...};
}

// Runs events until `done` holds; false after `timeoutMs`. Looks every
// millisecond (QTest::qWaitFor sleeps 10 ms between looks, which adds up over
// hundreds of runs).
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 30000);
// Waits up to `timeoutMs` for `done` without running any event: nothing a
// timer or a worker posts runs meanwhile. False on a timeout.
bool WaitWithoutEvents(const std::function<bool()>& done, int timeoutMs = 30000);

// The window's session driven as twinscan-cli and the plain tests drive
// theirs, with the window's event loop turning: timers, posts and the
// window's handlers all run while it waits.
class WindowDriver final : public SessionDriver {
 public:
  explicit WindowDriver(const std::unique_ptr<TFormMain>& form) : form_(form) {}
  Session& session() override { return form_->session(); }
  bool driveUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30)) override;

 private:
  void finishDeleteList() override;
  const std::unique_ptr<TFormMain>& form_;
};

// A main window on a scripted set of dialogs, started in its own temporary
// start directory. Both list models run under QAbstractItemModelTester.
struct FormFixture {
  FormFixture(int tableCapacity = kTableSlots);
  // `prepare` fills the start directory before the window is created.
  explicit FormFixture(const std::function<void(const TempTree&)>& prepare,
                       int tableCapacity = kTableSlots);
  ~FormFixture();

  // The environment the window was created with (scripted dialogs, recorded
  // addresses and exits, this start directory).
  FormEnvironment environment();
  // Another main window on the same start directory, as a second start would
  // create it; shown.
  std::unique_ptr<TFormMain> openAnother();

  template <class W>
  W* child(const char* name) const {
    auto* w = form->findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no control named %s", name);
    return w;
  }
  // The model testers walk every row on each change: a test that fills
  // thousands of rows in batches stops them, or it takes quadratic time.
  void stopTestingListModels();

  QPushButton* button(const char* name) const { return child<QPushButton>(name); }
  void click(const char* name) const;

  // Each action below presses the window's control, then lets the driver
  // settle the run it started.
  // Types `folder` into the field and presses "Rescan"; waits for the fill.
  bool scan(const std::string& folder, int timeoutMs = 30000);
  // Scans `twins` after writing two files of one size into it, "a" and "b".
  bool scanTwins();
  // Drives the scan run's timer by hand after "Rescan" was pressed: starts the
  // walk, waits for its end without running events (so neither the timer nor
  // anything the workers post runs meanwhile), then hands over to the
  // grouping. False when the walk did not end in time.
  bool handOverToGrouping(int timeoutMs = 30000);
  // Presses "Twin Scan" in `mode` and waits for the closing text.
  bool check(int mode, int timeoutMs = 30000);
  // Presses "Delete Checked" and waits until its file work and end steps are done.
  bool deleteChecked(int timeoutMs = 30000);
  // Ticks or unticks "Files" row `row` as a click on its tick box would.
  void setFilesTick(int row, bool ticked);
  // Runs the posted events, then events until the deferred rebuild of "Files
  // to delete" has run.
  void settle();

  // Every status text shown, in order.
  std::vector<QString> statuses;
  bool sawStatus(const QString& text) const {
    return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
  }

  std::vector<QUrl> opened;  // what the shell was asked to open
  int exits = 0;             // how often "Exit" ended the program
  TempTree start;
  TempTree twins;
  ScriptedDialogs dialogs;
  std::unique_ptr<TFormMain> form;
  WindowDriver driver{form};

 private:
  int tableCapacity_;
};
