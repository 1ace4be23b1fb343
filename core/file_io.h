// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// Descriptors, whole reads and writes, and the text of their failures, in one
// place. Every read, write and close below goes through FileCalls, so a test
// can make one fail (a full disk, an I/O error) without a broken disk. Any
// thread.

// The read, write and close calls of this layer. The base class passes them
// to the system; a test derives from it, overrides the call it wants to fail
// and installs it for the time of the test.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual ssize_t read(int fd, void* buffer, std::size_t size);
  virtual ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset);
  virtual ssize_t write(int fd, const void* data, std::size_t size);
  virtual int close(int fd);
};

// Makes `calls` (nullptr: the system's) the calls of every thread from now
// on and returns the ones it replaces. `calls` must outlive its use.
FileCalls* InstallFileCalls(FileCalls* calls);

// Owns one descriptor and closes it when reset, moved over or destroyed (on
// every way out, StopRun included). Closing keeps errno as it was.
class UniqueFd final {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes the descriptor held, if any, ignoring the result, and takes `fd`.
  void reset(int fd = -1) noexcept;
  // Gives the descriptor up without closing it.
  int release() noexcept { return std::exchange(fd_, -1); }
  // Closes now and tells how that went: 0, or the errno (a delayed write
  // error of some file systems shows only here). The descriptor is gone
  // either way and is never closed twice.
  int close() noexcept;

 private:
  int fd_ = -1;
};

// What a whole read moved: the bytes, and the errno that stopped it early
// (0 when it ran to `size` or to the end of the file).
struct Transfer {
  std::size_t bytes = 0;
  int error = 0;
};

// Reads until `size` bytes are in or the file ends, resuming after
// interruptions and short reads. Fewer bytes without an error mean the end.
Transfer ReadAll(int fd, char* buffer, std::size_t size);

// The same at `offset`, leaving the file position alone.
Transfer PreadAll(int fd, char* buffer, std::size_t size, std::uint64_t offset);

// Writes all of `data`, resuming after interruptions and partial writes; on
// a descriptor that would block, waits up to a few seconds for room. 0 on
// success, else the errno.
int WriteAll(int fd, std::string_view data);

// The system's text for an errno ("No space left on device"), the reason every
// message about a failed file operation shows.
std::string ErrorText(int error);

// "Cannot <what> file "<path>": <ErrorText(error)>"
std::string FileFailureText(const char* what, const std::string& path, int error);

// openat(2) (never with O_CREAT), retried when interrupted; -1 with errno.
int OpenAt(int dir, const char* name, int flags);
