// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Where the home Trash lives ($XDG_DATA_HOME/Trash when XDG_DATA_HOME is
// absolute, else ~/.local/share/Trash): a folder that must exist, and the
// folders below it, the last being the Trash.
struct HomeTrashPlace {
  std::string base;
  std::vector<std::string> below;
  std::string path() const;
};
std::optional<HomeTrashPlace> HomeTrashPlaceNow();

// A mount's Trash folders for this user: $top/.Trash/$uid and $top/.Trash-$uid.
inline constexpr std::string_view kSharedTrashName = ".Trash";
inline constexpr std::string_view kOwnTrashPrefix = ".Trash-";

// Whether paths lie in a Trash folder: below the home Trash (by device and
// inode, however the path spells it, read when this is made) or below a
// folder named .Trash-<digits>, or <digits> inside one named .Trash. A file
// there goes when the Trash is emptied, so it never counts as a copy that
// stays. Remembers each folder it looked at; one thread at a time.
class TrashFolders {
 public:
  TrashFolders();
  bool holds(std::string_view path);

 private:
  struct Key {
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;
    bool operator==(const Key&) const = default;
  };
  bool folderInHome(const std::string& folder);

  std::optional<Key> home_;
  std::unordered_map<std::string, bool> folders_;
};
