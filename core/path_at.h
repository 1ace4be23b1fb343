// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

#include "core/file_io.h"

// A path of any length as a folder descriptor and a name short enough for the
// *at() calls (fstatat, openat, unlinkat). A path shorter than PATH_MAX is
// used as it is, relative to the current directory, without a system call.
// A longer one (deep nesting) is opened from its start in pieces below
// PATH_MAX, each piece up to a '/', following links on the way as the kernel
// does for every component but the last; the last component is never opened.
//
// With kOpenParent the folder that holds the last component is always opened
// (a short path too), so several calls on the name resolve the folders once.
class PathAt final {
 public:
  enum Mode { kAsIs, kOpenParent };
  explicit PathAt(const std::string& path, Mode mode = kAsIs);
  PathAt(const PathAt&) = delete;
  PathAt& operator=(const PathAt&) = delete;

  // False when a folder on the way could not be opened; errno tells why.
  bool valid() const { return dir_ != -1; }
  int dir() const { return dir_; }  // AT_FDCWD or an open folder
  const char* name() const { return name_; }

 private:
  void openParent(const std::string& path, std::size_t start);
  // Goes on from the folder `folder` opened (-1: none, errno kept).
  void moveTo(int folder);

  UniqueFd owned_;  // the folder opened last, if any
  int dir_;
  const char* name_;
};

// open(2) of a path of any length (`flags` as for open, never O_CREAT),
// retried when interrupted; -1 with errno on failure.
int OpenPath(const std::string& path, int flags);

// stat(2), or lstat(2) with AT_SYMLINK_NOFOLLOW in `flags`, of a path of any
// length; 0 on success, -1 with errno on failure.
int StatPath(const std::string& path, struct stat& st, int flags = 0);
