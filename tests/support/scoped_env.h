// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Sets or unsets environment variables while alive; each gets back the
// value it had (or none) at the end.
class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const char* name, const std::string& value) { set(name, value); }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      it->second ? ::setenv(it->first, it->second->c_str(), 1) : ::unsetenv(it->first);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void set(const char* name, const std::string& value) {
    save(name);
    ::setenv(name, value.c_str(), 1);
  }
  void unset(const char* name) {
    save(name);
    ::unsetenv(name);
  }

 private:
  void save(const char* name) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};
