// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "core/file_io.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

namespace {

// How long a write into a full pipe waits for its reader.
constexpr int kStalledWriteMs = 5000;

// Set before any code runs, so a file read during start-up finds them.
constinit FileCalls g_systemCalls;
constinit std::atomic<FileCalls*> g_calls{&g_systemCalls};

FileCalls& Calls() {
  return *g_calls.load(std::memory_order_acquire);
}

}  // namespace

ssize_t FileCalls::read(int fd, void* buffer, std::size_t size) {
  return ::read(fd, buffer, size);
}

ssize_t FileCalls::pread(int fd, void* buffer, std::size_t size, off_t offset) {
  return ::pread(fd, buffer, size, offset);
}

ssize_t FileCalls::write(int fd, const void* data, std::size_t size) {
  return ::write(fd, data, size);
}

int FileCalls::close(int fd) {
  return ::close(fd);
}

FileCalls* InstallFileCalls(FileCalls* calls) {
  FileCalls* previous = g_calls.exchange(calls != nullptr ? calls : &g_systemCalls);
  return previous == &g_systemCalls ? nullptr : previous;
}

void UniqueFd::reset(int fd) noexcept {
  if (fd_ >= 0) {
    const int error = errno;
    Calls().close(fd_);
    errno = error;
  }
  fd_ = fd;
}

int UniqueFd::close() noexcept {
  if (fd_ < 0) return 0;
  // Linux frees the descriptor even when close fails, so it is never retried.
  const int result = Calls().close(release());
  return result == 0 ? 0 : errno;
}

namespace {

// Calls `step(done)` (the next read after `done` bytes) until `size` bytes
// are in, the file ends or a failure other than an interruption stops it.
template <class Step>
Transfer ReadWhole(std::size_t size, const Step& step) {
  Transfer done;
  while (done.bytes < size) {
    const ssize_t n = step(done.bytes);
    if (n == 0) break;
    if (n > 0) {
      done.bytes += static_cast<std::size_t>(n);
    } else if (errno != EINTR) {
      done.error = errno;
      break;
    }
  }
  return done;
}

}  // namespace

Transfer ReadAll(int fd, char* buffer, std::size_t size) {
  return ReadWhole(size,
                   [&](std::size_t done) { return Calls().read(fd, buffer + done, size - done); });
}

Transfer PreadAll(int fd, char* buffer, std::size_t size, std::uint64_t offset) {
  return ReadWhole(size, [&](std::size_t done) {
    return Calls().pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
  });
}

int WriteAll(int fd, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = Calls().write(fd, data.data() + done, data.size() - done);
    if (n >= 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return errno;
    pollfd room{fd, POLLOUT, 0};
    const int ready = ::poll(&room, 1, kStalledWriteMs);
    if (ready == 0) return EAGAIN;
    if (ready < 0 && errno != EINTR) return errno;
  }
  return 0;
}

std::string ErrorText(int error) {
  return std::system_category().message(error);
}

std::string FileFailureText(const char* what, const std::string& path, int error) {
  return std::string("Cannot ") + what + " file \"" + path + "\": " + ErrorText(error);
}

int OpenAt(int dir, const char* name, int flags) {
  for (;;) {
    const int fd = ::openat(dir, name, flags);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}
