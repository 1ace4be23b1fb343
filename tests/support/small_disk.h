// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "support/temp_tree.h"

// A 64 KB tmpfs of its own that a test can fill up, unmounted when the object
// goes. Mounting needs root (CI runs as root); without it the test skips
// with whyNot().
class SmallDisk {
 public:
  SmallDisk() {
    mounted_ = ::mount("twinscan-test", tree_.root().c_str(), "tmpfs", 0, "size=64k") == 0;
    if (!mounted_) whyNot_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(tree_.root().c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& whyNot() const { return whyNot_; }
  const TempTree& tree() const { return tree_; }

  // Takes all the space left with one file; true when the disk is full.
  bool fill() const {
    const int fd = ::open(tree_.path("filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
  }
  bool free() const { return ::unlink(tree_.path("filler").c_str()) == 0; }

  // The names in the disk's root.
  std::set<std::string> names() const {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(tree_.root()))
      out.insert(e.path().filename().string());
    return out;
  }

 private:
  TempTree tree_;  // declared first, so removed after the unmount
  bool mounted_ = false;
  std::string whyNot_;
};
