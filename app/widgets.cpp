// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/widgets.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

TDirectoryEdit::TDirectoryEdit(QWidget* parent) : QLineEdit(parent) {
  browse_ = addAction(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon),
                      QLineEdit::TrailingPosition);
  browse_->setObjectName(QStringLiteral("DirectoryEdit1Button"));
  browse_->setToolTip(QStringLiteral("Choose a folder"));
  browse_->setText(QStringLiteral("Choose a folder"));
  connect(browse_, &QAction::triggered, this, [this] { Q_EMIT buttonClicked(); });
}

const std::vector<TColorComboBox::NamedColor>& TColorComboBox::standardColors() {
  static const std::vector<NamedColor> colors = {
      {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
      {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
      {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
      {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
  };
  return colors;
}

QColor TColorComboBox::toQColor(std::uint32_t value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

TColorComboBox::TColorComboBox(std::uint32_t initial, QWidget* parent)
    : QComboBox(parent), value_(initial) {
  for (const auto& c : standardColors()) {
    QPixmap swatch(16, 12);
    swatch.fill(toQColor(c.value));
    QPainter(&swatch).drawRect(0, 0, 15, 11);
    addItem(QIcon(swatch), QString::fromLatin1(c.name), QVariant::fromValue<uint>(c.value));
  }
  selectIndexFor(initial);
  connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (setting_ || index < 0) return;
    const auto picked = static_cast<std::uint32_t>(itemData(index).toUInt());
    if (picked == value_) return;
    value_ = picked;
    Q_EMIT valueChanged(value_);
  });
}

void TColorComboBox::selectIndexFor(std::uint32_t value) {
  setting_ = true;
  setCurrentIndex(findData(QVariant::fromValue<uint>(value)));
  setting_ = false;
}

void TColorComboBox::setValue(std::uint32_t value) {
  if (value == value_) return;
  value_ = value;
  selectIndexFor(value);
  Q_EMIT valueChanged(value_);
}

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (int width : {20, 330, 50}) {
    auto* label = new QLabel(this);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setFixedWidth(width);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(panels_.size()));
    panels_.push_back(label);
    layout->addWidget(label);
  }
  layout->addStretch(1);
}

void TStatusBar::setPanelText(int panel, const QString& text) {
  panels_[static_cast<std::size_t>(panel)]->setText(text);
}

QString TStatusBar::panelText(int panel) const {
  return panels_[static_cast<std::size_t>(panel)]->text();
}

QSize TStatusBar::sizeHint() const {
  return {400, 22};
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent) {
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 4, 8, 4);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    layout->addWidget(button, i / columns, i % columns);
    buttons_.push_back(button);
  }
  if (!buttons_.empty()) buttons_.front()->setChecked(true);
}

int TRadioGroup::itemIndex() const {
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i]->isChecked()) return static_cast<int>(i);
  }
  return -1;
}

void TRadioGroup::setItemIndex(int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < buttons_.size()) {
    buttons_[static_cast<std::size_t>(index)]->setChecked(true);
  } else {
    for (auto* b : buttons_) {
      b->setAutoExclusive(false);
      b->setChecked(false);
      b->setAutoExclusive(true);
    }
  }
}
