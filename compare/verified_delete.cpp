// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "compare/verified_delete.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "compare/in_order.h"
#include "core/path_at.h"
#include "core/records.h"

namespace {

DeleteResult ResultOf(DeleteOutcome outcome) {
  switch (outcome) {
    case DeleteOutcome::Deleted:
      return DeleteResult::Deleted;
    case DeleteOutcome::Missing:
      return DeleteResult::Missing;
    case DeleteOutcome::Changed:
      return DeleteResult::Changed;
    case DeleteOutcome::Failed:
      break;
  }
  return DeleteResult::Failed;
}

// Why a target without a verified copy stays: it is gone, it is another file
// now, or it is unchanged and simply has no identical copy that stays.
DeleteResult WhyUnverified(const DeleteTarget& target, const FileIdentity& expected) {
  struct stat st {};
  if (StatPath(std::string(target.path), st, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? DeleteResult::Missing : DeleteResult::Changed;
  }
  if (!S_ISREG(st.st_mode) || IdentityOf(st) != expected) return DeleteResult::Changed;
  return DeleteResult::NoCopy;
}

// Unlinking one link of a file with several moves the file's change time, so
// the identity recorded for its other links would no longer match. This
// remembers the change times this pass caused, per file, and the identity
// that followed the last of them. Thread-safe.
class OwnUnlinks {
 public:
  // `id`, or the file's identity now when it differs from `id` only by a
  // change time that an unlink of this pass replaced.
  FileIdentity current(const FileIdentity& id) const {
    const std::lock_guard lock(mutex_);
    const auto found = files_.find({id.Dev, id.Ino});
    if (found == files_.end()) return id;
    const Moved& moved = found->second;
    if (moved.latest.Size != id.Size || moved.latest.MtimeNs != id.MtimeNs) return id;
    for (const std::int64_t ctime : moved.before) {
      if (ctime == id.CtimeNs) return moved.latest;
    }
    return id;
  }
  void unlinked(const FileIdentity& before, const FileIdentity& after) {
    if (after == before) return;
    const std::lock_guard lock(mutex_);
    Moved& moved = files_[{before.Dev, before.Ino}];
    moved.before.push_back(before.CtimeNs);
    moved.latest = after;
  }

 private:
  struct Moved {
    std::vector<std::int64_t> before;
    FileIdentity latest;
  };
  struct Hash {
    std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& k) const {
      return std::hash<std::uint64_t>()(k.first * 0x9E3779B97F4A7C15ull ^ k.second);
    }
  };
  mutable std::mutex mutex_;  // verifications read it on other threads
  std::unordered_map<std::pair<std::uint64_t, std::uint64_t>, Moved, Hash> files_;
};

// Whether `keeper`, read identical to `target`, keeps the content when the
// target goes: another file, or another link of the same file that is a
// directory entry of its own. A file that may be the target itself seen
// through a stacked file system never does.
bool MayStayFor(const DeleteTarget& target, const FileIdentity& targetId,
                const DeleteKeeper& keeper, const FileIdentity& keeperId) {
  if (!keeperId.sameFile(targetId)) return true;
  return keeperId.sameInode(targetId) &&
         !SameEntry(target.path, target.folder, keeper.path, keeper.folder);
}

// The keepers read identical to the targets of one run: each class of equal
// content names its keepers (plan indices, in class order) and each target
// its class, -1 for none.
struct RunCopies {
  std::vector<std::vector<int>> classes;
  std::vector<int> classOf;
};

// For targets which[first..last) (all of one size): the keepers each was read
// together with, every byte equal, both still the files recorded.
RunCopies VerifyCopies(const DeletePlan& plan, const std::vector<int>& which, std::size_t first,
                       std::size_t last, const std::vector<int>& keepers, const OwnUnlinks& own,
                       const std::function<void()>& checkpoint, const EngineLimits& limits) {
  RunCopies copies;
  copies.classOf.assign(last - first, -1);
  if (keepers.empty()) return copies;
  // Members 0..targets-1 are the targets, the keepers follow; a member's row
  // is its index, so the classes name members.
  std::vector<RowIdentity> files;
  std::vector<std::string> paths;
  const std::size_t targets = last - first;
  files.reserve(targets + keepers.size());
  paths.reserve(targets + keepers.size());
  for (std::size_t i = first; i < last; ++i) {
    const DeleteTarget t = plan.target(static_cast<std::size_t>(which[i]));
    files.push_back({static_cast<int>(files.size()), own.current(t.identity)});
    paths.emplace_back(t.path);
  }
  for (const int k : keepers) {
    const DeleteKeeper keeper = plan.keeper(static_cast<std::size_t>(k));
    files.push_back({static_cast<int>(files.size()), own.current(keeper.identity)});
    paths.emplace_back(keeper.path);
  }
  for (const std::vector<int>& members : IdenticalClasses(files, paths, checkpoint, limits)) {
    std::vector<int> classKeepers;
    for (const int m : members) {
      const auto member = static_cast<std::size_t>(m);
      if (member >= targets) classKeepers.push_back(keepers[member - targets]);
    }
    if (classKeepers.empty()) continue;
    for (const int m : members) {
      if (static_cast<std::size_t>(m) < targets)
        copies.classOf[static_cast<std::size_t>(m)] = static_cast<int>(copies.classes.size());
    }
    copies.classes.push_back(std::move(classKeepers));
  }
  return copies;
}

// The first keeper of the target's class that still checks out right now:
// it may stay for the target and its name still shows the file read, in the
// folder recorded; -1 for none. One fstatat per keeper tried; the content is
// not read again (any write since would have moved the change time).
int StayingCopy(const DeletePlan& plan, const DeleteTarget& target, const FileIdentity& expected,
                const std::vector<int>& classKeepers, const OwnUnlinks& own) {
  for (const int k : classKeepers) {
    const DeleteKeeper keeper = plan.keeper(static_cast<std::size_t>(k));
    const FileIdentity now = own.current(keeper.identity);
    if (MayStayFor(target, expected, keeper, now) &&
        EntryShows(std::string(keeper.path), now, keeper.folder))
      return k;
  }
  return -1;
}

}  // namespace

