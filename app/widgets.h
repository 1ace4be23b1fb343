// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <vector>

// The folder field: a line edit with a browse button at its end.
// buttonClicked() is emitted when the browse button is pressed.
class TDirectoryEdit final : public QLineEdit {
  Q_OBJECT
 public:
  explicit TDirectoryEdit(QWidget* parent = nullptr);
  QAction* browseAction() const { return browse_; }
 Q_SIGNALS:
  void buttonClicked();

 private:
  QAction* browse_;
};

// A picker of the 16 standard colours, each a swatch and its name. Values are
// 0x00BBGGRR. valueChanged() fires only when the value really changes, by the
// user or by setValue().
class TColorComboBox final : public QComboBox {
  Q_OBJECT
 public:
  struct NamedColor {
    const char* name;
    std::uint32_t value;
  };
  static const std::vector<NamedColor>& standardColors();
  static QColor toQColor(std::uint32_t value);

  TColorComboBox(std::uint32_t initial, QWidget* parent = nullptr);
  std::uint32_t value() const { return value_; }
  void setValue(std::uint32_t value);
 Q_SIGNALS:
  void valueChanged(std::uint32_t value);

 private:
  void selectIndexFor(std::uint32_t value);
  std::uint32_t value_;
  bool setting_ = false;
};

// The status bar: three text panels of fixed widths (20, 330, 50 pixels).
class TStatusBar final : public QWidget {
 public:
  explicit TStatusBar(QWidget* parent = nullptr);
  void setPanelText(int panel, const QString& text);
  QString panelText(int panel) const;
  QLabel* panel(int i) const { return panels_[static_cast<std::size_t>(i)]; }
  QSize sizeHint() const override;

 private:
  std::vector<QLabel*> panels_;
};

// A captioned group of radio buttons with one selected item, by index.
class TRadioGroup final : public QGroupBox {
 public:
  TRadioGroup(const QString& caption, const QStringList& items, int columns,
              QWidget* parent = nullptr);
  int itemIndex() const;
  void setItemIndex(int index);
  QRadioButton* item(int i) const { return buttons_[static_cast<std::size_t>(i)]; }

 private:
  std::vector<QRadioButton*> buttons_;
};
