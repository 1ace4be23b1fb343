// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "scan/folder_path.h"

#include <sys/stat.h>

bool IsExistingDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WalkUpToExistingFolder(std::string text) {
  while (!text.empty() && !IsExistingDirectory(text)) {
    if (text == "/") return {};  // not even the root exists: give up with an empty field
    const bool absolute = text.front() == '/';
    const auto slash = text.rfind('/');
    if (slash == std::string::npos) return {};
    text.erase(slash);
    if (text.empty() && absolute) text.push_back('/');
  }
  return text;
}
