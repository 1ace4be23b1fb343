// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "output/output_stream.h"

#include <cerrno>

void OutputStream::write(std::string_view bytes) {
  if (error_ != 0 || bytes.empty()) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) {
    error_ = errno != 0 ? errno : EIO;
  }
}

bool OutputStream::finish() {
  if (error_ != 0) return false;
  errno = 0;
  if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0) error_ = errno != 0 ? errno : EIO;
  return error_ == 0;
}
