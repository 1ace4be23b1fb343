// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <sys/types.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>

#include "core/file_io.h"

// While alive, the file layer's reads, writes and closes come here instead
// of going straight to the system: a call of a kind can fail with a chosen
// errno once a number of calls of that kind went through, and with `choppy`
// every other call is interrupted (EINTR) and none moves more than `choppy`
// bytes. The calls before come back at the end. Thread-safe.
class FileFaults final : public FileCalls {
 public:
  struct Failure {
    int error = 0;  // 0: never fails
    int after = 0;  // calls that go through first
  };
  Failure readFails;  // read and pread
  Failure writeFails;
  Failure closeFails;  // the descriptor is closed all the same, as Linux does
  std::size_t choppy = 0;

  FileFaults() : previous_(InstallFileCalls(this)) {}
  ~FileFaults() override { InstallFileCalls(previous_); }
  FileFaults(const FileFaults&) = delete;
  FileFaults& operator=(const FileFaults&) = delete;

  ssize_t read(int fd, void* buffer, std::size_t size) override {
    return transfer(reads_, readFails, size,
                    [&](std::size_t n) { return FileCalls::read(fd, buffer, n); });
  }
  ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset) override {
    return transfer(reads_, readFails, size,
                    [&](std::size_t n) { return FileCalls::pread(fd, buffer, n, offset); });
  }
  ssize_t write(int fd, const void* data, std::size_t size) override {
    return transfer(writes_, writeFails, size,
                    [&](std::size_t n) { return FileCalls::write(fd, data, n); });
  }
  int close(int fd) override {
    if (!fails(closes_, closeFails)) return FileCalls::close(fd);
    FileCalls::close(fd);
    errno = closeFails.error;
    return -1;
  }

 private:
  static bool fails(std::atomic<int>& calls, const Failure& failure) {
    return failure.error != 0 && calls.fetch_add(1) >= failure.after;
  }
  template <class Call>
  ssize_t transfer(std::atomic<int>& calls, const Failure& failure, std::size_t size,
                   const Call& call) {
    if (choppy > 0 && interrupts_.fetch_add(1) % 2 == 0) {
      errno = EINTR;
      return -1;
    }
    if (fails(calls, failure)) {
      errno = failure.error;
      return -1;
    }
    return call(choppy > 0 ? std::min(size, choppy) : size);
  }

  FileCalls* previous_;
  std::atomic<int> reads_{0};
  std::atomic<int> writes_{0};
  std::atomic<int> closes_{0};
  std::atomic<unsigned> interrupts_{0};
};
