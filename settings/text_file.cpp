// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "settings/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <new>

#include "core/file_io.h"
#include "core/whole_file.h"

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::int32_t> ParseWholeNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Accumulated as a magnitude; -2147483648 is one more than the largest positive.
  const std::int64_t limit =
      std::int64_t{std::numeric_limits<std::int32_t>::max()} + (negative ? 1 : 0);
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::string NotAnIntegerText(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid integer value";
}

RegularFileBytes ReadRegularFile(const std::string& path) {
  RegularFileBytes result;
  if (!IsRegularFile(path)) return result;
  // Non-blocking, so that a FIFO put in the file's place after the test
  // cannot hang the open; fstat then checks what was opened.
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  result.found = true;
  if (!fd.valid()) {
    result.error = FileFailureText("open", path, errno);
    return result;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return RegularFileBytes{};
  const auto failed = [&](int error) {
    result.error = FileFailureText("read", path, error);
    result.bytes.clear();
    return result;
  };
  // A file larger than any settings file is refused before it is read; one
  // that grows past the bound while read is refused too.
  if (static_cast<std::uint64_t>(st.st_size) > kMaxTextFileBytes) return failed(EFBIG);
  char buffer[64 * 1024];
  try {
    result.bytes.reserve(static_cast<std::size_t>(st.st_size));
    for (;;) {
      const Transfer got = ReadAll(fd.get(), buffer, sizeof buffer);
      if (got.error != 0) return failed(got.error);
      if (result.bytes.size() + got.bytes > kMaxTextFileBytes) return failed(EFBIG);
      result.bytes.append(buffer, got.bytes);
      if (got.bytes < sizeof buffer) break;
    }
  } catch (const std::bad_alloc&) {
    return failed(ENOMEM);
  }
  return result;
}

std::optional<std::string> WriteWholeFile(const std::string& path, std::string_view data,
                                          bool create) {
  const auto failure = WriteFileWhole(path, create, [data](int fd) { return WriteAll(fd, data); });
  if (!failure) return std::nullopt;
  return FileFailureText(failure->what, path, failure->error);
}

std::optional<std::string> KeepCopy(const std::string& from, const std::string& to) {
  const UniqueFd source(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!source.valid()) return FileFailureText("open", from, errno);
  struct stat st {};
  const int statError = ::fstat(source.get(), &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
  if (statError != 0) return FileFailureText("open", from, statError);
  int readError = 0;
  const auto failure = WriteFileWhole(to, /*create=*/true, [&](int fd) {
    char buffer[64 * 1024];
    for (;;) {
      const Transfer got = ReadAll(source.get(), buffer, sizeof buffer);
      if (got.error != 0) {
        readError = got.error;
        return readError;
      }
      if (const int error = WriteAll(fd, std::string_view(buffer, got.bytes))) return error;
      if (got.bytes < sizeof buffer) return 0;
    }
  });
  if (readError != 0) return FileFailureText("read", from, readError);
  if (failure) return FileFailureText(failure->what, to, failure->error);
  return std::nullopt;
}
