// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/progress_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

TFormProgressScanning::TFormProgressScanning(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TFormProgressScanning"));
  setWindowTitle(QStringLiteral("Welcome to Twinscan"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  auto* layout = new QVBoxLayout(this);
  // The panel with the phase caption is never made visible.
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  auto* inner = new QVBoxLayout(panel);
  label2_ = new QLabel(QStringLiteral("--"), panel);
  label2_->setObjectName(QStringLiteral("Label2"));
  auto* files = new QLabel(QStringLiteral("Files"), panel);
  auto* bar = new QProgressBar(panel);
  bar->setRange(0, 100);
  bar->setValue(0);
  inner->addWidget(label2_);
  inner->addWidget(files);
  inner->addWidget(bar);
  layout->addWidget(panel);
  panel->setVisible(false);
  setFixedSize(320, 120);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}
