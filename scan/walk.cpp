// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "scan/walk.h"

#include <fnmatch.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/descriptors.h"
#include "core/path_at.h"
#include "core/paths.h"
#include "core/trash_folders.h"
#include "scan/pseudo_file_systems.h"

namespace {

// Closes the listing however the walk leaves the scope (end, cap, StopRun, error).
class Listing {
 public:
  // `checkpoint` runs while the open waits for a descriptor (it may throw).
  Listing(const std::string& folder, const std::function<void()>& checkpoint) {
    // A shortage of descriptors passes; a folder is never left out for it.
    const int fd = OpenDespiteShortage(
        [&] { return OpenPath(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }, nullptr, checkpoint);
    if (fd < 0) {
      error_ = errno != 0 ? errno : EIO;
      return;
    }
    dir_ = ::fdopendir(fd);
    if (dir_ == nullptr) {
      error_ = errno != 0 ? errno : EIO;
      ::close(fd);
    }
  }
  ~Listing() {
    if (dir_ != nullptr) ::closedir(dir_);
  }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;

  bool open() const { return dir_ != nullptr; }
  int fd() const { return ::dirfd(dir_); }
  // The errno of an open or a read that failed; 0 while none has.
  int error() const { return error_; }
  // The next name other than "." and ".."; nullptr at the end or at an error.
  const char* next() {
    for (;;) {
      errno = 0;
      const dirent* found = ::readdir(dir_);
      if (found == nullptr) {
        error_ = errno;
        return nullptr;
      }
      const char* name = found->d_name;
      if (name[0] != '.' || (name[1] != '\0' && (name[1] != '.' || name[2] != '\0'))) return name;
    }
  }

 private:
  DIR* dir_ = nullptr;
  int error_ = 0;
};

struct FolderHash {
  std::size_t operator()(const FolderIdentity& k) const noexcept {
    return static_cast<std::size_t>(k.Ino * 0x9E3779B97F4A7C15ULL ^ k.Dev);
  }
};

FolderIdentity FolderOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// The entry for `name`, found in the open folder `fd` (its name and folder
// are the table's to record).
ScanEntry ReadEntry(int fd, const char* name) {
  ScanEntry entry;
  struct stat own {};
  if (::fstatat(fd, name, &own, AT_SYMLINK_NOFOLLOW) == 0) {
    entry.IsRegular = S_ISREG(own.st_mode) ? 1 : 0;
    // A link is followed for the directory test, size and time; a dangling
    // link keeps its own values and is not a directory.
    struct stat target {};
    const bool isLink = S_ISLNK(own.st_mode);
    const bool followed = !isLink || ::fstatat(fd, name, &target, 0) == 0;
    const struct stat& seen = isLink && followed ? target : own;
    entry.IsDirectory = followed && S_ISDIR(seen.st_mode) ? 1 : 0;
    entry.Size = static_cast<std::int64_t>(seen.st_size);
    entry.Time = PackDosTime(seen.st_mtim.tv_sec);
    entry.Identity = IdentityOf(entry.IsDirectory ? seen : own);
  }
  entry.Walked = entry.IsDirectory ? 0 : 1;
  return entry;
}

// Thrown inside a helper that waits for a descriptor when the walk ends.
struct Abandoned {};

// Entries a helper read, their names side by side in one buffer (an entry's
// NameAt is the offset there until the walker adds it).
struct ReadBatch {
  std::vector<ScanEntry> entries;
  std::string names;

