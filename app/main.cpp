// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include <QApplication>

#include "app/app_icon.h"
#include "app/form_main.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Twinscan"));
  QApplication::setApplicationDisplayName(QStringLiteral("Twinscan"));
  // Lets the desktop match the window to the menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.twinscan"));
  QApplication::setWindowIcon(TwinscanIcon());
  TFormMain window;
  window.show();
  return QApplication::exec();
}
