// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
QPixmap Draw(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(QPen(QColor(40, 60, 110), 2.5));
  p.setBrush(QColor(200, 215, 245));
  p.drawRoundedRect(QRectF(6, 4, 34, 44), 4, 4);
  p.setBrush(QColor(250, 252, 255));
  p.drawRoundedRect(QRectF(22, 16, 34, 44), 4, 4);
  QPainterPath tick;
  tick.moveTo(30, 39);
  tick.lineTo(37, 47);
  tick.lineTo(49, 29);
  p.setPen(QPen(QColor(30, 150, 60), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(tick);
  return pixmap;
}
}  // namespace

QIcon TwinscanIcon() {
  QIcon icon;
  for (int size : {16, 22, 32, 36, 48, 64, 128}) icon.addPixmap(Draw(size));
  return icon;
}