  bool empty() const { return entries.empty(); }
  std::size_t size() const { return entries.size(); }
  void push(ScanEntry entry, const char* name) {
    const std::size_t length = std::strlen(name);
    entry.NameAt = names.size();
    entry.NameLength = length;  // readdir gives at most 255 bytes
    names.append(name, length);
    entries.push_back(entry);
  }
  std::string_view name(const ScanEntry& entry) const {
    return std::string_view(names).substr(entry.NameAt, static_cast<std::size_t>(entry.NameLength));
  }
  void append(ReadBatch& more) {
    const std::size_t shift = names.size();
    names += more.names;
    for (ScanEntry& entry : more.entries) {
      entry.NameAt += shift;
      entries.push_back(entry);
    }
    more.clear();
  }
  void clear() {
    entries.clear();
    names.clear();
  }
};

// One walk. The calling thread (the walker) is the only one that touches the
// table and the observer. It takes the queued directories in order, records
// each folder it lists (with the device and inode of the descriptor listed)
// and adds its entries as that folder's. With helpers, it offers the next
// ones to them, each with its path (so they never read the table); a
// directory no helper has taken yet it lists itself, and for one a helper has
// taken it adds what the helper read, as it arrives.
class Walk final {
 public:
  Walk(ScanTable& table, WalkObserver& observer, const WalkFilter& filter, int helpers)
      : table_(table), observer_(observer), filter_(filter) {
    // Threads the system refuses only make the walk slower.
    try {
      for (int i = 0; i < helpers; ++i) helpers_.emplace_back([this] { help(); });
    } catch (...) {
    }
  }
  ~Walk() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    stopping_.store(true, std::memory_order_relaxed);
    helpersWake_.notify_all();
    for (std::thread& helper : helpers_) helper.join();
  }
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;

  // Walks `root` to its end; false when the cap is reached. A later run
  // skips every directory an earlier one listed.
  bool run(const std::string& root) {
    rootPrefix_ = EntryPrefixLength(root) + 1;
    if (!listHere(root, 0)) return false;
    for (;;) {
      offer();
      if (ahead_.empty()) {  // no helpers: the queue itself
        if (queue_.empty()) return true;
        const int slot = queue_.front();
        queue_.pop_front();
        table_.row(slot).Walked = 1;
        if (!listHere(table_.path(slot), slot)) return false;
        continue;
      }
      const std::shared_ptr<Job> job = ahead_.front();
      bool mine = false;
      {
        const std::lock_guard lock(mutex_);
        mine = claimed_ == 0;
        if (mine) claimed_ = 1;  // helpers leave it alone
        job->taken = true;
      }
      helpersWake_.notify_all();  // its helper now waits for its own entries only
      table_.row(job->slot).Walked = 1;
      if (!(mine ? listHere(job->folder, job->slot) : addRead(*job))) return false;
      const std::lock_guard lock(mutex_);
      if (mine) popFront();
    }
  }

 private:
  // A directory offered to the helpers. Guarded by mutex_ once offered.
  struct Job {
    int slot = 0;
    std::string folder;
    bool opened = false;  // listing open, key known
    FolderIdentity key;
    bool pseudo = false;
    ReadBatch ready;       // read, not yet taken by the walker
    bool done = false;     // no more entries will come
    bool taken = false;    // the walker is on this job
    bool dropped = false;  // the walker wants none of its entries
    int failure = 0;       // errno of the open or read that failed
    std::exception_ptr error;
  };

  // Entries read ahead, summed over jobs, beyond which a helper waits (the
  // job the walker is on may hold as many again); the most directories
  // offered at once, and the most bytes of their paths (a deep tree's paths
  // are long); entries a helper hands over at once.
  static constexpr std::size_t kMaxBuffered = 16384;
  static constexpr std::size_t kMaxAhead = 256;
  static constexpr std::size_t kMaxAheadPathBytes = std::size_t{8} << 20;
  static constexpr std::size_t kBatch = 256;

  // The walker's own listing of `folder`, found at `slot` (0: a root): each
  // entry is read just before it is added. False when the cap is reached.
  bool listHere(const std::string& folder, int slot) {
    Listing listing(folder, nullptr);
    if (!listing.open()) {  // unreadable or vanished: adds nothing
      observer_.unlistable(folder, listing.error());
      return true;
    }

    struct stat self {};
    if (::fstat(listing.fd(), &self) != 0) {
      observer_.unlistable(folder, errno);
      return true;
    }
    if (!takeUp(FolderOf(self), pseudo_.holds(listing.fd(), self.st_dev))) return true;
    record(folder, slot, FolderOf(self));

    while (const char* name = listing.next()) {
      if (filter_.leavesOutName(name)) continue;
      if (!filter_.empty() && excluded(folder, name)) continue;
      if (!room()) return false;
      const ScanEntry entry = ReadEntry(listing.fd(), name);
      if (leftOut(entry, name)) continue;
      add(entry, name);
    }
    if (listing.error() != 0) observer_.unlistable(folder, listing.error());
    enqueueFound();
    return true;
  }

