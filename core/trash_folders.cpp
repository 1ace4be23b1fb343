// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/trash_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "core/paths.h"

namespace {

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether a component pair names a mount's Trash: ".Trash-<uid>" alone, or
// "<uid>" right inside ".Trash".
bool TrashByName(std::string_view path) {
  std::string_view previous;
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string_view part = path.substr(at, end - at);
    if (!part.empty()) {
      if (part.starts_with(kOwnTrashPrefix) && AllDigits(part.substr(kOwnTrashPrefix.size())))
        return true;
      if (previous == kSharedTrashName && AllDigits(part)) return true;
      previous = part;
    }
    at = end + 1;
  }
  return false;
}

}  // namespace

std::string HomeTrashPlace::path() const {
  std::string out = base;
  for (const std::string& name : below) {
    if (out.empty() || out.back() != '/') out += '/';
    out += name;
  }
  return out;
}

std::optional<HomeTrashPlace> HomeTrashPlaceNow() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') {
    std::string folder(data);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder == "/") return HomeTrashPlace{folder, {"Trash"}};
    return HomeTrashPlace{std::string(FolderOf(folder)),
                          {std::string(FileNameOf(folder)), "Trash"}};
  }
  std::string home;
  const char* env = std::getenv("HOME");
  if (env != nullptr && env[0] == '/') {
    home = env;
  } else {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
      home = found->pw_dir;
    }
  }
  if (home.empty()) return std::nullopt;
  return HomeTrashPlace{home, {".local", "share", "Trash"}};
}

TrashFolders::TrashFolders() {
  const std::optional<HomeTrashPlace> place = HomeTrashPlaceNow();
  struct stat st {};
  if (place && ::stat(place->path().c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    home_ = Key{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool TrashFolders::folderInHome(const std::string& folder) {
  // Iterative, up to the first folder already known: each is looked at once.
  std::vector<std::string> walked;
  std::string at = folder;
  bool inside = false;
  for (;;) {
    const auto known = folders_.find(at);
    if (known != folders_.end()) {
      inside = known->second;
      break;
    }
    struct stat st {};
    if (::stat(at.c_str(), &st) == 0 && Key{static_cast<std::uint64_t>(st.st_dev),
                                            static_cast<std::uint64_t>(st.st_ino)} == *home_) {
      folders_.emplace(at, true);
      inside = true;
      break;
    }
    walked.push_back(at);
    const std::size_t slash = at.find_last_of('/');
    if (at == "/" || at.empty() || at == "." || slash == std::string::npos) break;
    at = slash == 0 ? std::string("/") : at.substr(0, slash);
  }
  for (const std::string& w : walked) folders_.emplace(w, inside);
  return inside;
}

bool TrashFolders::holds(std::string_view path) {
  if (TrashByName(FolderOf(path))) return true;
  if (!home_) return false;
  std::string folder(FolderOrDotOf(path));
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folderInHome(folder);
}
