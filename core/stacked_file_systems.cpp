// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/stacked_file_systems.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <iterator>
#include <mutex>
#include <string>

#include "core/file_io.h"

namespace {

constexpr std::string_view kStackedNames[] = {"overlay",
                                              "aufs",
                                              "unionfs",
                                              "ecryptfs",
                                              "shiftfs",
                                              "wrapfs",
                                              "fuse.unionfs",
                                              "fuse.unionfs-fuse",
                                              "fuse.mergerfs",
                                              "fuse.bindfs",
                                              "fuse.fuse-overlayfs"};

// The fields of one line, split at spaces.
std::string_view NextField(std::string_view& rest) {
  const std::size_t start = std::min(rest.find_first_not_of(' '), rest.size());
  rest.remove_prefix(start);
  const std::size_t end = std::min(rest.find(' '), rest.size());
  const std::string_view field = rest.substr(0, end);
  rest.remove_prefix(end);
  return field;
}

// The mount table of this process, read again once the kernel says it
// changed: a descriptor of /proc/self/mountinfo reports POLLPRI then.
class MountTable {
 public:
  bool mayBeStacked(std::uint64_t dev) {
    const std::lock_guard lock(mutex_);
    if (!read_ || changed()) reload();
    const auto found = devices_.find(dev);
    return found == devices_.end() || found->second;
  }

 private:
  bool changed() const {
    if (!fd_.valid()) return false;
    pollfd p{fd_.get(), POLLPRI, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLPRI | POLLERR)) != 0;
  }

  void reload() {
    read_ = true;
    devices_.clear();
    if (!fd_.valid()) fd_.reset(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
    if (!fd_.valid() || ::lseek(fd_.get(), 0, SEEK_SET) != 0) return;
    std::string text;
    char buffer[16384];
    for (;;) {
      const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    devices_ = DevicesInMountTable(text);
  }

  std::mutex mutex_;
  UniqueFd fd_;
  bool read_ = false;
  std::unordered_map<std::uint64_t, bool> devices_;
};

}  // namespace

bool IsStackedTypeName(std::string_view type) {
  return std::find(std::begin(kStackedNames), std::end(kStackedNames), type) !=
         std::end(kStackedNames);
}

std::unordered_map<std::uint64_t, bool> DevicesInMountTable(std::string_view mountinfo) {
  // Each line: id parent major:minor root mount-point options [tags] - type source options
  std::unordered_map<std::uint64_t, bool> devices;
  while (!mountinfo.empty()) {
    const std::size_t end = std::min(mountinfo.find('\n'), mountinfo.size());
    std::string_view line = mountinfo.substr(0, end);
    mountinfo.remove_prefix(std::min(end + 1, mountinfo.size()));
    NextField(line);
    NextField(line);
    const std::string_view device = NextField(line);
    const std::size_t dash = line.find(" - ");
    const std::size_t colon = device.find(':');
    if (dash == std::string_view::npos || colon == std::string_view::npos) continue;
    unsigned int major = 0;
    unsigned int minor = 0;
    const char* const first = device.data();
    const char* const last = device.data() + device.size();
    if (std::from_chars(first, first + colon, major).ec != std::errc() ||
        std::from_chars(first + colon + 1, last, minor).ec != std::errc())
      continue;
    std::string_view tail = line.substr(dash + 3);
    const bool stacked = IsStackedTypeName(NextField(tail));
    bool& entry = devices[static_cast<std::uint64_t>(makedev(major, minor))];
    entry = entry || stacked;
  }
  return devices;
}

bool MayBeStacked(std::uint64_t dev) {
  static MountTable table;
  return table.mayBeStacked(dev);
}
