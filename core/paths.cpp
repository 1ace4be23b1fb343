// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/paths.h"

std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
}

std::string_view FolderOrDotOf(std::string_view path) {
  const std::string_view folder = FolderOf(path);
  return folder.empty() ? std::string_view(".") : folder;
}

std::string_view FolderPrefixOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::size_t EntryPrefixLength(std::string_view folder) {
  return folder == "/" ? 0 : folder.size();
}

std::string EntryPath(std::string_view folder, std::string_view name) {
  std::string path(folder.substr(0, EntryPrefixLength(folder)));
  path.push_back('/');
  path.append(name);
  return path;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}
