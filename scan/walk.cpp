#include "scan/walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <exception>
#include <unordered_set>
#include <utility>

#include "core/descriptors.h"
#include "core/path_at.h"
#include "scan/pseudo_file_systems.h"

namespace {

// Closes the listing however the walk leaves the scope (end, cap, StopRun, error).
class Listing {
 public:
  explicit Listing(const std::string& folder) {
    // A shortage of descriptors passes; a folder is never left out for it.
    const int fd = OpenDespiteShortage(
        [&] { return OpenPath(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }, nullptr, nullptr);
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
  const dirent* next() { return ::readdir(dir_); }

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

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Lists one folder into the table. Returns false when the cap is reached.
// `listed` holds every directory listed so far in this walk; a folder already
// in it (reached again through a link) adds nothing, and so does a folder of
// a pseudo file system.
bool ListFolder(const std::string& folder, ScanTable& table, WalkObserver& observer,
                std::unordered_set<DirKey, DirKeyHash>& listed, const PseudoFileSystems& pseudo) {
  Listing listing(folder);
  if (!listing.open()) return true;  // unreadable or vanished: adds nothing

  struct stat self {};
  if (::fstat(listing.fd(), &self) != 0) return true;
  const DirKey key{static_cast<std::uint64_t>(self.st_dev),
                   static_cast<std::uint64_t>(self.st_ino)};
  if (!listed.insert(key).second) return true;
  if (pseudo.holds(listing.fd(), self.st_dev)) return true;

  // The root "/" joins as "/name"; every other folder, trailing '/' or not,
  // joins as folder + "/" + name.
  const std::size_t prefixLength = folder == "/" ? 0 : folder.size();
  const int fd = listing.fd();

  while (const dirent* found = listing.next()) {
    const char* name = found->d_name;
    if (IsDotOrDotDot(name)) continue;

    observer.checkpoint();
    if (table.size() + 1 >= table.capacity()) return false;

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

    const bool isDirectory = entry.IsDirectory != 0;
    table.append(std::move(entry));
    if (isDirectory) observer.lookIn(std::string(name, nameLength));
  }
  return true;
}

}  // namespace

bool WalkTree(const std::string& root, ScanTable& table, WalkObserver& observer) {
  struct stat st {};
  if (StatPath(root, st) != 0 || !S_ISDIR(st.st_mode)) return false;

  table.clear();
  try {
    std::unordered_set<DirKey, DirKeyHash> listed;
    const PseudoFileSystems pseudo;
    if (!ListFolder(root, table, observer, listed, pseudo)) return false;
    // Directories are listed in the order they were added. Every entry before
    // the cursor is walked already, so a forward scan finds the next one.
    for (int cursor = 1; cursor <= table.size(); ++cursor) {
      ScanEntry& next = table.row(cursor);
      if (next.Walked != 0) continue;
      next.Walked = 1;
      // A copy, so the path stays valid whatever appending does to storage.
      const std::string folder = next.Path;
      if (!ListFolder(folder, table, observer, listed, pseudo)) return false;
    }
  } catch (const std::exception&) {
    // Memory exhausted or an observer's error: a failed walk, entries kept.
    // StopRun is no std::exception and passes through.
    return false;
  }
  return true;
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
