#include "reliability/reliability_helpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <stdexcept>

#include "core/path_at.h"
#include "group/grouping.h"
#include "lists/delete_list.h"
#include "lists/file_actions.h"
#include "lists/result_list.h"
#include "scan/walk.h"

namespace {

struct QuietWalk final : WalkObserver {};

struct QuietGrouping final : GroupingSink {
  void status(const std::string&) override {}
  void progress(int) override {}
  void activityLabel(const std::string&) override {}
  void beginFill() override {}
  void addRow(CandidateListRow) override {}
  void endFill() override {}
  void showFilesPage() override {}
  void unlockRunControls() override {}
};

struct NoIcons final : IconIndexer {
  int FileTypeIconIndex(const std::string&) override { return 0; }
};

// Keeps the ticks, and the identities the check read the copies under in
// the rows, as the window does.
struct TickRecorder final : CheckSink {
  explicit TickRecorder(CandidateTable& table) : candidates(table) {}
  CandidateTable& candidates;
  std::vector<int> ticks;
  void untickAllFiles() override { ticks.clear(); }
  void tickRow(int row) override { ticks.push_back(row); }
  void progress(int) override {}
  void filesRead(const std::vector<RowIdentity>& rows) override {
    for (const RowIdentity& r : rows) candidates.row(r.row).Identity = r.identity;
  }
};

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

PlainRun::PlainRun(int slots)
    : table(std::make_unique<ScanTable>(slots)),
      files(std::make_unique<FileTable>(slots)),
      candidates(std::make_unique<CandidateTable>(slots)) {}

bool PlainRun::scan(const std::string& root) {
  QuietWalk walk;
  return scan(root, walk);
}

bool PlainRun::scan(const std::string& root, WalkObserver& observer) {
  if (!WalkTree(root, *table, observer)) return false;
  std::atomic<bool> filled{false};
  NoIcons icons;
  QuietGrouping sink;
  RunGrouping(
      {*table, *files, *candidates, filled}, icons, sink, [] {}, nullptr);
  return true;
}

std::vector<int> PlainRun::check(CheckMode mode, const std::function<void()>& checkpoint,
                                 const EngineLimits& limits) {
  TickRecorder sink(*candidates);
  const int rows = candidates->count();
  RunCheck({static_cast<int>(mode), rows}, *candidates, sink, checkpoint, limits);
  for (int r = 1; r <= rows; ++r) candidates->row(r).Checked = 0;
  for (const int r : sink.ticks) candidates->row(r).Checked = 1;
  std::vector<int> ticks = sink.ticks;
  std::sort(ticks.begin(), ticks.end());
  return ticks;
}

std::vector<std::string> PlainRun::deleteChecked(const std::vector<int>& untick, int threads) {
  ResultList filesList;
  ResultList deleteList;
  filesList.addColumn("Path");
  deleteList.addColumn("Path");
  for (int k = 1; k <= candidates->count(); ++k) {
    const CandidateRow& c = candidates->row(k);
    AddListRow(filesList, filesList, 0, c.FileName, c.Size, c.FullPath);
    filesList.setChecked(filesList.rowCount() - 1, c.Checked == 1);
  }
  auto deleteTable = std::make_unique<DeleteTable>(candidates->capacity());
  NoIcons icons;
  int expected = 0;
  RebuildDeleteList(*candidates, *deleteTable, deleteList, filesList, icons, expected);
  for (const int i : untick) {
    if (i < deleteList.rowCount()) deleteList.setChecked(i, false);
  }
  std::vector<std::string> ticked;
  for (int i = 0; i < deleteList.rowCount(); ++i) {
    if (deleteList.isChecked(i)) ticked.push_back(deleteTable->row(i + 1).FullPath);
  }
  DeletePassOptions options;
  options.limits.threads = threads;
  lastDelete = DeleteCheckedWalk(*candidates, *deleteTable, filesList, deleteList, {}, options);
  return ticked;
}

std::vector<std::string> PlainRun::candidatePaths() const {
  std::vector<std::string> paths;
  for (int k = 1; k <= candidates->count(); ++k) paths.push_back(candidates->row(k).FullPath);
  return paths;
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
