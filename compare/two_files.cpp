#include "compare/two_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

#include "core/path_at.h"

namespace {

std::atomic<std::uint64_t> g_bytesRead{0};

// Closes its descriptor when it goes, on every way out (StopRun included).
class FileDescriptor final {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Opens read-only. O_NONBLOCK keeps a path swapped for a FIFO since the stat
// from blocking in open(); it has no effect on reads of a regular file.
int OpenForReading(const std::string& path) {
  return OpenPath(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

// Fills `size` bytes unless the file ends first; returns the bytes read, or
// -1 on a read error. Fewer than `size` bytes means the file has ended.
ssize_t ReadBlock(int fd, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, buffer + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  g_bytesRead.fetch_add(done, std::memory_order_relaxed);
  return static_cast<ssize_t>(done);
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The opened descriptor still names the regular file that stat() saw, unchanged
// since: a write anywhere in it moves its modification and change times.
bool StillTheFileSeen(int fd, const struct stat& seen) {
  struct stat now {};
  return ::fstat(fd, &now) == 0 && S_ISREG(now.st_mode) && now.st_dev == seen.st_dev &&
         now.st_ino == seen.st_ino && now.st_size == seen.st_size &&
         SameTime(now.st_mtim, seen.st_mtim) && SameTime(now.st_ctim, seen.st_ctim);
}

}  // namespace

CompareVerdict CompareFiles(const std::string& first, const std::string& second,
                            const std::function<void()>& betweenBlocks) {
  // Links are followed: only regular files reach the check, and a link to a
  // file is compared as that file (the same-inode test below catches a file
  // that meets itself).
  struct stat firstSeen {};
  struct stat secondSeen {};
  if (StatPath(first, firstSeen) != 0 || !S_ISREG(firstSeen.st_mode)) {
    return CompareVerdict::Missing;
  }
  if (StatPath(second, secondSeen) != 0 || !S_ISREG(secondSeen.st_mode)) {
    return CompareVerdict::Missing;
  }
  if (firstSeen.st_dev == secondSeen.st_dev && firstSeen.st_ino == secondSeen.st_ino) {
    return CompareVerdict::SameFile;
  }
  if (firstSeen.st_size != secondSeen.st_size) return CompareVerdict::SizesDiffer;

  const FileDescriptor a(OpenForReading(first));
  if (!a.valid()) return CompareVerdict::Unreadable;
  const FileDescriptor b(OpenForReading(second));
  if (!b.valid()) return CompareVerdict::Unreadable;
  if (!StillTheFileSeen(a.get(), firstSeen) || !StillTheFileSeen(b.get(), secondSeen)) {
    return CompareVerdict::Changed;
  }
  ::posix_fadvise(a.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  ::posix_fadvise(b.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  // A small file needs no full block; one byte more than its size lets the
  // first read see the end (or a file that grew).
  const auto expected = static_cast<std::uint64_t>(firstSeen.st_size);
  const std::size_t blockSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(kCompareBlockSize, expected + 1));
  const auto bufferA = std::make_unique_for_overwrite<char[]>(blockSize);
  const auto bufferB = std::make_unique_for_overwrite<char[]>(blockSize);

  std::uint64_t total = 0;
  for (bool firstBlock = true;; firstBlock = false) {
    if (!firstBlock && betweenBlocks) betweenBlocks();
    const ssize_t na = ReadBlock(a.get(), bufferA.get(), blockSize);
    if (na < 0) return CompareVerdict::Unreadable;
    const ssize_t nb = ReadBlock(b.get(), bufferB.get(), blockSize);
    if (nb < 0) return CompareVerdict::Unreadable;
    if (na != nb) return CompareVerdict::Changed;
    total += static_cast<std::uint64_t>(na);
    if (total > expected) return CompareVerdict::Changed;  // grew since the stat
    if (std::memcmp(bufferA.get(), bufferB.get(), static_cast<std::size_t>(na)) != 0) {
      return CompareVerdict::Different;
    }
    if (static_cast<std::size_t>(na) < blockSize) break;  // both files have ended
  }
  // Both ended together, but short of the size seen: truncated meanwhile.
  if (total != expected) return CompareVerdict::Changed;
  // A block already compared may have been rewritten while later ones were read.
  if (!StillTheFileSeen(a.get(), firstSeen) || !StillTheFileSeen(b.get(), secondSeen)) {
    return CompareVerdict::Changed;
  }
  return CompareVerdict::Identical;
}

bool CompareTwoFiles(const std::string& first, const std::string& second) {
  return CompareFiles(first, second) == CompareVerdict::Identical;
}

std::uint64_t CompareBytesRead() {
  return g_bytesRead.load(std::memory_order_relaxed);
}

void CountCompareBytesRead(std::uint64_t bytes) {
  g_bytesRead.fetch_add(bytes, std::memory_order_relaxed);
}
