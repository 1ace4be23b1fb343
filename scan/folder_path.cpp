// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "scan/folder_path.h"

#include <sys/stat.h>

#include "core/paths.h"

bool IsExistingDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WalkUpToExistingFolder(std::string text) {
  while (!text.empty() && !IsExistingDirectory(text)) {
    if (text == "/") return {};  // not even the root exists: give up with an empty field
    const std::string_view up = FolderOf(text);
    if (up.empty()) return {};
    text.resize(up.size());
  }
  return text;
}
