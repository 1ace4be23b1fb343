// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

// The descriptors the process holds open now (-1 when it cannot tell).
inline int OpenDescriptors() {
  int n = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (const dirent* e = ::readdir(dir)) {
    if (e->d_name[0] != '.') ++n;
  }
  ::closedir(dir);
  return n;
}

// While alive, the process may hold at most `limit` open files (the soft
// RLIMIT_NOFILE); the old limit comes back at the end.
class ScopedFileLimit {
 public:
  explicit ScopedFileLimit(rlim_t limit) {
    ok_ = ::getrlimit(RLIMIT_NOFILE, &old_) == 0;
    rlimit lowered = old_;
    lowered.rlim_cur = limit;
    ok_ = ok_ && ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
  }
  ~ScopedFileLimit() {
    if (ok_) ::setrlimit(RLIMIT_NOFILE, &old_);
  }
  ScopedFileLimit(const ScopedFileLimit&) = delete;
  ScopedFileLimit& operator=(const ScopedFileLimit&) = delete;
  bool active() const { return ok_; }

 private:
  rlimit old_{};
  bool ok_ = false;
};

// Takes every descriptor the process has left, until release().
class DescriptorHog {
 public:
  DescriptorHog() {
    for (int fd; (fd = ::dup(STDERR_FILENO)) >= 0;) taken_.push_back(fd);
  }
  ~DescriptorHog() { release(); }
  DescriptorHog(const DescriptorHog&) = delete;
  DescriptorHog& operator=(const DescriptorHog&) = delete;
  void release() {
    for (const int fd : taken_) ::close(fd);
    taken_.clear();
  }
  std::size_t taken() const { return taken_.size(); }

 private:
  std::vector<int> taken_;
};
