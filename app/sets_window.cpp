// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/sets_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QPixmap>
#include <QSplitter>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "core/paths.h"
#include "session/session.h"

namespace {

constexpr const char* kNoPreview = "No preview";
constexpr const char* kWaitingForDelete =
    "Delete Checked is under way; the sets follow when it ends.";

QString Decoded(std::string_view bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// Reads the image at `path` no larger than `bound`; a null image for a file
// that is no image (or cannot be read). Runs on a pool thread.
QImage LoadPreview(const QString& path, QSize bound) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  if (!reader.canRead()) return {};
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > bound.width() || size.height() > bound.height()))
    reader.setScaledSize(size.scaled(bound, Qt::KeepAspectRatio));
  QImage image = reader.read();
  if (!image.isNull() && (image.width() > bound.width() || image.height() > bound.height()))
    image = image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return image;
}

}  // namespace

SetsWindow::SetsWindow(Session& session, std::function<void(const QUrl&)> openUrl, QWidget* parent)
    : QWidget(parent, Qt::Window),
      session_(session),
      openUrl_(std::move(openUrl)),
      model_(new SetsModel(session, this)),
      summary_(new QLabel(this)),
      tree_(new QTreeView(this)),
      preview_(new QLabel(QString::fromLatin1(kNoPreview), this)),
      open_(new QPushButton(QStringLiteral("Open"), this)),
      openFolder_(new QPushButton(QStringLiteral("Open Folder"), this)) {
  setObjectName(QStringLiteral("SetsWindow"));
  setWindowTitle(QStringLiteral("Sets of Identical Files"));
  summary_->setObjectName(QStringLiteral("SetsSummary"));
  tree_->setObjectName(QStringLiteral("SetsTree"));
  tree_->setAccessibleName(QStringLiteral("Sets of identical files"));
  preview_->setObjectName(QStringLiteral("SetsPreview"));
  open_->setObjectName(QStringLiteral("SetsOpen"));
  openFolder_->setObjectName(QStringLiteral("SetsOpenFolder"));
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("SetsClose"));

  tree_->setModel(model_);
  tree_->setUniformRowHeights(true);
  tree_->setTextElideMode(Qt::ElideMiddle);
  tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setAllColumnsShowFocus(true);
  QHeaderView* header = tree_->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(SetsModel::Folder, QHeaderView::Stretch);
  const QFontMetrics metrics = fontMetrics();
  header->resizeSection(SetsModel::Name, metrics.horizontalAdvance(QLatin1Char('x')) * 28);
  header->resizeSection(SetsModel::Size,
                        metrics.horizontalAdvance(QStringLiteral(" 1023.99 KiB ")));
  header->resizeSection(SetsModel::Modified,
                        metrics.horizontalAdvance(QStringLiteral(" 0000-00-00 00:00:00 ")));
  header->resizeSection(SetsModel::Tick, metrics.horizontalAdvance(QStringLiteral(" Delete ")) + 8);
  tree_->installEventFilter(this);

  preview_->setAlignment(Qt::AlignCenter);
  preview_->setMinimumSize(160, 160);
  preview_->setFrameShape(QFrame::StyledPanel);

  auto* splitter = new QSplitter(this);
  splitter->addWidget(tree_);
  splitter->addWidget(preview_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(open_);
  buttons->addWidget(openFolder_);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);
  resize(960, 520);

  model_->onTotals = [this] { showTotals(); };
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { currentChanged(current); });
  connect(tree_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.column() != SetsModel::Tick && model_->rowOf(index) != 0) openCurrent();
  });
  connect(open_, &QPushButton::clicked, this, [this] { openCurrent(); });
  connect(openFolder_, &QPushButton::clicked, this, [this] { openCurrentFolder(); });
  connect(close, &QPushButton::clicked, this, [this] { this->close(); });
}

void SetsWindow::refill() {
  waitingForDelete_ = false;
  model_->refill();
  // A set's text runs over the member columns.
  for (int s = 0; s < model_->setCount(); ++s) tree_->setFirstColumnSpanned(s, {}, true);
  tree_->expandAll();
  tree_->setEnabled(true);
  showTotals();
  currentChanged(tree_->currentIndex());
}

