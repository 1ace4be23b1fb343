#include "settings/settings_helpers.h"

#include <sys/fsuid.h>
#include <unistd.h>

#include <thread>

bool RunUnprivileged(const std::function<void()>& body) {
  if (::geteuid() != 0) {
    body();
    return true;
  }
  constexpr uid_t kNobody = 65534;
  bool switched = false;
  // The file-system uid belongs to one thread, so the others keep root's.
  std::thread worker([&] {
    ::setfsuid(kNobody);
    switched = static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))) == kNobody;
    if (switched) body();
    ::setfsuid(0);
  });
  worker.join();
  return switched;
}
