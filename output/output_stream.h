// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdio>
#include <string_view>

// Bytes to a listing's stream; remembers the first failure and writes
// nothing after it.
class OutputStream {
 public:
  explicit OutputStream(std::FILE* stream) : stream_(stream) {}

  void write(std::string_view bytes);
  void put(char c) { write(std::string_view(&c, 1)); }
  // Flushes; true when every byte has reached the stream's file.
  bool finish();
  // The errno of the first failure, or 0.
  int error() const { return error_; }

 private:
  std::FILE* stream_;
  int error_ = 0;
};
