// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "compare/check_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>
#include <utility>

#include "core/descriptors.h"
#include "core/file_io.h"
#include "core/path_at.h"

namespace {

std::atomic<std::uint64_t> g_bytesRead{0};

// Opens read-only without following a final link; O_NONBLOCK keeps a path
// swapped for a FIFO from blocking. The descriptor is kept only if fstat()
// shows the file seen, before anything is read from it. *sparse tells
// whether the file has fewer blocks than its size needs (it has holes).
UniqueFd OpenSeenFile(const std::string& path, const RowIdentity& seen, bool* sparse) {
  UniqueFd fd(OpenPath(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
  if (!fd.valid()) return fd;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || IdentityOf(st) != seen.identity) {
    fd.reset();
    return fd;
  }
  *sparse = static_cast<std::uint64_t>(st.st_blocks) * 512 < static_cast<std::uint64_t>(st.st_size);
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  return fd;
}

// Reads up to `size` bytes at `offset`, stopping early only at the end of the
// file or at a read error, and counts what it read.
Transfer ReadAt(int fd, char* buffer, std::size_t size, std::uint64_t offset) {
  const Transfer got = PreadAll(fd, buffer, size, offset);
  CountCompareBytesRead(got.bytes);
  return got;
}

// A quick hash that only picks buckets (equal bytes are always confirmed by
// comparing them): four independent multiply-xor lanes over 8-byte words, so
// it runs at about the speed of a memory copy.
std::uint64_t BlockHash(std::string_view bytes) {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  std::uint64_t lane[4] = {1, 2, 3, 4};
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  const auto word = [](const char* at) {
    std::uint64_t w;
    std::memcpy(&w, at, sizeof w);
    return w;
  };
  const auto mix = [](std::uint64_t h, std::uint64_t w) {
    h = (h ^ w) * kMul;
    return h ^ (h >> 29);
  };
  for (; left >= 32; p += 32, left -= 32) {
    for (std::size_t i = 0; i < 4; ++i) lane[i] = mix(lane[i], word(p + 8 * i));
  }
  std::uint64_t tail = left;
  for (std::size_t i = 0; i < left; ++i)
    tail = (tail << 8 | static_cast<unsigned char>(p[i])) ^ (tail >> 56);
  std::uint64_t h = mix(lane[0], lane[1]) ^ mix(lane[2], lane[3]) * 31;
  return mix(h, tail ^ bytes.size());
}

struct Member {
  RowIdentity file;
  const std::string* path = nullptr;
  UniqueFd fd;
  bool sparse = false;  // has holes (told once opened)
  // What lseek last told: [spanStart, spanEnd) is a hole, or data.
  std::uint64_t spanStart = 0;
  std::uint64_t spanEnd = 0;
  bool spanHole = false;
};

// Indices into the members, ascending by row, that agree on the bytes before
// `offset`.
struct Group {
  std::vector<int> members;
  std::uint64_t offset = 0;
};

class Refiner final {
 public:
  Refiner(TickRule rule, const std::function<void()>& checkpoint, const EngineLimits& limits,
          std::vector<std::vector<int>>* classes = nullptr, std::vector<int>* copies = nullptr,
          const EngineProgress* progress = nullptr)
      : rule_(rule),
        checkpoint_(checkpoint),
        limits_(limits),
        classes_(classes),
        copies_(copies),
        progress_(progress) {}

  // `pathOf(i)` is the path of files[i]; it must outlive the run.
  template <class PathOf>
  std::vector<int> run(const std::vector<RowIdentity>& files, const PathOf& pathOf) {
    // Only files of one size can be identical: one group per size, each in
    // row order.
    std::vector<int> order(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return files[a].size() < files[b].size(); });
    members_.reserve(files.size());
    for (const RowIdentity& f : files) total_ += f.size();
    for (const int i : order) {
      members_.push_back(Member{files[static_cast<std::size_t>(i)], &pathOf(i), {}});
    }
    for (std::size_t start = 0; start < members_.size();) {
      std::size_t end = start + 1;
      while (end < members_.size() && members_[end].file.size() == members_[start].file.size())
        ++end;
      Group group;
      for (std::size_t i = start; i < end; ++i) group.members.push_back(static_cast<int>(i));
      keepIfUseful(std::move(group));
      // Depth first: a group's descendants are done before its siblings, so
      // only the members of one group of at most maxOpenFiles are ever open.
      while (!pending_.empty()) {
        Group next = std::move(pending_.back());
        pending_.pop_back();
        refine(next);
        tell();
      }
      start = end;
    }
    tell();
    std::sort(ticks_.begin(), ticks_.end());
    if (copies_) {
      std::sort(copies_->begin(), copies_->end());
      copies_->erase(std::unique(copies_->begin(), copies_->end()), copies_->end());
    }
    return std::move(ticks_);
  }

 private:
  const RowIdentity& file(int m) const { return members_[static_cast<std::size_t>(m)].file; }
  void close(int m) { members_[static_cast<std::size_t>(m)].fd.reset(); }
  // Member m leaves at `offset`: the rest of its bytes are no longer needed.
  void leave(int m, std::uint64_t offset) { settled_ += file(m).size() - offset; }
  void tell() {
    if (progress_ && *progress_) (*progress_)(settled_, total_);
  }

  // Opens a member's file. Short of descriptors, the engine first closes the
  // files it keeps open for later rounds (they are opened again, and checked
  // to be the files seen, when needed), then waits for other engines or
  // programs to close theirs. A file that cannot be opened for another reason
  // is reported unreadable; one that changed since it was seen is not.
  UniqueFd openMember(int m) {
    Member& member = members_[static_cast<std::size_t>(m)];
    UniqueFd fd;
    OpenDespiteShortage(
        [&] {
          fd = OpenSeenFile(*member.path, member.file, &member.sparse);
          return fd.valid() ? fd.get() : -1;
        },
        [&] {
          bool closed = false;
          for (Member& other : members_) {
            closed = closed || other.fd.valid();
            other.fd.reset();
          }
          return closed;
        },
        checkpoint_);
    if (!fd.valid() && errno != 0) unreadable(m, errno);
    return fd;
  }

  void unreadable(int m, int error) const {
    if (limits_.unreadable != nullptr) limits_.unreadable->unreadable(file(m).row, error);
  }

  // Whether member j of `rows` (a bucket in row order) can still be ticked or
  // be the copy that gets another row ticked.
  bool neighbourPair(const std::vector<int>& rows, std::size_t j, std::size_t k) const {
    return file(rows[j]).row + 1 == file(rows[k]).row && !file(rows[j]).sameFile(file(rows[k]));
  }

  // Drops the members of a bucket that can no longer affect a tick and
  // queues the rest. A later copy needs two distinct files in its bucket; an
  // earlier neighbour needs its neighbour row, another file, in its bucket.
  void keepIfUseful(Group group) {
    std::vector<int>& m = group.members;
    std::vector<int> kept;
    if (rule_ == TickRule::LaterCopy) {
      const bool twoFiles = std::any_of(m.begin(), m.end(),
                                        [&](int x) { return !file(x).sameFile(file(m.front())); });
      if (twoFiles) kept = m;
    } else {
      for (std::size_t j = 0; j < m.size(); ++j) {
        if ((j > 0 && neighbourPair(m, j - 1, j)) ||
            (j + 1 < m.size() && neighbourPair(m, j, j + 1))) {
          kept.push_back(m[j]);
        }
      }
    }
    if (kept.size() < 2) kept.clear();
    std::size_t k = 0;
    for (const int x : m) {
      if (k < kept.size() && kept[k] == x) {
        ++k;
      } else {
        close(x);
        leave(x, group.offset);
      }
    }
    if (!kept.empty()) pending_.push_back(Group{std::move(kept), group.offset});
  }

  // The rows a finished class ticks; the class itself too when classes are
  // wanted and it holds two different files.
  void tickClass(const std::vector<int>& m) {
    if (classes_ && std::any_of(m.begin(), m.end(),
                                [&](int x) { return !file(x).sameFile(file(m.front())); })) {
      std::vector<int>& rows = classes_->emplace_back();
      for (const int x : m) rows.push_back(file(x).row);
    }
    if (rule_ == TickRule::LaterCopy) {
      // Ticked when some earlier row is another file: always once two
      // distinct files came before, else when it is not the first one's file.
      bool twoSeen = false;
      for (std::size_t j = 1; j < m.size(); ++j) {
        const bool other = !file(m[j]).sameFile(file(m.front()));
        if (twoSeen || other) ticks_.push_back(file(m[j]).row);
        twoSeen = twoSeen || other;
      }
      if (copies_ && twoSeen) {
        for (const int x : m) copies_->push_back(file(x).row);
      }
    } else {
      for (std::size_t j = 0; j + 1 < m.size(); ++j) {
        if (!neighbourPair(m, j, j + 1)) continue;
        ticks_.push_back(file(m[j]).row);
        if (copies_) {
          copies_->push_back(file(m[j]).row);
          copies_->push_back(file(m[j + 1]).row);
        }
      }
    }
    for (const int x : m) close(x);
  }

  // How many bytes from `offset` on are a hole of member m (0: data there);
  // nothing when it cannot be told without opening the file. Asks lseek
  // only past what it told before, so a file costs two calls per extent.
  std::optional<std::uint64_t> holeAt(int m, std::uint64_t offset) {
    Member& member = members_[static_cast<std::size_t>(m)];
    if (!member.sparse) return 0;
    if (offset < member.spanStart || offset >= member.spanEnd) {
      if (!member.fd.valid()) return std::nullopt;
      const std::uint64_t size = member.file.size();
      const off_t data = ::lseek(member.fd.get(), static_cast<off_t>(offset), SEEK_DATA);
      std::uint64_t end = size;
      bool hole = true;
      if (data < 0 && errno != ENXIO) {  // no answer: read every byte
        member.sparse = false;
        return 0;
      }
      if (data >= 0 && static_cast<std::uint64_t>(data) <= offset) {
        const off_t after = ::lseek(member.fd.get(), static_cast<off_t>(offset), SEEK_HOLE);
        hole = false;
        if (after > 0) end = std::min(size, static_cast<std::uint64_t>(after));
      } else if (data >= 0) {
        end = std::min(size, static_cast<std::uint64_t>(data));
      }
      if (end <= offset) {  // a file that changed: read it, the end check tells
        member.sparse = false;
        return 0;
      }
      member.spanStart = offset;
      member.spanEnd = end;
      member.spanHole = hole;
    }
    return member.spanHole ? member.spanEnd - offset : 0;
  }

  // Where a round of `group` starts: past the bytes that are a hole in every
  // member (zeros in all, so equal; counted as settled, never read). Only
  // files known to have holes are asked; the last block is always read.
  std::uint64_t pastCommonHoles(const Group& group) {
    const std::uint64_t size = file(group.members.front()).size();
    std::uint64_t skip = size - group.offset;
    for (const int m : group.members) {
      if (!members_[static_cast<std::size_t>(m)].sparse) return group.offset;
      const std::optional<std::uint64_t> hole = holeAt(m, group.offset);
      if (!hole || *hole == 0) return group.offset;
      skip = std::min(skip, *hole);
    }
    settled_ += skip * group.members.size();
    return group.offset + skip;
  }

  // One round: reads the next block of every member and splits the group by
  // its bytes. A member whose read fails or comes out at another length than
  // its size promises (the file changed) is identical to nothing and leaves.
  // The last round reads one byte beyond the size to see the end. A block
  // inside a hole of a member is zeros without a read.
  void refine(const Group& group) {
    const std::size_t n = group.members.size();
    const std::uint64_t size = file(group.members.front()).size();
    const std::size_t minBlock = std::max<std::size_t>(limits_.minBlock, 1);
    const std::size_t block =
        std::clamp(limits_.roundBytes / n, minBlock, std::max(limits_.maxBlock, minBlock));
    const std::uint64_t offset = pastCommonHoles(group);
    const std::uint64_t remaining = size - offset;
    const bool last = remaining <= block;
    const std::size_t expected = last ? static_cast<std::size_t>(remaining) : block;
    const std::size_t request = last ? expected + 1 : block;
    const bool keepOpen = n <= static_cast<std::size_t>(std::max(limits_.maxOpenFiles, 1));
    if (bufferSize_ < n * request) {
      buffer_.reset();
      buffer_ = std::make_unique_for_overwrite<char[]>(n * request);
      bufferSize_ = n * request;
    }

    std::vector<std::size_t> read;  // positions in group.members that read well
    read.reserve(n);
    for (std::size_t j = 0; j < n; ++j) {
      const int x = group.members[j];
      Member& member = members_[static_cast<std::size_t>(x)];
      checkpoint_();
      if (!member.fd.valid()) member.fd = openMember(x);
      const bool opened = member.fd.valid();
      char* into = buffer_.get() + j * request;
      const bool zeros = opened && !last && holeAt(x, offset).value_or(0) >= expected;
      if (zeros) std::memset(into, 0, expected);
      const Transfer got = zeros    ? Transfer{expected, 0}
                           : opened ? ReadAt(member.fd.get(), into, request, offset)
                                    : Transfer{};
      if (opened && got.error != 0) unreadable(x, got.error);
      // After the last block the file must still be as seen: a block read in
      // an earlier round may have been rewritten since.
      const bool whole = opened && got.error == 0 && got.bytes == expected;
      if (whole && (!last || DescriptorShows(member.fd.get(), member.file.identity))) {
        read.push_back(j);
      }
      if (!keepOpen || !whole) close(x);
      if (read.empty() || read.back() != j) leave(x, offset);
    }

    for (std::vector<std::size_t>& bucket : bucketsByBytes(read, request, expected)) {
      std::vector<int> m;
      m.reserve(bucket.size());
      for (const std::size_t j : bucket) m.push_back(group.members[j]);
      if (last) {
        for (const int x : m) leave(x, offset);
        tickClass(m);
      } else {
        settled_ += block * m.size();
        keepIfUseful(Group{std::move(m), offset + block});
      }
    }
  }

  // Splits positions (ascending) by the `length` bytes each has in the
  // buffer; every bucket stays ascending. Byte comparison with the bucket's
  // first member decides; a hash only narrows the candidates in larger groups.
  std::vector<std::vector<std::size_t>> bucketsByBytes(const std::vector<std::size_t>& positions,
                                                       std::size_t stride,
                                                       std::size_t length) const {
    const auto bytes = [&](std::size_t j) {
      return std::string_view(buffer_.get() + j * stride, length);
    };
    std::vector<std::vector<std::size_t>> buckets;
    const auto place = [&](std::size_t j, std::size_t firstBucket) {
      for (std::size_t b = firstBucket; b < buckets.size(); ++b) {
        if (bytes(buckets[b].front()) == bytes(j)) {
          buckets[b].push_back(j);
          return;
        }
      }
      buckets.push_back({j});
    };
    constexpr std::size_t kLinear = 8;
    if (positions.size() <= kLinear) {
      for (const std::size_t j : positions) place(j, 0);
      return buckets;
    }
    std::vector<std::pair<std::size_t, std::size_t>> hashed;  // (hash, position)
    hashed.reserve(positions.size());
    for (const std::size_t j : positions) {
      hashed.emplace_back(BlockHash(bytes(j)), j);
    }
    std::sort(hashed.begin(), hashed.end());
    for (std::size_t i = 0; i < hashed.size();) {
      const std::size_t firstBucket = buckets.size();
      std::size_t e = i;
      for (; e < hashed.size() && hashed[e].first == hashed[i].first; ++e) {
        place(hashed[e].second, firstBucket);
      }
      i = e;
    }
    return buckets;
  }

  TickRule rule_;
  const std::function<void()>& checkpoint_;
  EngineLimits limits_;
  std::vector<std::vector<int>>* classes_;
  std::vector<int>* copies_;
  const EngineProgress* progress_;
  std::vector<Member> members_;
  std::vector<Group> pending_;
  std::vector<int> ticks_;
  std::uint64_t settled_ = 0;  // bytes read or no longer needed
  std::uint64_t total_ = 0;
  std::unique_ptr<char[]> buffer_;
  std::size_t bufferSize_ = 0;
};

// The bounds with no more open files per engine than the process's limit
// allows all engines together.
EngineLimits WithinDescriptorLimit(EngineLimits limits) {
  limits.maxOpenFiles = DescriptorShare(limits.maxOpenFiles, limits.threads);
  return limits;
}

}  // namespace

