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
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/descriptors.h"
#include "core/path_at.h"
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
    if (fd < 0) return;
    dir_ = ::fdopendir(fd);
    if (dir_ == nullptr) ::close(fd);
  }
  ~Listing() {
    if (dir_ != nullptr) ::closedir(dir_);
  }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;

  bool open() const { return dir_ != nullptr; }
  int fd() const { return ::dirfd(dir_); }
  // The next name other than "." and ".."; nullptr at the end.
  const char* next() {
    while (const dirent* found = ::readdir(dir_)) {
      const char* name = found->d_name;
      if (name[0] != '.' || (name[1] != '\0' && (name[1] != '.' || name[2] != '\0'))) return name;
    }
    return nullptr;
  }

 private:
  DIR* dir_ = nullptr;
};

struct DirKey {
  std::uint64_t dev;
  std::uint64_t ino;
  bool operator==(const DirKey&) const = default;
};

struct DirKeyHash {
  std::size_t operator()(const DirKey& k) const noexcept {
    return static_cast<std::size_t>(k.ino * 0x9E3779B97F4A7C15ULL ^ k.dev);
  }
};

// How many characters of a listed folder's path its children keep before
// their '/': the root "/" joins as "/name"; every other folder, trailing '/'
// or not, joins as folder + "/" + name.
std::size_t PrefixLength(const std::string& folder) {
  return folder == "/" ? 0 : folder.size();
}