  // The folder whose entries come next: a root (slot 0) or the directory at `slot`.
  void record(const std::string& folder, int slot, const FolderIdentity& identity) {
    folder_ = static_cast<std::uint32_t>(slot == 0 ? table_.addRoot(folder, identity)
                                                   : table_.addFolder(slot, identity));
  }

  // Adds the entries a helper reads for `job`, the walker's current one.
  bool addRead(Job& job) {
    std::unique_lock lock(mutex_);
    walkerWake_.wait(lock, [&] { return job.opened || job.done; });
    if (!job.opened || !takeUp(job.key, job.pseudo)) {
      const std::exception_ptr error = job.opened ? nullptr : job.error;
      const int failure = job.opened ? 0 : job.failure;
      job.dropped = true;
      buffered_ -= job.ready.size();
      job.ready.clear();
      popFront();
      lock.unlock();
      if (error) std::rethrow_exception(error);
      if (failure != 0) observer_.unlistable(job.folder, failure);
      return true;
    }
    record(job.folder, job.slot, job.key);
    ReadBatch batch;
    for (;;) {
      walkerWake_.wait(lock, [&] { return !job.ready.empty() || job.done; });
      if (job.ready.empty()) break;
      std::swap(batch, job.ready);
      buffered_ -= batch.size();
      lock.unlock();
      helpersWake_.notify_all();
      for (const ScanEntry& entry : batch.entries) {
        const std::string_view name = batch.name(entry);
        if (!filter_.empty() && excluded(job.folder, name)) continue;
        if (!room()) return false;
        add(entry, name);
      }
      batch.clear();
      lock.lock();
    }
    const std::exception_ptr error = job.error;
    const int failure = job.failure;
    popFront();
    lock.unlock();
    if (error) std::rethrow_exception(error);  // after the entries read before it
    if (failure != 0) observer_.unlistable(job.folder, failure);
    enqueueFound();
    return true;
  }

  // Records a directory about to be listed; false when it is not to be
  // (listed before in this walk, or a pseudo file system).
  bool takeUp(const FolderIdentity& key, bool pseudo) {
    return listed_.insert(key).second && !pseudo;
  }

  // Whether the filter leaves out the entry `name` of `folder` (below the current root).
  bool excluded(const std::string& folder, std::string_view name) const {
    const std::string path = EntryPath(folder, name);
    return path.size() > rootPrefix_ &&
           filter_.excludes(std::string_view(path).substr(rootPrefix_));
  }

  // Whether the scope leaves out the folder `entry` (a Trash or version-control one).
  bool leftOut(const ScanEntry& entry, std::string_view name) const {
    return entry.IsDirectory != 0 &&
           filter_.leavesOutFolder(name, {entry.Identity.Dev, entry.Identity.Ino});
  }

  // Before each new entry: the observer's checkpoint, then whether the table
  // has room for it.
  bool room() {
    observer_.checkpoint();
    return table_.size() + 1 < table_.capacity();
  }

  void add(ScanEntry entry, std::string_view name) {
    entry.Folder = folder_;
    table_.append(entry, name);  // room() made room for it
    if (entry.IsDirectory == 0) return;
    observer_.lookIn(std::string(name));
    found_.push_back(table_.size());
  }

  // Queues the directories a folder held once all its entries are added.
  void enqueueFound() {
    queue_.insert(queue_.end(), found_.begin(), found_.end());
    found_.clear();
  }

