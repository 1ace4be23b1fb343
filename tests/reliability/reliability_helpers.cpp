// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "reliability/reliability_helpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/path_at.h"
#include "core/trash.h"
#include "session/plain_driver.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace {

std::string ReadDescriptor(int fd) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

void ListFolder(int dir, const std::string& path, std::map<std::string, std::string>& out) {
  const int fd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* listing = fd < 0 ? nullptr : ::fdopendir(fd);
  if (listing == nullptr) {
    if (fd >= 0) ::close(fd);
    out[path] = "?";
    return;
  }
  while (const dirent* e = ::readdir(listing)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string child = path + "/" + name;
    struct stat st {};
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      out[child] = "?";
    } else if (S_ISDIR(st.st_mode)) {
      out[child] = "d";
      const int sub = ::openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) {
        ListFolder(sub, child, out);
        ::close(sub);
      }
    } else if (S_ISLNK(st.st_mode)) {
      char target[4096];
      const ssize_t n = ::readlinkat(fd, name.c_str(), target, sizeof target);
      out[child] = "l:" + std::string(target, n > 0 ? static_cast<std::size_t>(n) : 0);
    } else if (S_ISREG(st.st_mode)) {
      const int file = ::openat(fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      out[child] = file < 0 ? "?" : "f:" + ReadDescriptor(file);
      if (file >= 0) ::close(file);
    } else {
      out[child] = "o";
    }
  }
  ::closedir(listing);
}

}  // namespace

// A whole scan of `root`; false when it was refused or the walk failed.
static bool Scanned(PlainDriver& driver, const std::string& root) {
  return !driver.runScan({{root}, {}, 0}).refused() && !driver.session().report().walkFailed &&
         driver.session().filesListFilled();
}

struct PlainRun::Parts {
  explicit Parts(int slots) : driver(Config(slots), nullptr, &dialogs) {
    driver.session().filesList().addColumn("Path");
    driver.session().deleteList().addColumn("Path");
  }
  static SessionConfig Config(int slots) {
    SessionConfig config;
    config.tableCapacity = slots;
    config.keepScanTable = true;  // tests read the walk's entries
    config.limits = EngineLimits{};
    return config;
  }
  ScriptedDialogs dialogs;
  PlainDriver driver;
};

PlainRun::PlainRun(int slots)
    : parts(std::make_unique<Parts>(slots)),
      table(&parts->driver.session().scanTable()),
      candidates(&parts->driver.session().candidates()) {}

PlainRun::~PlainRun() = default;

bool PlainRun::scan(const std::string& root) {
  parts->driver.session().config().walkObserver = nullptr;
  return Scanned(parts->driver, root);
}

bool PlainRun::scan(const std::string& root, WalkObserver& observer) {
  parts->driver.session().config().walkObserver = &observer;
  const bool scanned = Scanned(parts->driver, root);
  parts->driver.session().config().walkObserver = nullptr;
  return scanned;
}

std::vector<int> PlainRun::check(CheckMode mode, const std::function<void()>& checkpoint,
                                 const EngineLimits& limits) {
  Session& session = parts->driver.session();
  session.config().checkpointHook = checkpoint;
  session.config().limits = limits;
  EXPECT_TRUE(parts->driver.runCheck(mode));
  session.config().checkpointHook = {};
  std::vector<int> ticks;
  for (int r = 1; r <= candidates->count(); ++r) {
    if (session.ticked(r)) ticks.push_back(r);
  }
  return ticks;
}

Session& PlainRun::session() {
  return parts->driver.session();
}

std::vector<int> PlainRun::keep(const KeepRule& rule) {
  session().keepCopies(rule);
  EXPECT_TRUE(parts->driver.settle());
  std::vector<int> ticks;
  for (int r = 1; r <= candidates->count(); ++r) {
    if (session().ticked(r)) ticks.push_back(r);
  }
  return ticks;
}

std::vector<std::string> PlainRun::deleteChecked(const std::vector<int>& untick, int threads,
                                                 const FileDeleter& deleter) {
  Session& session = parts->driver.session();
  session.completeDeleteList();
  ResultList& deleteList = session.deleteList();
  for (const int i : untick) {
    if (i < deleteList.rowCount()) deleteList.setChecked(i, false);
  }
  std::vector<std::string> ticked;
  for (int i = 0; i < deleteList.rowCount(); ++i) {
    if (deleteList.isChecked(i)) ticked.push_back(session.deleteTable().row(i + 1).FullPath);
  }
  lastDelete.clear();
  lastReport.clear();
  if (session.filesList().rowCount() == 0 || deleteList.rowCount() == 0) return ticked;
  session.config().limits.threads = threads;
  session.config().moveToTrash = deleter;
  parts->dialogs.answerYes(true);
  parts->dialogs.clearShown();
  EXPECT_TRUE(parts->driver.runDelete());
  session.config().moveToTrash = {};
  for (const DeletedFile& file : session.report().deletes) lastDelete.push_back(file.result);
  for (const ScriptedDialogs::Shown& shown : parts->dialogs.shown()) {
    if (shown.kind == ScriptedDialogs::Kind::Information) lastReport = shown.text;
  }
  return ticked;
}