void SetsWindow::showTotals() {
  summary_->setText(waitingForDelete_ ? QString::fromLatin1(kWaitingForDelete) : model_->summary());
}

void SetsWindow::showSets(std::optional<TableRow> at) {
  if (!isVisible() || waitingForDelete_) refill();
  show();
  raise();
  activateWindow();
  if (!at) return;
  const QModelIndex member = model_->indexOfRow(*at);
  if (!member.isValid()) return;
  tree_->setCurrentIndex(member);
  tree_->scrollTo(member, QAbstractItemView::PositionAtCenter);
  tree_->setFocus();
}

void SetsWindow::followSession() {
  const Phase phase = session_.phase();
  if (phase == Phase::Deleting) {
    // Rows go and are renumbered step by step: nothing may read them now.
    if (waitingForDelete_ || !isVisible()) return;
    waitingForDelete_ = true;
    model_->clear();
    tree_->setEnabled(false);
    showTotals();
    return;
  }
  if (phase == Phase::Idle && session_.identicalSetsKnown()) {
    if (waitingForDelete_ && isVisible()) refill();
    return;
  }
  // A scan or a check: the sets shown are gone.
  waitingForDelete_ = false;
  model_->clear();
  hide();
}

void SetsWindow::closeEvent(QCloseEvent* event) {
  // Hidden, not destroyed: the next opening fills it afresh.
  model_->clear();
  previewPath_.clear();
  ++previewGeneration_;
  QWidget::closeEvent(event);
}

std::string SetsWindow::currentPath() const {
  const int row = model_->rowOf(tree_->currentIndex());
  if (row < 1 || row > session_.candidates().count()) return {};
  return session_.candidates().row(row).FullPath;
}

void SetsWindow::openCurrent() {
  const std::string path = currentPath();
  if (!path.empty()) openUrl_(QUrl::fromLocalFile(Decoded(path)));
}

void SetsWindow::openCurrentFolder() {
  const std::string path = currentPath();
  if (!path.empty()) openUrl_(QUrl::fromLocalFile(Decoded(FolderOrDotOf(path))));
}

void SetsWindow::toggleCurrent() {
  const QModelIndex current = tree_->currentIndex();
  const int row = model_->rowOf(current);
  if (row == 0) return;
  const QModelIndex tick = current.siblingAtColumn(SetsModel::Tick);
  const bool on = tick.data(Qt::CheckStateRole).toInt() == Qt::Checked;
  model_->setData(tick, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

bool SetsWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool member = model_->rowOf(tree_->currentIndex()) != 0;
    if (member && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      openCurrent();
      return true;
    }
    if (member && key->key() == Qt::Key_Space) {
      toggleCurrent();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void SetsWindow::currentChanged(const QModelIndex& current) {
  const bool member = model_->rowOf(current) != 0;
  open_->setEnabled(member);
  openFolder_->setEnabled(member);
  requestPreview(member ? currentPath() : std::string());
}

void SetsWindow::requestPreview(const std::string& path) {
  if (path == previewPath_) return;
  previewPath_ = path;
  const unsigned generation = ++previewGeneration_;
  showPreview({});
  if (path.empty()) return;
  // Decoding a photo takes longer than a keystroke: off the window thread,
  // and a result the selection has moved past is dropped.
  QtConcurrent::run(LoadPreview, Decoded(path), preview_->contentsRect().size())
      .then(this, [this, generation](const QImage& image) {
        if (generation == previewGeneration_) showPreview(image);
      });
}

void SetsWindow::showPreview(const QImage& image) {
  previewShowsImage_ = !image.isNull();
  if (image.isNull()) {
    preview_->setPixmap({});
    preview_->setText(QString::fromLatin1(kNoPreview));
    preview_->setAccessibleName({});
    return;
  }
  preview_->setPixmap(QPixmap::fromImage(image));
  preview_->setAccessibleName(QStringLiteral("Preview of ") + Decoded(FileNameOf(previewPath_)));
}
