// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The column pages: choosing and ordering the columns of both lists, and
// applying them with the OK buttons.
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include "app/form_main.h"
#include "lists/row_texts.h"

namespace {

// Image 0 of the OK buttons' image list: a blue round sign with "OK"; image 1
// the same sign in red, shown while edits wait.
QPixmap ApplyImage(int image) {
  QPixmap pixmap(22, 22);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor fill = image == 0 ? QColor(30, 90, 200) : QColor(205, 30, 30);
  p.setPen(QPen(fill.darker(140), 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(1, 1, 20, 20));
  QFont font = p.font();
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, 22, 22), Qt::AlignCenter, QStringLiteral("OK"));
  return pixmap;
}

// The client width `view` has when its page of `pages` is in front. A page
// behind keeps the size it had when it last showed; every page takes the size
// of the one in front, so the view's width is that page's, less its frame and
// its vertical scroll bar.
int ClientWidthInFront(const QTabWidget* pages, const QAbstractScrollArea* view) {
  const QWidget* front = pages->currentWidget();
  if (!front || front->isAncestorOf(view)) return view->viewport()->width();
  const QScrollBar* bar = view->verticalScrollBar();
  const int barWidth = bar->isVisibleTo(view) ? bar->width() : 0;
  return front->width() - 2 * view->frameWidth() - barWidth;
}

QStringList Entries(const QListWidget* box) {
  QStringList out;
  for (int i = 0; i < box->count(); ++i) out << box->item(i)->text();
  return out;
}

}  // namespace

void TFormMain::ShowApplyState(ListId list, bool pending) {
  const int which = static_cast<int>(list);
  const int image = pending ? 1 : 0;
  // A fresh 22 x 22 picture each time, the chosen image drawn into it.
  applyButton_[which]->setIcon(QIcon(ApplyImage(image)));
  applyImage_[which] = image;
}

namespace {
// Moves the selected entry of `source` to the end of `target`, then selects
// the entry now at its place in `source` (the new last one when it was last).
// Returns whether an entry moved.
bool MoveSelectedAcross(QListWidget* source, QListWidget* target) {
  const int row = source->currentRow();
  if (row < 0 || !source->currentItem() || !source->currentItem()->isSelected()) return false;
  target->addItem(source->item(row)->text());
  delete source->takeItem(row);
  source->setCurrentRow(source->count() == 0 ? -1 : std::min(row, source->count() - 1));
  return true;
}
}  // namespace

void TFormMain::MoveToShown(ListId list) {
  const int which = static_cast<int>(list);  // its two boxes are 2 * which and the next
  if (MoveSelectedAcross(ListBox_[which * 2], ListBox_[which * 2 + 1])) {
    (list == ListId::Files ? FilesColumnsPending : DeleteColumnsPending) = true;
  }
  ShowApplyState(list, columnsPending(list));
}

void TFormMain::MoveToAvailable(ListId list) {
  const int which = static_cast<int>(list);  // its two boxes are 2 * which and the next
  if (MoveSelectedAcross(ListBox_[which * 2 + 1], ListBox_[which * 2])) {
    (list == ListId::Files ? FilesColumnsPending : DeleteColumnsPending) = true;
  }
  ShowApplyState(list, columnsPending(list));
}

namespace {
// Moves the selected entry of `box` by `step` when the box has the focus.
bool MoveSelected(QWidget* focused, QListWidget* box, int step) {
  const int row = box->currentRow();
  if (focused != box || row < 0 || !box->currentItem()->isSelected()) return false;
  const int to = row + step;
  if (to >= 0 && to < box->count()) {
    QListWidgetItem* item = box->takeItem(row);
    box->insertItem(to, item);
    box->setCurrentRow(to);
  }
  return true;  // an entry already at the end does not move, but counts as an edit
}
}  // namespace

void TFormMain::MoveUp(ListId list) {
  const int which = static_cast<int>(list);  // its two boxes are 2 * which and the next
  QWidget* focused = focusWidget();
  bool edited = false;
  for (QListWidget* box : {ListBox_[which * 2], ListBox_[which * 2 + 1]}) {
    edited = MoveSelected(focused, box, -1) || edited;
  }
  if (edited) (list == ListId::Files ? FilesColumnsPending : DeleteColumnsPending) = true;
  ShowApplyState(list, columnsPending(list));
}

void TFormMain::MoveDown(ListId list) {
  const int which = static_cast<int>(list);  // its two boxes are 2 * which and the next
  QWidget* focused = focusWidget();
  bool edited = false;
  for (QListWidget* box : {ListBox_[which * 2], ListBox_[which * 2 + 1]}) {
    edited = MoveSelected(focused, box, +1) || edited;
  }
  if (edited) (list == ListId::Files ? FilesColumnsPending : DeleteColumnsPending) = true;
  ShowApplyState(list, columnsPending(list));
}

namespace {
// The captions of a box's entries as path bytes, the way the columns keep them.
std::vector<std::string> Captions(const QListWidget* box) {
  std::vector<std::string> out;
  for (const QString& caption : Entries(box))
    out.push_back(QFile::encodeName(caption).toStdString());
  return out;
}
}  // namespace

void TFormMain::ApplyFilesColumns() {
  if (!session_->setFilesColumns(Captions(ListBox_[1]))) return;
  FilesColumnsPending = false;
  ShowApplyState(ListId::Files, false);
  ResultList& files = filesList();
  if (files.columnCount() > 0) {
    const int width =
        EqualColumnWidth(ClientWidthInFront(PageControl2_, vgListView1_), files.columnCount());
    for (int c = 0; c < files.columnCount(); ++c) files.setColumnWidth(c, width);
  }
}

void TFormMain::ApplyDeleteColumns() {
  DeleteColumnsPending = false;
  ShowApplyState(ListId::Delete, false);
  session_->setDeleteColumns(Captions(ListBox_[3]));
  ResultList& list = deleteList();
  if (list.columnCount() > 0) {
    const int width =
        EqualColumnWidth(ClientWidthInFront(PageControl2_, vgListView2_), list.columnCount());
    for (int c = 0; c < list.columnCount(); ++c) list.setColumnWidth(c, width);
  }
  TabSheetResultsShow();
}