std::vector<std::string> PlainRun::candidatePaths() const {
  std::vector<std::string> paths;
  for (int k = 1; k <= candidates->count(); ++k) paths.push_back(candidates->row(k).FullPath);
  return paths;
}

std::vector<NamedDeleter> DeletersUnderTest() {
  return {{"unlink", [](const std::string& path, const FileIdentity& id,
                        const FolderIdentity& folder, FileIdentity* after,
                        int* error) { return DeleteIfUnchanged(path, id, after, folder, error); }},
          {"trash", [](const std::string& path, const FileIdentity& id,
                       const FolderIdentity& folder, FileIdentity* after, int* error) {
             return MoveToTrashIfUnchanged(path, id, folder, after, error);
           }}};
}

std::map<std::string, std::string> ListTree(const std::string& root) {
  std::map<std::string, std::string> out;
  const int fd = ::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + root);
  ListFolder(fd, root, out);
  ::close(fd);
  return out;
}

std::string ReadAnyPath(const std::string& path) {
  const int fd = OpenPath(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string bytes = ReadDescriptor(fd);
  ::close(fd);
  return bytes;
}

std::string MakeDeepFolder(const std::string& root, const std::string& name, int levels,
                           const std::vector<std::pair<std::string, std::string>>& files) {
  int dir = ::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  std::string path = root;
  for (int i = 0; i < levels && dir >= 0; ++i) {
    if (::mkdirat(dir, name.c_str(), 0755) != 0 && errno != EEXIST) break;
    const int next = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ::close(dir);
    dir = next;
    path += "/" + name;
  }
  if (dir < 0) throw std::runtime_error("cannot nest folders below " + root);
  for (const auto& [file, content] : files) {
    const int fd = ::openat(dir, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, content.data(), content.size()) ==
                                        static_cast<ssize_t>(content.size());
    if (fd >= 0) ::close(fd);
    if (!written) throw std::runtime_error("cannot write " + file + " below " + root);
  }
  ::close(dir);
  return path;
}

void BuildRandomTree(const TempTree& tree, std::mt19937& rng) {
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  const std::vector<std::string> folders = {"", "a/", "a/b/", "c/", ".hidden/"};
  for (const std::string& f : folders) {
    if (!f.empty()) ::chmod(tree.mkdir(f).c_str(), 0755);
  }
  ::chmod(tree.path("a").c_str(), 0755);
  std::vector<std::string> pool;   // contents written so far
  std::vector<std::string> files;  // paths written so far
  int large = 0;
  const auto fresh = [&] {
    std::size_t size = 1 + pick(64);
    const std::size_t kind = pick(10);
    if (kind < 3) size = 100 + pick(200);
    if (kind == 9 && large < 3) {
      ++large;
      size = pick(2) == 0 ? 65535 + pick(3) : 70000 + pick(70000);
    }
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>('a' + pick(3));  // few letters: many near-equal blocks
    return s;
  };
  const auto write = [&](const std::string& name, const std::string& content, mode_t mode) {
    const std::string path = tree.write(folders[pick(folders.size())] + name, content);
    ::chmod(path.c_str(), mode);
    pool.push_back(content);
    if (mode != 0) files.push_back(path);
  };

  const int entries = 15 + static_cast<int>(pick(20));
  for (int i = 0; i < entries; ++i) {
    const std::string name = "f" + std::to_string(i);
    const std::size_t kind = pick(100);
    if (pool.empty() || kind < 20) {
      write(name, fresh(), 0644);
    } else if (kind < 45) {
      write(name, pool[pick(pool.size())], 0644);
    } else if (kind < 60) {
      std::string near = pool[pick(pool.size())];
      if (!near.empty()) near[pick(near.size())] ^= 0x20;
      write(name, near, 0644);
    } else if (kind < 68) {
      write(name, "", 0644);
    } else if (kind < 76 && !files.empty()) {
      const std::string to = tree.path(folders[pick(folders.size())] + name);
      if (::link(files[pick(files.size())].c_str(), to.c_str()) == 0) files.push_back(to);
    } else if (kind < 84 && !files.empty()) {
      const bool toFolder = pick(2) == 0;
      const std::string target =
          toFolder ? tree.path(folders[pick(folders.size())]) : files[pick(files.size())];
      tree.symlink(target, folders[pick(folders.size())] + name);
    } else if (kind < 92) {
      write(name, pool[pick(pool.size())], 0);
    } else {
      const std::string folder = "locked" + std::to_string(i);
      tree.write(folder + "/copy", pool[pick(pool.size())]);
      ::chmod(tree.path(folder).c_str(), 0);
    }
  }
}

void EditKeepingTimes(const std::string& path, const std::string& content) {
  struct stat before {};
  ASSERT_EQ(::lstat(path.c_str(), &before), 0);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, content.data(), content.size(), 0), static_cast<ssize_t>(content.size()));
  ::close(fd);
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}