std::optional<RowIdentity> StatCandidate(const std::string& path, int row) {
  const std::optional<FileIdentity> seen = RegularFileIdentity(path);
  if (!seen) return std::nullopt;
  return RowIdentity{row, *seen};
}

std::vector<int> TickedRows(const std::vector<RowIdentity>& files, TickRule rule,
                            const CandidateTable& table, const std::function<void()>& checkpoint,
                            const EngineLimits& limits, std::vector<int>* copies,
                            std::vector<std::vector<int>>* classes) {
  const std::function<void()> step = checkpoint ? checkpoint : [] {};
  Refiner refiner(rule, step, WithinDescriptorLimit(limits),
                  rule == TickRule::LaterCopy ? classes : nullptr, copies);
  return refiner.run(files, [&](int i) -> const std::string& {
    return table.row(files[static_cast<std::size_t>(i)].row).FullPath;
  });
}

std::vector<int> TickedRows(const std::vector<RowIdentity>& files, TickRule rule,
                            const CandidateTable& table, const std::function<void()>& checkpoint,
                            const EngineLimits& limits, const EngineProgress& progress,
                            std::vector<int>* copies) {
  const std::function<void()> step = checkpoint ? checkpoint : [] {};
  Refiner refiner(rule, step, WithinDescriptorLimit(limits), nullptr, copies, &progress);
  return refiner.run(files, [&](int i) -> const std::string& {
    return table.row(files[static_cast<std::size_t>(i)].row).FullPath;
  });
}