std::vector<DeleteResult> RunDeletePass(const DeletePlan& plan, const std::vector<int>& which,
                                        const DeletePassOptions& options,
                                        const std::function<void()>& checkpoint,
                                        const std::function<void(int percent)>& progress,
                                        std::vector<int>* errors, DeletePassDetails* details) {
  const std::function<void()> step = checkpoint ? checkpoint : [] {};
  const FileDeleter& deleter = options.deleter;
  std::unordered_map<std::int64_t, std::vector<int>> keepersOfSize;
  if (options.requireCopy) {
    for (std::size_t k = 0; k < plan.keeperCount(); ++k) {
      keepersOfSize[plan.keeper(k).identity.Size].push_back(static_cast<int>(k));
    }
  }
  const auto sizeAt = [&](std::size_t i) {
    return plan.target(static_cast<std::size_t>(which[i])).identity.Size;
  };
  // Runs of targets of one size, in list order: [first, last).
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  for (std::size_t start = 0; start < which.size();) {
    std::size_t end = start + 1;
    while (end < which.size() && sizeAt(end) == sizeAt(start)) ++end;
    runs.emplace_back(start, end);
    start = end;
  }

  OwnUnlinks own;
  std::vector<DeleteResult> results(which.size(), DeleteResult::NoCopy);
  if (errors != nullptr) errors->assign(which.size(), 0);
  if (details != nullptr) {
    details->keepers.assign(which.size(), -1);
    details->bytes.assign(which.size(), 0);
  }
  int shown = -1;
  const auto verify = [&](const std::pair<std::size_t, std::size_t>& run) {
    RunCopies copies;
    const auto found = keepersOfSize.find(sizeAt(run.first));
    if (found == keepersOfSize.end()) {
      copies.classOf.assign(run.second - run.first, -1);
      return copies;
    }
    return VerifyCopies(plan, which, run.first, run.second, found->second, own, step,
                        options.limits);
  };
  const auto handle = [&](const std::pair<std::size_t, std::size_t>& run, const RunCopies& copies) {
    for (std::size_t i = run.first; i < run.second; ++i) {
      step();
      const DeleteTarget target = plan.target(static_cast<std::size_t>(which[i]));
      const FileIdentity expected = own.current(target.identity);
      // The copy that stays is looked at again right before each delete it
      // allows: edited, removed or replaced since it was read, another
      // keeper of the class must stand in, or the target stays.
      const int cls = options.requireCopy ? copies.classOf[i - run.first] : -1;
      const int keeper = cls < 0 ? -1
                                 : StayingCopy(plan, target, expected,
                                               copies.classes[static_cast<std::size_t>(cls)], own);
      if (!options.requireCopy || keeper >= 0) {
        FileIdentity after = expected;
        const std::string path(target.path);
        int error = 0;
        std::uint64_t bytes = static_cast<std::uint64_t>(expected.Size);
        if (options.replacer && keeper >= 0) {
          const DeleteKeeper k = plan.keeper(static_cast<std::size_t>(keeper));
          const FileIdentity keeperBefore = own.current(k.identity);
          FileIdentity keeperAfter = keeperBefore;
          const std::string keeperPath(k.path);
          results[i] = ResultOf(options.replacer({path, expected, target.folder},
                                                 {keeperPath, keeperBefore, k.folder}, &keeperAfter,
                                                 &bytes, &error));
          own.unlinked(keeperBefore, keeperAfter);
        } else {
          results[i] =
              ResultOf(deleter ? deleter(path, expected, target.folder, &after, &error)
                               : DeleteIfUnchanged(path, expected, &after, target.folder, &error));
          own.unlinked(expected, after);
        }
        if (results[i] == DeleteResult::Failed && errors != nullptr) (*errors)[i] = error;
        if (details != nullptr) {
          details->keepers[i] = keeper;
          if (results[i] == DeleteResult::Deleted) details->bytes[i] = bytes;
        }
      } else {
        results[i] = WhyUnverified(target, expected);
      }
      if (progress && plan.deleteCount > 0) {
        const int percent =
            static_cast<int>(static_cast<std::int64_t>(target.entry) * 100 / plan.deleteCount);
        if (percent != shown) progress(percent);
        shown = percent;
      }
    }
  };
  // Runs are verified side by side and handled in order as each is verified,
  // in batches of a few hundred targets, so a verification is never far
  // ahead of the unlink it allows.
  constexpr std::size_t kBatchTargets = 256;
  for (std::size_t first = 0; first < runs.size();) {
    std::size_t last = first;
    std::size_t targets = 0;
    while (last < runs.size() && targets < kBatchTargets) {
      targets += runs[last].second - runs[last].first;
      ++last;
    }
    RunInOrder<RunCopies>(
        static_cast<int>(last - first), std::max(options.limits.threads, 1),
        [&](int k) { return verify(runs[first + static_cast<std::size_t>(k)]); },
        [&](int k, const RunCopies& copies) {
          handle(runs[first + static_cast<std::size_t>(k)], copies);
        });
    first = last;
  }
  return results;
}
