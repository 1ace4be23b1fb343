// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "compare/in_order.h"

#include <sys/fsuid.h>
#include <sys/types.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace in_order_detail {
namespace {

// Threads that wait for the next task once theirs is done. A verified
// delete asks for helpers once per few hundred targets, a check once per
// run: starting threads for each would cost more than some batches take.
class HelperPool {
 public:
  void run(std::function<void()> task) {
    // A thread started for the task would take the caller's file-system uid
    // and gid (they are per thread: a test reads as "nobody" on one thread);
    // a kept helper takes them on for the task.
    const auto uid = static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1)));
    const auto gid = static_cast<gid_t>(::setfsgid(static_cast<gid_t>(-1)));
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        Helper* helper = idle_.back();
        idle_.pop_back();
        helper->task = std::move(task);
        helper->uid = uid;
        helper->gid = gid;
        helper->wake.notify_one();
        return;
      }
    }
    // Every helper is busy (or none was asked for yet): one more. It is never
    // freed, as it never ends.
    auto* helper = new Helper{{}, std::move(task), uid, gid};
    try {
      std::thread([this, helper] { serve(*helper); }).detach();
    } catch (...) {
      delete helper;
      throw;
    }
  }

 private:
  struct Helper {
    std::condition_variable wake;
    std::function<void()> task;
    uid_t uid;
    gid_t gid;
  };

  [[noreturn]] void serve(Helper& helper) {
    for (;;) {
      if (static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))) != helper.uid)
        ::setfsuid(helper.uid);
      if (static_cast<gid_t>(::setfsgid(static_cast<gid_t>(-1))) != helper.gid)
        ::setfsgid(helper.gid);
      helper.task();
      std::unique_lock lock(mutex_);
      helper.task = nullptr;
      idle_.push_back(&helper);
      helper.wake.wait(lock, [&] { return helper.task != nullptr; });
    }
  }

  std::mutex mutex_;
  std::vector<Helper*> idle_;
};

}  // namespace

void RunOnHelper(std::function<void()> task) {
  // Never destroyed: helpers may still wait on it while the program exits
  // (static objects are destroyed while other threads still run).
  static HelperPool* const pool = new HelperPool;
  pool->run(std::move(task));
}

}  // namespace in_order_detail
