// Makes screenshots of the main window after a real scan: the "Files" page,
// the "Files to delete" page and the "Preferences" page.
// Usage: twinscan-screenshot FOLDER OUTPUT_PREFIX
#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QThread>

#include <cstdio>

#include "app/form_main.h"

namespace {
void Wait(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER OUTPUT_PREFIX\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Twinscan"));
  ScriptedDialogs dialogs;
  FormEnvironment env;
  env.dialogs = &dialogs;
  TFormMain form(env);
  form.show();
  Wait(200);
  form.setFolderText(argv[1]);
  form.SpeedButton4Click();
  QElapsedTimer t;
  t.start();
  while ((form.scanRunActive() || !form.statusText().startsWith(QStringLiteral("Founded"))) &&
         t.elapsed() < 60000) {
    Wait(20);
  }
  const QString prefix = QString::fromLocal8Bit(argv[2]);
  // Tick every second row so both lists show ticks.
  for (int r = 1; r < form.filesList().rowCount(); r += 2) form.filesList().setChecked(r, true);
  form.files()->setCurrentIndex(form.files()->model()->index(0, 0));
  Wait(200);
  form.grab().save(prefix + QStringLiteral("-files.png"));
  form.findChild<QTabWidget*>(QStringLiteral("PageControl2"))->setCurrentIndex(1);
  Wait(200);
  form.grab().save(prefix + QStringLiteral("-delete.png"));
  form.findChild<QTabWidget*>(QStringLiteral("PageControl2"))->setCurrentIndex(0);
  form.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
  Wait(200);
  form.grab().save(prefix + QStringLiteral("-preferences.png"));
  std::printf("%s\n", qPrintable(form.statusText()));
  return 0;
}
