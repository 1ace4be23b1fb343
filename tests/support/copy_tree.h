// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <string>

#include "support/temp_tree.h"

// A tree for runs under load: sets of copies (some of several megabytes, so a
// check has many steps to stop between), near-copies of the same size, unique
// sizes, empty files and enough small files of shared sizes to make the
// grouping's fill take a while.
inline void MakeCopyTree(const TempTree& tree) {
  for (int set = 0; set < 12; ++set) {
    const std::size_t size = 40 + static_cast<std::size_t>(set) * (set % 3 == 0 ? 200000 : 97);
    const std::string content(size, static_cast<char>('a' + set));
    for (int copy = 0; copy < 2 + set % 3; ++copy) {
      tree.write("d" + std::to_string((set + copy) % 5) + "/s" + std::to_string(set) + "c" +
                     std::to_string(copy),
                 content);
    }
    std::string near = content;
    near.back() = '!';
    if (set % 2 == 0) tree.write("near/s" + std::to_string(set), near);
  }
  for (int i = 0; i < 20; ++i) tree.write("u/" + std::to_string(i), std::string(7000 + i, 'u'));
  for (int i = 0; i < 3; ++i) tree.write("e/empty" + std::to_string(i), "");
  // Same sizes, different bytes: rows for the fill, no ticks for the check.
  for (int i = 0; i < 400; ++i) {
    std::string content(static_cast<std::size_t>(8 + i % 20), 's');
    content.replace(0, 4, std::to_string(1000 + i));
    tree.write("small/" + std::to_string(i % 20) + "/" + std::to_string(i), content);
  }
}
