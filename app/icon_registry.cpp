// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/icon_registry.h"

#include <QApplication>
#include <QFile>
#include <QMimeDatabase>
#include <QStyle>

int IconRegistry::FileTypeIconIndex(const std::string& typeName) {
  std::lock_guard lock(mutex_);
  if (auto it = byType_.find(typeName); it != byType_.end()) return it->second;
  // Looked up by name alone: the disk is never read for a row's icon.
  const QMimeType type = QMimeDatabase().mimeTypeForFile(QFile::decodeName(typeName.c_str()),
                                                         QMimeDatabase::MatchExtension);
  const QString name = type.iconName();
  const QString fallback = type.genericIconName();
  int index = -1;
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (names_[i] == name) index = static_cast<int>(i);
  }
  if (index < 0) {
    names_.push_back(name);
    fallbacks_.push_back(fallback);
    index = static_cast<int>(names_.size()) - 1;
  }
  byType_.emplace(typeName, index);
  return index;
}

QString IconRegistry::iconName(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || static_cast<std::size_t>(index) >= names_.size()) return {};
  return names_[static_cast<std::size_t>(index)];
}

QIcon IconRegistry::icon(int index) {
  if (auto it = icons_.constFind(index); it != icons_.constEnd()) return *it;
  QString name, fallback;
  {
    std::lock_guard lock(mutex_);
    if (index >= 0 && static_cast<std::size_t>(index) < names_.size()) {
      name = names_[static_cast<std::size_t>(index)];
      fallback = fallbacks_[static_cast<std::size_t>(index)];
    }
  }
  const QIcon generic = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  QIcon made = QIcon::fromTheme(name, QIcon::fromTheme(fallback, generic));
  icons_.insert(index, made);
  return made;
}
