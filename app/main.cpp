#include <QApplication>

#include "app/form_main.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Twinscan"));
  QApplication::setApplicationDisplayName(QStringLiteral("Twinscan"));
  TFormMain window;
  window.show();
  return QApplication::exec();
}