  // Offers queued directories to the helpers, up to kMaxAhead at a time.
  void offer() {
    if (helpers_.empty() || queue_.empty() || ahead_.size() >= kMaxAhead) return;
    std::vector<std::shared_ptr<Job>> jobs;
    while (ahead_.size() + jobs.size() < kMaxAhead && jobs.size() < queue_.size() &&
           (aheadPathBytes_ < kMaxAheadPathBytes || (ahead_.empty() && jobs.empty()))) {
      auto job = std::make_shared<Job>();
      job->slot = queue_[jobs.size()];
      job->folder = table_.path(job->slot);
      aheadPathBytes_ += job->folder.size();
      jobs.push_back(std::move(job));
    }
    {
      const std::lock_guard lock(mutex_);
      ahead_.insert(ahead_.end(), jobs.begin(), jobs.end());
    }
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(jobs.size()));
    helpersWake_.notify_all();
  }

  // The walker is done with the first offered job (under the lock).
  void popFront() {
    aheadPathBytes_ -= ahead_.front()->folder.size();
    ahead_.pop_front();
    --claimed_;
    helpersWake_.notify_all();
  }

  void help() {
    for (;;) {
      std::shared_ptr<Job> job;
      {
        std::unique_lock lock(mutex_);
        helpersWake_.wait(
            lock, [&] { return stop_ || (claimed_ < ahead_.size() && buffered_ < kMaxBuffered); });
        if (stop_) return;
        job = ahead_[claimed_++];
      }
      read(*job);
    }
  }

  // A helper lists `job` into its buffer, a batch at a time.
  void read(Job& job) {
    try {
      Listing listing(job.folder, [this] {
        if (stopping_.load(std::memory_order_relaxed)) throw Abandoned{};
      });
      struct stat self {};
      ReadBatch batch;
      if (!listing.open()) return finish(job, nullptr, listing.error());
      if (::fstat(listing.fd(), &self) != 0) return finish(job, nullptr, errno);
      const bool pseudo = pseudo_.holds(listing.fd(), self.st_dev);
      {
        const std::lock_guard lock(mutex_);
        job.opened = true;
        job.key = FolderOf(self);
        job.pseudo = pseudo;
      }
      walkerWake_.notify_one();
      if (pseudo) return finish(job, nullptr);
      batch.entries.reserve(kBatch);
      while (const char* name = listing.next()) {
        if (filter_.leavesOutName(name)) continue;
        ScanEntry entry = ReadEntry(listing.fd(), name);
        if (leftOut(entry, name)) continue;
        batch.push(entry, name);
        if (batch.size() == kBatch && !deliver(job, batch, false)) return;
      }
      deliver(job, batch, true, listing.error());
    } catch (const Abandoned&) {
      finish(job, nullptr);
    } catch (...) {
      finish(job, std::current_exception());
    }
  }

  // Hands a batch to the walker. Unless it is the last, then waits while the
  // buffer is full. False when the job or the walk has ended. `failure` is
  // the errno of a read that ended the listing early.
  bool deliver(Job& job, ReadBatch& batch, bool last, int failure = 0) {
    std::unique_lock lock(mutex_);
    if (!job.dropped && !stop_ && !batch.empty()) {
      buffered_ += batch.size();
      if (job.ready.empty()) {
        std::swap(job.ready, batch);
      } else {
        job.ready.append(batch);
      }
      batch.clear();
    }
    job.done = last;
    if (last) job.failure = failure;
    walkerWake_.notify_one();
    if (last) return true;
    // Once the walker is on this job only its own entries count: the others
    // cannot be added before it ends.
    helpersWake_.wait(lock, [&] {
      return stop_ || job.dropped || (job.taken ? job.ready.size() : buffered_) < kMaxBuffered;
    });
    if (stop_ || job.dropped) return false;
    lock.unlock();
    if (batch.entries.capacity() < kBatch) batch.entries.reserve(kBatch);
    return true;
  }

  void finish(Job& job, std::exception_ptr error, int failure = 0) {
    {
      const std::lock_guard lock(mutex_);
      job.error = std::move(error);
      job.failure = failure;
      job.done = true;
    }
    walkerWake_.notify_one();
  }

  ScanTable& table_;
  WalkObserver& observer_;
  const WalkFilter& filter_;
  std::size_t rootPrefix_ = 0;  // characters of an entry's path before its relative part
  const PseudoFileSystems pseudo_;
  // The walker's own: directories listed, the folder record of the entries
  // being added, directories found in that folder, directories queued and
  // not offered yet (slots, in order), the offered folders' path bytes.
  std::unordered_set<FolderIdentity, FolderHash> listed_;
  std::uint32_t folder_ = 0;
  std::vector<int> found_;
  std::deque<int> queue_;
  std::size_t aheadPathBytes_ = 0;

