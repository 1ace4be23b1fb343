// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <string>

// A temporary folder that tests build real trees in; removed with its
// contents (permissions restored first) when the object goes.
class TempTree {
 public:
  TempTree() : TempTree(std::string()) {}
  // The same in the folder `base` (empty: $TMPDIR, else /tmp).
  explicit TempTree(const std::string& base);
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }
  // root() + "/" + relative
  std::string path(const std::string& relative) const;

  // Creates the folders of `relative` below root().
  std::string mkdir(const std::string& relative) const;
  // Creates (or replaces) a file with `content`, making its folders first.
  std::string write(const std::string& relative, const std::string& content) const;
  // The same, its modification time set to `mtime` seconds since the epoch.
  std::string write(const std::string& relative, const std::string& content, long mtime) const;
  std::string symlink(const std::string& target, const std::string& relative) const;

 private:
  std::string root_;
};

// "/dev/shm" where it is a folder this process can write (tmpfs: thousands
// of folders or files of 2^62 bytes in no time), else empty.
std::string MemoryFolder();

// The bytes of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);
