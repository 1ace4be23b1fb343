// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/temp_tree.h"

// A file system of `type` ("xfs" with shared blocks, "btrfs") in an image
// file, loop-mounted at mountPoint() and unmounted when the object goes.
// Needs root, loop devices and the type's mkfs (scripts/test.sh installs
// xfsprogs and btrfs-progs); without them the test skips with whyNot().
class LoopFileSystem {
 public:
  explicit LoopFileSystem(const std::string& type) {
    const std::string image = images_.path("image");
    const std::string mkfs = type == "xfs" ? "mkfs.xfs -q -m reflink=1 " : "mkfs.btrfs -q ";
    if (::geteuid() != 0) {
      whyNot_ = "mounting a loop device needs root";
    } else if (!Run("truncate -s 320M '" + image + "'") || !Run(mkfs + "'" + image + "'")) {
      whyNot_ = "cannot make an " + type + " image (" + mkfs + "missing?)";
    } else if (!Run("mount -o loop '" + image + "' '" + mount_.root() + "'")) {
      whyNot_ = "cannot loop-mount an " + type + " image";
    } else {
      mounted_ = true;
    }
  }
  ~LoopFileSystem() {
    if (mounted_) ::umount2(mount_.root().c_str(), MNT_DETACH);
  }
  LoopFileSystem(const LoopFileSystem&) = delete;
  LoopFileSystem& operator=(const LoopFileSystem&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& whyNot() const { return whyNot_; }
  const TempTree& tree() const { return mount_; }

 private:
  static bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
  }
  TempTree images_;
  TempTree mount_;  // removed after the unmount
  bool mounted_ = false;
  std::string whyNot_;
};
