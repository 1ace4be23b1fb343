// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/about_window.h"

#include "app/app_icon.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace {
QFont VerdanaFont() {
  QFont font(QStringLiteral("Verdana"));
  font.setPointSize(8);
  return font;
}
}  // namespace

TFormAbout::TFormAbout(std::function<void(const QUrl&)> openUrl, QWidget* parent)
    : QDialog(parent), openUrl_(std::move(openUrl)) {
  setObjectName(QStringLiteral("TFormAbout"));
  setWindowTitle(QStringLiteral("About Twinscan"));
  // A dialog border with a close box only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setModal(false);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
  setMouseTracking(true);

  auto* outer = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("Image1"));
  icon->setPixmap(TwinscanIcon().pixmap(36, 36));
  icon->setFixedSize(36, 36);
  top->addWidget(icon, 0, Qt::AlignTop);

  auto* texts = new QVBoxLayout;
  auto* title = new QLabel(QStringLiteral("Twinscan"), this);
  title->setObjectName(QStringLiteral("Label1"));
  QFont titleFont(QStringLiteral("MS Sans Serif"));
  titleFont.setPointSize(12);
  titleFont.setBold(true);
  title->setFont(titleFont);
  auto* version = new QLabel(QStringLiteral("Version: 2.2 (Build 438)"), this);
  version->setObjectName(QStringLiteral("Label3"));
  version->setFont(VerdanaFont());
  texts->addWidget(title);
  texts->addWidget(version);

  auto* grid = new QGridLayout;
  const struct {
    const char* caption;
    const char* name;
    QString text;
  } rows[] = {
      {"Official web site:", "Label14", QString::fromLatin1(links::kWebSite)},
      {"Author home page:", "Label9", QString::fromLatin1(links::kAuthorPage)},
      {"Technical support:", "Label10", QString::fromLatin1(links::kSupportMail)},
  };
  int r = 0;
  for (const auto& row : rows) {
    auto* caption = new QLabel(QString::fromLatin1(row.caption), this);
    caption->setFont(VerdanaFont());
    auto* link = new QLabel(row.text, this);
    link->setObjectName(QString::fromLatin1(row.name));
    link->setCursor(Qt::PointingHandCursor);
    link->setMouseTracking(true);
    link->installEventFilter(this);
    setLinkStyle(link, false);
    caption->setBuddy(link);  // a screen reader names the link by its caption
    links_.push_back(link);
    grid->addWidget(caption, r, 0);
    grid->addWidget(link, r, 1);
    ++r;
  }
  texts->addLayout(grid);
  top->addLayout(texts, 1);
  outer->addLayout(top);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  outer->addWidget(line);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("BitBtn1"));
  connect(ok, &QPushButton::clicked, this, [this] { hide(); });
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(ok);
  outer->addLayout(bottom);
  // Fixed at its design size, or at what its contents need where fonts are larger.
  setFixedSize(QSize(385, 193).expandedTo(sizeHint()));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TFormAbout::setLinkStyle(QLabel* label, bool highlighted) {
  QFont font = VerdanaFont();
  font.setUnderline(highlighted);
  label->setFont(font);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText,
             highlighted ? QColor(Qt::blue) : palette().color(QPalette::WindowText));
  label->setPalette(p);
  label->setProperty("highlighted", highlighted);
}

bool TFormAbout::highlighted(int i) const {
  return links_[static_cast<std::size_t>(i)]->property("highlighted").toBool();
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
  auto* label = qobject_cast<QLabel*>(watched);
  if (label && (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove)) {
    setLinkStyle(label, true);
  } else if (label && event->type() == QEvent::MouseButtonRelease) {
    // A click is a left button let go over the link it was pressed on.
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
      if (label == links_[0]) Label14Click();
      if (label == links_[1]) Label9Click();
      if (label == links_[2]) Label10Click();
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFormAbout::mouseMoveEvent(QMouseEvent* event) {
  // Over the window's background every link returns to the plain style. A
  // move over a link reaches the window too (a label passes mouse moves on to
  // its parent); that link keeps its highlight.
  const QWidget* under = childAt(event->position().toPoint());
  for (QLabel* link : links_) {
    if (link != under) setLinkStyle(link, false);
  }
  QDialog::mouseMoveEvent(event);
}

void TFormAbout::open(const QUrl& url) {
  // Whatever goes wrong in opening an address is not reported.
  try {
    openUrl_(url);
  } catch (...) {
  }
}

void TFormAbout::Label14Click() {
  open(QUrl(QString::fromLatin1(links::kWebSite)));
}
void TFormAbout::Label9Click() {
  open(QUrl(QString::fromLatin1(links::kAuthorPage)));
}
void TFormAbout::Label10Click() {
  open(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(links::kSupportMail)));
}