namespace {
template <class PathOf>
std::vector<std::vector<int>> ClassesOf(const std::vector<RowIdentity>& files, const PathOf& pathOf,
                                        const std::function<void()>& checkpoint,
                                        const EngineLimits& limits) {
  const std::function<void()> step = checkpoint ? checkpoint : [] {};
  std::vector<std::vector<int>> classes;
  Refiner refiner(TickRule::LaterCopy, step, WithinDescriptorLimit(limits), &classes);
  refiner.run(files, pathOf);
  std::sort(classes.begin(), classes.end(),
            [](const std::vector<int>& a, const std::vector<int>& b) { return a < b; });
  return classes;
}
}  // namespace

std::vector<std::vector<int>> IdenticalClasses(const std::vector<RowIdentity>& files,
                                               const CandidateTable& table,
                                               const std::function<void()>& checkpoint,
                                               const EngineLimits& limits) {
  return ClassesOf(
      files,
      [&](int i) -> const std::string& {
        return table.row(files[static_cast<std::size_t>(i)].row).FullPath;
      },
      checkpoint, limits);
}

std::vector<std::vector<int>> IdenticalClasses(const std::vector<RowIdentity>& files,
                                               const std::vector<std::string>& paths,
                                               const std::function<void()>& checkpoint,
                                               const EngineLimits& limits) {
  return ClassesOf(
      files, [&](int i) -> const std::string& { return paths[static_cast<std::size_t>(i)]; },
      checkpoint, limits);
}

std::uint64_t CompareBytesRead() {
  return g_bytesRead.load(std::memory_order_relaxed);
}

void CountCompareBytesRead(std::uint64_t bytes) {
  g_bytesRead.fetch_add(bytes, std::memory_order_relaxed);
}