  std::mutex mutex_;
  std::condition_variable walkerWake_;
  std::condition_variable helpersWake_;
  // Offered directories in queue order, before queue_; the first claimed_ of
  // them are taken (by a helper, or the walker itself). Only the walker adds
  // and removes jobs.
  std::deque<std::shared_ptr<Job>> ahead_;
  std::size_t claimed_ = 0;
  std::size_t buffered_ = 0;
  bool stop_ = false;
  std::atomic<bool> stopping_{false};  // stop_ for a helper that holds no lock
  std::vector<std::thread> helpers_;
};

}  // namespace

WalkFilter::WalkFilter(std::vector<std::string> globs, ScanScope scope)
    : globs_(std::move(globs)), scope_(scope) {
  struct stat st {};
  if (scope.trashFolders) return;
  if (const std::optional<HomeTrashPlace> home = HomeTrashPlaceNow();
      home && StatPath(home->path(), st) == 0 && S_ISDIR(st.st_mode))
    homeTrash_ = FolderOf(st);
}

bool WalkFilter::leavesOutFolder(std::string_view name, const FolderIdentity& identity) const {
  if (!scope_.vcsFolders && (name == ".git" || name == ".hg" || name == ".svn")) return true;
  if (scope_.trashFolders) return false;
  return IsTrashFolderName(name) || (homeTrash_.known() && identity == homeTrash_);
}

bool IsTrashFolderName(std::string_view name) {
  if (name == kSharedTrashName) return true;
  if (!name.starts_with(kOwnTrashPrefix) || name.size() == kOwnTrashPrefix.size()) return false;
  return std::all_of(name.begin() + kOwnTrashPrefix.size(), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

bool WalkFilter::excludes(std::string_view relative) const {
  const std::string path(relative);
  const std::string name(FileNameOf(relative));
  for (const std::string& glob : globs_) {
    const bool byPath = glob.find('/') != std::string::npos;
    if (::fnmatch(glob.c_str(), (byPath ? path : name).c_str(), 0) == 0) return true;
  }
  return false;
}

bool WalkTree(const std::string& root, ScanTable& table, WalkObserver& observer, int threads) {
  return WalkTrees({root}, table, observer, WalkFilter(), threads);
}

bool WalkTrees(const std::vector<std::string>& roots, ScanTable& table, WalkObserver& observer,
               const WalkFilter& filter, int threads) {
  try {
    for (const std::string& root : roots) {
      struct stat st {};
      const int failure = StatPath(root, st) != 0 ? (errno != 0 ? errno : ENOENT)
                          : S_ISDIR(st.st_mode)   ? 0
                                                  : ENOTDIR;
      if (failure != 0) {
        observer.unlistable(root, failure);
        return false;
      }
    }
    table.clear();
    // One thread lists every folder itself; more list ahead while the
    // calling thread only adds what they read.
    Walk walk(table, observer, filter, threads > 1 ? threads : 0);
    for (const std::string& root : roots) {
      if (!walk.run(root)) return false;
    }
    return true;
  } catch (const std::exception&) {
    // Memory exhausted or an observer's error: a failed walk, entries kept.
    // StopRun is no std::exception and passes through.
    return false;
  }
}

std::uint32_t PackDosTime(std::time_t time) {
  struct tm local {};
  if (::localtime_r(&time, &local) == nullptr) return 0;
  const int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;
  const std::uint32_t date = static_cast<std::uint32_t>(year - 1980) << 9 |
                             static_cast<std::uint32_t>(local.tm_mon + 1) << 5 |
                             static_cast<std::uint32_t>(local.tm_mday);
  const std::uint32_t clock = static_cast<std::uint32_t>(local.tm_hour) << 11 |
                              static_cast<std::uint32_t>(local.tm_min) << 5 |
                              static_cast<std::uint32_t>(local.tm_sec / 2);
  return date << 16 | clock;
}
