// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/descriptors.h"

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <thread>

bool IsDescriptorShortage(int error) {
  return error == EMFILE || error == ENFILE;
}

int OpenDespiteShortage(const std::function<int()>& open, const std::function<bool()>& release,
                        const std::function<void()>& checkpoint,
                        std::chrono::milliseconds patience) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point giveUp = Clock::now() + patience;
  std::chrono::milliseconds pause{1};
  for (;;) {
    errno = 0;
    const int fd = open();
    if (fd >= 0 || !IsDescriptorShortage(errno)) return fd;
    const int error = errno;
    if (release && release()) continue;
    if (Clock::now() >= giveUp) {
      errno = error;
      return fd;
    }
    if (checkpoint) checkpoint();
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds{50});
  }
}

int DescriptorShare(int wanted, int threads) {
  wanted = std::max(wanted, 1);
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return wanted;
  const rlim_t reserve = std::max<rlim_t>(32, limit.rlim_cur / 4);
  if (limit.rlim_cur <= reserve) return 1;
  const rlim_t share = (limit.rlim_cur - reserve) / static_cast<rlim_t>(std::max(threads, 1));
  return static_cast<int>(std::clamp<rlim_t>(share, 1, static_cast<rlim_t>(wanted)));
}
