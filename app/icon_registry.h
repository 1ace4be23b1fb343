// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "lists/row_texts.h"

// Icon indices of file types: a type name ("file.txt") goes through the MIME
// database to an icon name, and each distinct icon name gets a small integer.
// FileTypeIconIndex is thread-safe (the grouping worker calls it); icon() makes
// the QIcon and is for the window thread only.
class IconRegistry final : public IconIndexer {
 public:
  int FileTypeIconIndex(const std::string& typeName) override;
  QIcon icon(int index);
  // The icon name behind an index; empty for an unknown index.
  QString iconName(int index) const;

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::string, int> byType_;
  std::vector<QString> names_;
  std::vector<QString> fallbacks_;
  QHash<int, QIcon> icons_;  // window thread only
};
