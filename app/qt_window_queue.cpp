#include "app/qt_window_queue.h"

#include <QMetaObject>

void QtWindowQueue::post(std::function<void()> task) {
  QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}
