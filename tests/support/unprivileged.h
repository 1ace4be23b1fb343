// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <sys/fsuid.h>
#include <sys/types.h>
#include <unistd.h>

#include <functional>
#include <thread>

// While alive, the process's effective user and group are those of "nobody",
// so permission bits apply even when the tests run as root (CI does). Not
// root: nothing changes, the bits already apply. The temporary folder the
// test uses must be reachable by "nobody" (chmod 0755 on its path).
class ScopedUnprivileged {
 public:
  static constexpr uid_t kNobody = 65534;

  ScopedUnprivileged() : wasRoot_(::geteuid() == 0) {
    if (!wasRoot_) return;
    // Group first: once the user is dropped, the group can no longer change.
    if (::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0) failed_ = true;
  }
  ~ScopedUnprivileged() {
    if (!wasRoot_) return;
    // The saved user id stays root, so the original identity comes back.
    if (::seteuid(0) == 0) (void)::setegid(0);
  }
  ScopedUnprivileged(const ScopedUnprivileged&) = delete;
  ScopedUnprivileged& operator=(const ScopedUnprivileged&) = delete;

  // False when root could not drop its rights (the test should then skip).
  bool active() const { return !failed_; }

 private:
  bool wasRoot_;
  bool failed_ = false;
};

// Runs `body` so that permission bits hold: directly for an ordinary user, on
// a thread with the file-system uid of "nobody" when the tests run as root
// (the other threads keep root's). False when that uid cannot be taken (the
// body has not run).
inline bool RunUnprivileged(const std::function<void()>& body) {
  if (::geteuid() != 0) {
    body();
    return true;
  }
  bool switched = false;
  std::thread worker([&] {
    ::setfsuid(ScopedUnprivileged::kNobody);
    switched =
        static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))) == ScopedUnprivileged::kNobody;
    if (switched) body();
    ::setfsuid(0);
  });
  worker.join();
  return switched;
}
