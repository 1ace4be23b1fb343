// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Makes screenshots of the main window after a real scan: the "Files" page,
// the "Files to delete" page, the "Preferences" page and the about window.
// Usage: twinscan-screenshot FOLDER OUTPUT_PREFIX [fast|careful [WIDTHxHEIGHT]]
// With a mode the ticks come from a check run in that mode; without one every
// second row is ticked, so that both lists show ticks whatever the tree holds.
// A size resizes the window before the scan.
#include <QtCore/qtestsupport_core.h>
#include <QApplication>
#include <QTabWidget>

#include <cstdio>
#include <cstring>

#include "app/about_window.h"
#include "app/form_main.h"
#include "app/widgets.h"
#include "support/scripted_dialogs.h"

int main(int argc, char** argv) {
  // The item of "DoubleFiles Check Mode" to check with; -1: no check.
  int mode = -1;
  int width = 0;
  int height = 0;
  bool usable = argc == 3;
  if (argc == 4 || argc == 5) {
    if (std::strcmp(argv[3], "fast") == 0) mode = 0;
    if (std::strcmp(argv[3], "careful") == 0) mode = 1;
    usable = mode >= 0;
  }
  if (argc == 5 &&
      (std::sscanf(argv[4], "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)) {
    usable = false;
  }
  if (!usable) {
    std::fprintf(stderr, "usage: %s FOLDER OUTPUT_PREFIX [fast|careful [WIDTHxHEIGHT]]\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Twinscan"));
  ScriptedDialogs dialogs;
  FormEnvironment env;
  env.dialogs = &dialogs;
  TFormMain form(env);
  if (width > 0) form.resize(width, height);
  form.show();
  QTest::qWait(200);
  form.setFolderText(argv[1]);
  form.SpeedButton4Click();
  (void)QTest::qWaitFor(
      [&] {
        return !form.scanRunActive() && form.statusText().startsWith(QStringLiteral("Founded"));
      },
      60000);
  const QString prefix = QString::fromLocal8Bit(argv[2]);
  if (mode >= 0) {
    form.findChild<TRadioGroup*>(QStringLiteral("RadioGroup1"))->setItemIndex(mode);
    form.SpeedButton10Click();
    QTest::qWait(50);
    (void)QTest::qWaitFor([&] { return !form.checkRunActive(); }, 120000);
  } else {
    for (int r = 1; r < form.filesList().rowCount(); r += 2) form.filesList().setChecked(r, true);
  }
  form.files()->setCurrentIndex(form.files()->model()->index(0, 0));
  QTest::qWait(200);
  form.grab().save(prefix + QStringLiteral("-files.png"));
  form.findChild<QTabWidget*>(QStringLiteral("PageControl2"))->setCurrentIndex(1);
  QTest::qWait(200);
  form.grab().save(prefix + QStringLiteral("-delete.png"));
  form.findChild<QTabWidget*>(QStringLiteral("PageControl2"))->setCurrentIndex(0);
  form.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
  QTest::qWait(200);
  form.grab().save(prefix + QStringLiteral("-preferences.png"));
  form.SpeedButton8Click();
  QTest::qWait(200);
  form.aboutWindow()->grab().save(prefix + QStringLiteral("-about.png"));
  std::printf("%s\n", qPrintable(form.statusText()));
  return 0;
}
