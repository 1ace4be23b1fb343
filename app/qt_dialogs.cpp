// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/qt_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "session/texts.h"

namespace {
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

void Show(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
          QMessageBox::StandardButtons buttons = QMessageBox::Ok) {
  QMessageBox box(icon, QApplication::applicationName(), Q(text), buttons, parent);
  box.exec();
}
}  // namespace

void QtDialogs::information(const std::string& text) {
  Show(parent_, QMessageBox::Information, text);
}
void QtDialogs::warning(const std::string& text) {
  Show(parent_, QMessageBox::Warning, text);
}
void QtDialogs::plain(const std::string& text) {
  Show(parent_, QMessageBox::NoIcon, text);
}
void QtDialogs::confirmOk(const std::string& text) {
  Show(parent_, QMessageBox::Question, text);
}

bool QtDialogs::confirmYesNo(const std::string& text) {
  return confirmYesNoDetailed(text, {});
}

bool QtDialogs::confirmYesNoDetailed(const std::string& text, const std::string& informative) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(), Q(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  if (!informative.empty()) box.setInformativeText(Q(informative));
  // Every question guards something that cannot be undone: Enter answers No.
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtDialogs::errorBox(const std::string& text) {
  Show(parent_, QMessageBox::Critical, text);
}

std::optional<std::string> QtDialogs::pickFolder(const std::string& start) {
  const QString folder =
      QFileDialog::getExistingDirectory(parent_, QString(), QFile::decodeName(start.c_str()));
  if (folder.isEmpty()) return std::nullopt;
  return QFile::encodeName(folder).toStdString();
}

std::optional<std::string> QtDialogs::saveFile(const std::string& filter,
                                               const std::string& lastName) {
  // "Name (*.ext)|*.ext": Qt shows the part before the bar, which carries the pattern.
  const QString qtFilter = Q(filter.substr(0, filter.find('|')));
  const QString name =
      QFileDialog::getSaveFileName(parent_, QString(), QFile::decodeName(lastName.c_str()),
                                   qtFilter, nullptr, QFileDialog::DontConfirmOverwrite);
  if (name.isEmpty()) return std::nullopt;
  return QFile::encodeName(name).toStdString();
}
