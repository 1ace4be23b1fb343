// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "support/temp_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

TempTree::TempTree(const std::string& base) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      (base.empty() ? std::string(tmp && *tmp ? tmp : "/tmp") : base) + "/twinscan-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
}

TempTree::~TempTree() {
  std::error_code ec;
  // Restore permissions a test may have taken away, so that removal works.
  for (auto it = fs::recursive_directory_iterator(
           root_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
  }
  ::chmod(root_.c_str(), 0700);
  fs::remove_all(root_, ec);
}

std::string TempTree::path(const std::string& relative) const {
  return root_ + "/" + relative;
}

std::string TempTree::mkdir(const std::string& relative) const {
  const std::string p = path(relative);
  fs::create_directories(p);
  return p;
}

std::string TempTree::write(const std::string& relative, const std::string& content) const {
  const std::string p = path(relative);
  fs::create_directories(fs::path(p).parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + p);
  return p;
}

std::string TempTree::write(const std::string& relative, const std::string& content,
                            long mtime) const {
  const std::string p = write(relative, content);
  const timespec times[2] = {{mtime, 0}, {mtime, 0}};
  if (::utimensat(AT_FDCWD, p.c_str(), times, 0) != 0) throw std::runtime_error("utimensat " + p);
  return p;
}

std::string TempTree::symlink(const std::string& target, const std::string& relative) const {
  const std::string p = path(relative);
  fs::create_directories(fs::path(p).parent_path());
  if (::symlink(target.c_str(), p.c_str()) != 0) throw std::runtime_error("symlink failed: " + p);
  return p;
}

std::string MemoryFolder() {
  struct stat st {};
  const bool usable =
      ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0;
  return usable ? "/dev/shm" : "";
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}