// The entry for `name`, found in the open folder `fd` whose path is `folder`.
ScanEntry ReadEntry(int fd, const std::string& folder, std::size_t prefixLength, const char* name) {
  const std::size_t nameLength = std::strlen(name);
  ScanEntry entry;
  entry.Path.reserve(prefixLength + 1 + nameLength);
  entry.Path.append(folder, 0, prefixLength).push_back('/');
  entry.Path.append(name, nameLength);

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

// One walk. The calling thread (the walker) is the only one that touches the
// table and the observer. It takes the queued directories in order. With
// helpers, it offers the next ones to them, each with a copy of its path (so
// they never read the table); a directory no helper has taken yet it lists
// itself, and for one a helper has taken it adds what the helper read, as it
// arrives.
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
    rootPrefix_ = PrefixLength(root) + 1;
    if (!listHere(root)) return false;
    for (;;) {
      offer();
      if (ahead_.empty()) {  // no helpers: the queue itself
        if (queue_.empty()) return true;
        const int slot = queue_.front();
        queue_.pop_front();
        ScanEntry& next = table_.row(slot);
        next.Walked = 1;
        // A copy, so the path stays valid whatever appending does to storage.
        if (!listHere(std::string(next.Path))) return false;
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
      if (!(mine ? listHere(job->folder) : addRead(*job))) return false;
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
    DirKey key{};
    bool pseudo = false;
    std::vector<ScanEntry> ready;  // read, not yet taken by the walker
    bool done = false;             // no more entries will come
    bool taken = false;            // the walker is on this job
    bool dropped = false;          // the walker wants none of its entries
    std::exception_ptr error;
  };

  // Entries read ahead, summed over jobs, beyond which a helper waits (the
  // job the walker is on may hold as many again); the most directories
  // offered at once; entries a helper hands over at once.
  static constexpr std::size_t kMaxBuffered = 16384;
  static constexpr std::size_t kMaxAhead = 256;
  static constexpr std::size_t kBatch = 256;

  // The walker's own listing of `folder`: each entry is read just before it
  // is added. False when the cap is reached.
  bool listHere(const std::string& folder) {
    Listing listing(folder, nullptr);
    if (!listing.open()) return true;  // unreadable or vanished: adds nothing

    struct stat self {};
    if (::fstat(listing.fd(), &self) != 0) return true;
    if (!takeUp({static_cast<std::uint64_t>(self.st_dev), static_cast<std::uint64_t>(self.st_ino)},
                pseudo_.holds(listing.fd(), self.st_dev)))
      return true;

    const std::size_t prefixLength = PrefixLength(folder);
    while (const char* name = listing.next()) {
      if (!filter_.empty() && excluded(folder.substr(0, prefixLength) + "/" + name)) continue;
      if (!room()) return false;
      add(ReadEntry(listing.fd(), folder, prefixLength, name));
    }
    enqueueFound();
    return true;
  }

  // Adds the entries a helper reads for `job`, the walker's current one.
  bool addRead(Job& job) {
    std::unique_lock lock(mutex_);
    walkerWake_.wait(lock, [&] { return job.opened || job.done; });
    if (!job.opened || !takeUp(job.key, job.pseudo)) {
      const std::exception_ptr error = job.opened ? nullptr : job.error;
      job.dropped = true;
      buffered_ -= job.ready.size();
      job.ready.clear();
      popFront();
      if (error) std::rethrow_exception(error);
      return true;
    }
    std::vector<ScanEntry> batch;
    for (;;) {
      walkerWake_.wait(lock, [&] { return !job.ready.empty() || job.done; });
      if (job.ready.empty()) break;
      batch.swap(job.ready);
      buffered_ -= batch.size();
      lock.unlock();
      helpersWake_.notify_all();
      for (ScanEntry& entry : batch) {
        if (!filter_.empty() && excluded(entry.Path)) continue;
        if (!room()) return false;
        add(std::move(entry));
      }
      batch.clear();
      lock.lock();
    }
    const std::exception_ptr error = job.error;
    popFront();
    lock.unlock();
    if (error) std::rethrow_exception(error);  // after the entries read before it
    enqueueFound();
    return true;
  }

  // Records a directory about to be listed; false when it is not to be
  // (listed before in this walk, or a pseudo file system).
  bool takeUp(const DirKey& key, bool pseudo) { return listed_.insert(key).second && !pseudo; }

  // Whether the filter leaves out the entry at `path` (below the current root).
  bool excluded(const std::string& path) const {
    return path.size() > rootPrefix_ &&
           filter_.excludes(std::string_view(path).substr(rootPrefix_));
  }

  // Before each new entry: the observer's checkpoint, then whether the table
  // has room for it.
  bool room() {
    observer_.checkpoint();
    return table_.size() + 1 < table_.capacity();
  }

  void add(ScanEntry&& entry) {
    table_.append(std::move(entry));  // room() made room for it
    const ScanEntry& added = table_.row(table_.size());
    if (added.IsDirectory == 0) return;
    observer_.lookIn(added.Path.substr(added.Path.rfind('/') + 1));
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
    while (ahead_.size() + jobs.size() < kMaxAhead && jobs.size() < queue_.size()) {
      auto job = std::make_shared<Job>();
      job->slot = queue_[jobs.size()];
      job->folder = table_.row(job->slot).Path;
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
      std::vector<ScanEntry> batch;
      if (listing.open() && ::fstat(listing.fd(), &self) == 0) {
        const bool pseudo = pseudo_.holds(listing.fd(), self.st_dev);
        {
          const std::lock_guard lock(mutex_);
          job.opened = true;
          job.key = {static_cast<std::uint64_t>(self.st_dev),
                     static_cast<std::uint64_t>(self.st_ino)};
          job.pseudo = pseudo;
        }
        walkerWake_.notify_one();
        if (pseudo) return finish(job, nullptr);
        const std::size_t prefixLength = PrefixLength(job.folder);
        batch.reserve(kBatch);
        while (const char* name = listing.next()) {
          batch.push_back(ReadEntry(listing.fd(), job.folder, prefixLength, name));
          if (batch.size() == kBatch && !deliver(job, batch, false)) return;
        }
        deliver(job, batch, true);
        return;
      }
      finish(job, nullptr);
    } catch (const Abandoned&) {
      finish(job, nullptr);
    } catch (...) {
      finish(job, std::current_exception());
    }
  }

  // Hands a batch to the walker. Unless it is the last, then waits while the
  // buffer is full. False when the job or the walk has ended.
  bool deliver(Job& job, std::vector<ScanEntry>& batch, bool last) {
    std::unique_lock lock(mutex_);
    if (!job.dropped && !stop_ && !batch.empty()) {
      buffered_ += batch.size();
      if (job.ready.empty()) {
        job.ready.swap(batch);
      } else {
        job.ready.insert(job.ready.end(), std::make_move_iterator(batch.begin()),
                         std::make_move_iterator(batch.end()));
      }
      batch.clear();
    }
    job.done = last;
    walkerWake_.notify_one();
    if (last) return true;
    // Once the walker is on this job only its own entries count: the others
    // cannot be added before it ends.
    helpersWake_.wait(lock, [&] {
      return stop_ || job.dropped || (job.taken ? job.ready.size() : buffered_) < kMaxBuffered;
    });
    if (stop_ || job.dropped) return false;
    lock.unlock();
    if (batch.capacity() < kBatch) batch.reserve(kBatch);
    return true;
  }

  void finish(Job& job, std::exception_ptr error) {
    {
      const std::lock_guard lock(mutex_);
      job.error = std::move(error);
      job.done = true;
    }
    walkerWake_.notify_one();
  }

  ScanTable& table_;
  WalkObserver& observer_;
  const WalkFilter& filter_;
  std::size_t rootPrefix_ = 0;  // characters of an entry's path before its relative part
  const PseudoFileSystems pseudo_;
  // The walker's own: directories listed, directories found in the folder
  // being added, directories queued and not offered yet (slots, in order).
  std::unordered_set<DirKey, DirKeyHash> listed_;
  std::vector<int> found_;
  std::deque<int> queue_;

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

int DefaultWalkThreads() {
  return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

bool WalkFilter::excludes(std::string_view relative) const {
  const std::size_t slash = relative.rfind('/');
  const std::string path(relative);
  const std::string name(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
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
  for (const std::string& root : roots) {
    struct stat st {};
    if (StatPath(root, st) != 0 || !S_ISDIR(st.st_mode)) return false;
  }

  table.clear();
  try {
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
