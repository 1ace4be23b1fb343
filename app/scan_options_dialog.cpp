// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/scan_options_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

template <class W>
W* Named(W* widget, const char* name, const QString& accessible) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setAccessibleName(accessible);
  return widget;
}

QCheckBox* Box(const char* text, const char* name, bool on, QWidget* parent) {
  const QString caption = QString::fromUtf8(text);
  auto* box = Named(new QCheckBox(caption, parent), name, caption);
  box->setChecked(on);
  return box;
}

}  // namespace

ScanOptionsDialog::ScanOptionsDialog(const ScanOptions& options, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("ScanOptionsDialog"));
  setWindowTitle(QStringLiteral("Scan Options"));
  const QString sizeText = QStringLiteral("Leave out files smaller than (bytes, 0: none):");
  auto* label = Named(new QLabel(sizeText, this), "ScanOptionsMinSizeLabel", sizeText);
  minSize_ =
      Named(new QLineEdit(QString::number(options.minSize), this), "ScanOptionsMinSize", sizeText);
  // Up to 18 digits: every value fits a file size.
  minSize_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,18}")), this));
  label->setBuddy(minSize_);
  hidden_ =
      Box("Include hidden files and folders", "ScanOptionsHidden", options.scope.hidden, this);
  trash_ = Box("Include Trash folders", "ScanOptionsTrash", options.scope.trashFolders, this);
  vcs_ = Box("Include version-control folders (.git, .hg, .svn)", "ScanOptionsVcs",
             options.scope.vcsFolders, this);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  Named(buttons->button(QDialogButtonBox::Ok), "ScanOptionsOk", QStringLiteral("OK"));
  Named(buttons->button(QDialogButtonBox::Cancel), "ScanOptionsCancel", QStringLiteral("Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  auto* size = new QFormLayout;
  size->addRow(label, minSize_);
  layout->addLayout(size);
  layout->addWidget(hidden_);
  layout->addWidget(trash_);
  layout->addWidget(vcs_);
  layout->addWidget(buttons);
}

ScanOptions ScanOptionsDialog::options() const {
  ScanOptions out;
  out.minSize = minSize_->text().toLongLong();  // empty: 0
  out.scope.hidden = hidden_->isChecked();
  out.scope.trashFolders = trash_->isChecked();
  out.scope.vcsFolders = vcs_->isChecked();
  return out;
}
