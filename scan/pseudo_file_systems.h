// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <sys/types.h>

#include <string_view>
#include <vector>

// Recognises the kernel's pseudo file systems (proc, sysfs, devtmpfs,
// cgroup, debugfs and the like). Listing them would read kernel state as if
// it were files: /proc/self/root leads back to "/" and sysfs holds tens of
// thousands of entries, so the walk records such a folder but never lists it.
class PseudoFileSystems final {
 public:
  // Reads the mount table once, for the pseudo file systems whose type the
  // folder itself cannot tell (devtmpfs reports the type of tmpfs).
  PseudoFileSystems();

  // True when the open folder `fd`, on device `dev`, belongs to a pseudo
  // file system.
  bool holds(int fd, dev_t dev) const;

  // Whether a file system type name (as /proc/self/mountinfo spells it) is one.
  static bool IsPseudoTypeName(std::string_view type);

 private:
  std::vector<dev_t> devices_;  // mounts of a pseudo type, by device
};
