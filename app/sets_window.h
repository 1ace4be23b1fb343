// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "app/sets_model.h"
#include "core/row_index.h"

class Session;

// "Sets of Identical Files": every set of identical files with its members,
// their ticks (those of "Files"), the totals, and a preview of images. One
// instance, beside the main window without blocking it.
class SetsWindow final : public QWidget {
  Q_OBJECT

 public:
  SetsWindow(Session& session, std::function<void(const QUrl&)> openUrl, QWidget* parent);

  // Shows the window, filled afresh unless it is shown already; with `at`,
  // selects that candidate's row and scrolls to it.
  void showSets(std::optional<TableRow> at = std::nullopt);
  // Candidate `row` was ticked or unticked anywhere.
  void tickFlipped(TableRow row) { model_->tickFlipped(row); }
  // The session changed its phase: a scan or a check makes the sets stale
  // (the window closes); a delete renumbers the rows (the window empties
  // until it ends, then is filled afresh).
  void followSession();

  SetsModel* model() const { return model_; }
  QTreeView* tree() const { return tree_; }
  // The path the preview shows, or is loading; empty for none.
  const std::string& previewPath() const { return previewPath_; }
  bool previewShowsImage() const { return previewShowsImage_; }

  void openCurrent();        // "Open", Enter
  void openCurrentFolder();  // "Open Folder"
  void toggleCurrent();      // Space

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void refill();
  void showTotals();
  void currentChanged(const QModelIndex& current);
  void requestPreview(const std::string& path);
  void showPreview(const QImage& image);
  std::string currentPath() const;

  Session& session_;
  std::function<void(const QUrl&)> openUrl_;
  SetsModel* model_;
  QLabel* summary_;
  QTreeView* tree_;
  QLabel* preview_;
  QPushButton* open_;
  QPushButton* openFolder_;
  std::string previewPath_;
  bool previewShowsImage_ = false;
  unsigned previewGeneration_ = 0;  // a result of an older request is dropped
  bool waitingForDelete_ = false;
};
