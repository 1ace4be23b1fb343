// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The promises of a check and a delete, over many random trees in both modes:
// every set of identical files keeps a row unticked, every ticked row has an
// unticked identical row in its band, and "Delete Checked" removes exactly the
// files ticked in "Files to delete".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "compare/check_run.h"
#include "compare/verified_delete.h"
#include "core/file_io.h"
#include "reliability/reliability_helpers.h"
#include "session/session.h"
#include "support/scoped_env.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace {

// The path without folder links: a row reached through a link to its folder
// names the file the listing finds under the folder's own name.
std::string Resolved(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  char* folder = ::realpath(path.substr(0, slash).c_str(), nullptr);
  if (folder == nullptr) return path;
  std::string resolved = folder + path.substr(slash);
  std::free(folder);
  return resolved;
}

TEST(InvariantsTest, RandomTreesKeepACopyAndDeleteOnlyWhatIsTicked) {
  constexpr int kSeeds = 30;
  int ticked = 0;
  int deleted = 0;
  for (int seed = 1; seed <= kSeeds; ++seed) {
    for (const CheckMode mode : {CheckMode::Fast, CheckMode::Careful}) {
      SCOPED_TRACE(testing::Message()
                   << "seed " << seed << ", " << (mode == CheckMode::Fast ? "fast" : "careful"));
      TempTree tree;
      ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
      std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
      BuildRandomTree(tree, rng);
      const EngineLimits limits = seed % 2 == 0 ? EngineLimits{} : EngineLimits{4, 4096, 512, 8192};

      PlainRun run;
      std::vector<int> ticks;
      {
        ScopedUnprivileged unprivileged;
        ASSERT_TRUE(unprivileged.active());
        ASSERT_TRUE(run.scan(tree.root()));
        ticks = run.check(mode, {}, limits);
      }
      const CandidateTable& candidates = *run.candidates;
      const int rows = candidates.count();
      std::vector<std::string> bytes(static_cast<std::size_t>(rows) + 1);
      std::vector<bool> isTicked(static_cast<std::size_t>(rows) + 1, false);
      for (int r = 1; r <= rows; ++r) bytes[r] = ReadAnyPath(candidates.row(r).FullPath);
      for (const int r : ticks) isTicked[static_cast<std::size_t>(r)] = true;

      std::map<std::string, int> untickedByBytes;
      for (int r = 1; r <= rows; ++r) {
        if (!isTicked[r]) ++untickedByBytes[bytes[r]];
      }
      for (const RowRange band : Bands(candidates)) {
        for (int r = band.first; r <= band.last; ++r) {
          EXPECT_GT(untickedByBytes[bytes[r]], 0)
              << "every copy ticked: " << candidates.row(r).FullPath;
          if (!isTicked[r]) continue;
          bool kept = false;
          for (int u = band.first; u <= band.last && !kept; ++u)
            kept = !isTicked[u] && bytes[u] == bytes[r];
          EXPECT_TRUE(kept) << "no unticked copy in the band of " << candidates.row(r).FullPath;
        }
      }

      // Some rows of "Files to delete" are unticked before the delete.
      std::vector<int> untick;
      for (int i = 0; i < static_cast<int>(ticks.size()); ++i) {
        if (rng() % 4 == 0) untick.push_back(i);
      }
      const auto before = ListTree(tree.root());
      const std::vector<std::string> gone = run.deleteChecked(untick);
      auto expected = before;
      for (const std::string& path : gone) {
        EXPECT_EQ(expected.erase(Resolved(path)), 1u) << path;
      }
      EXPECT_EQ(ListTree(tree.root()), expected);
      ticked += static_cast<int>(ticks.size());
      deleted += static_cast<int>(gone.size());
    }
  }
  // The trees hold copies: the properties were tried on real ticks.
  EXPECT_GT(ticked, 4 * kSeeds);
  EXPECT_GT(deleted, 2 * kSeeds);
}

// Outside changes between the scan, the check and the delete, each one that
// used to make Delete Checked lose the last copy of something.
enum class Change { RemoveKept, EditKeepingTimes, Swap, HardLinkToTwin, Fifo, None };

// What else meets one Delete Checked, by seed: stale ticked rows after a
// rescan spelt otherwise; the staying copy changed in the middle of a long
// run; a folder swapped for a link to a folder of hard links of its files,
// outside the tree; a deleter that refuses.
enum class Attack { Rescan, KeeperMidRun, ParentSwap, Refused };

// After Delete Checked (the second question answered No), every content that
// was on disk right before it is still on disk, every deleted file's content
// still in a file no target could remove (but for the copies the attack
// changed), and nothing but the files of ticked rows is gone or different,
// inside the scanned tree or outside it.
void OutsideChangesCostNoCopy(const FileDeleter& base) {
  constexpr int kSeeds = 24;
  constexpr int kLongRun = 12;
  const std::string longContent(5000, 'L');  // a size no other file has
  int kept = 0;
  int deleted = 0;
  int bitten = 0;  // deletes with a refusal, copies changed in the middle
  for (int seed = 1; seed <= kSeeds; ++seed) {
    for (const CheckMode mode : {CheckMode::Fast, CheckMode::Careful}) {
      const auto attack = static_cast<Attack>(seed % 4);
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", mode " << static_cast<int>(mode)
                                      << ", attack " << static_cast<int>(attack));
      TempTree tree;
      TempTree outside;
      ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
      std::mt19937 rng(static_cast<std::mt19937::result_type>(seed * 7919));
      BuildRandomTree(tree, rng);
      for (int i = 0; attack == Attack::KeeperMidRun && i < kLongRun; ++i)
        tree.write("long/l" + std::to_string(i), longContent);
      const std::string swapped =
          tree.path(std::vector<std::string>{"a/b", "c", ".hidden"}[(seed / 4) % 3]);
      for (const auto& e : std::filesystem::directory_iterator(swapped)) {
        if (attack == Attack::ParentSwap && e.is_regular_file())
          std::filesystem::create_hard_link(e.path(), outside.path(e.path().filename()));
      }
      PlainRun run;
      ASSERT_TRUE(run.scan(tree.root()));
      const CandidateTable& candidates = *run.candidates;
      const int rows = candidates.count();
      const auto inLongRun = [](const std::string& path) {
        return path.find("/long/") != std::string::npos;
      };
      std::vector<Change> changes(static_cast<std::size_t>(rows) + 1, Change::None);
      std::vector<std::string> original(static_cast<std::size_t>(rows) + 1);
      for (int r = 1; r <= rows; ++r) {
        original[r] = ReadAnyPath(candidates.row(r).FullPath);
        if (rng() % 3 == 0 && !inLongRun(candidates.row(r).FullPath))
          changes[r] = static_cast<Change>(rng() % 5);
      }
      // A swap before the check: the check reads a twin's bytes at the path.
      for (int r = 1; r <= rows; ++r) {
        if (changes[r] != Change::Swap) continue;
        const std::string& path = candidates.row(r).FullPath;
        const int twin = r < rows && original[r + 1].size() == original[r].size() ? r + 1 : r - 1;
        ASSERT_EQ(::rename(path.c_str(), (path + ".orig").c_str()), 0);
        tree.write(path.substr(tree.root().size() + 1), original[std::max(twin, 1)]);
      }
      run.check(mode, {}, seed % 2 == 0 ? EngineLimits{} : EngineLimits{4, 4096, 512, 8192});
      std::vector<std::string> longKeepers;
      for (int r = 1; r <= rows; ++r) {
        const std::string& path = candidates.row(r).FullPath;
        if (inLongRun(path) && candidates.row(r).Checked == 0) longKeepers.push_back(path);
        switch (changes[r]) {
          case Change::RemoveKept:
            if (candidates.row(r).Checked == 0) ::unlink(path.c_str());
            break;
          case Change::EditKeepingTimes: {
            std::string edited = ReadAnyPath(path);
            if (edited.empty()) break;
            edited[rng() % edited.size()] ^= 0x40;
            EditKeepingTimes(path, edited);
            break;
          }
          case Change::Swap:
            ASSERT_EQ(::rename((path + ".orig").c_str(), path.c_str()), 0);
            break;
          case Change::HardLinkToTwin:
            for (int t = 1; t <= rows; ++t) {
              if (t == r || original[t] != original[r]) continue;
              ::unlink(path.c_str());
              ::link(candidates.row(t).FullPath.c_str(), path.c_str());
              break;
            }
            break;
          case Change::Fifo:
            ::unlink(path.c_str());
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
            break;
          case Change::None:
            break;
        }
      }
      if (attack == Attack::Rescan) {
        // "Select all Items", then the same folder again, spelt otherwise:
        // "Files to delete" keeps its rows under the old spelling.
        run.session().tickAllFiles(true);
        run.session().completeDeleteList();
        ASSERT_TRUE(
            run.scan(seed % 8 == 0 ? outside.symlink(tree.root(), "root") : tree.root() + "/"));
      }
      run.session().completeDeleteList();
      std::vector<int> untick;
      std::map<std::string, std::string> real;  // row path -> path in the listings
      for (int i = 0; i < run.session().deleteList().rowCount(); ++i) {
        const std::string& path = run.session().deleteTable().row(i + 1).FullPath;
        real[path] = Resolved(path);
        if (rng() % 5 == 0 && !inLongRun(path)) untick.push_back(i);
      }
      if (attack == Attack::ParentSwap) {
        ASSERT_EQ(::rename(swapped.c_str(), (swapped + ".away").c_str()), 0);
        ASSERT_EQ(::symlink(outside.root().c_str(), swapped.c_str()), 0);
      }

      std::set<std::string> attacked;  // copies changed in the middle of the delete
      std::vector<std::string> refused;
      int calls = 0;
      int longDeleted = 0;
      const FileDeleter deleter = [&](const std::string& path, const FileIdentity& id,
                                      const FolderIdentity& folder, FileIdentity* after,
                                      int* error) {
        if (attack == Attack::Refused && ++calls % 2 == 1) {
          refused.push_back(path);
          *error = EACCES;
          return DeleteOutcome::Failed;
        }
        const DeleteOutcome outcome = base(path, id, folder, after, error);
        if (attack == Attack::KeeperMidRun && outcome == DeleteOutcome::Deleted &&
            inLongRun(path) && ++longDeleted == 1 + seed % 4) {
          for (const std::string& keeper : longKeepers) {
            attacked.insert(keeper);
            if (seed % 8 < 4) {
              EditKeepingTimes(keeper, std::string(longContent.size(), 'M'));
            } else {
              ::unlink(keeper.c_str());
            }
          }
        }
        return outcome;
      };
      const auto listAll = [&] {
        auto all = ListTree(tree.root());
        all.merge(ListTree(outside.root()));
        return all;
      };
      const auto before = listAll();
      std::vector<std::string> tickedPaths = run.deleteChecked(untick, 1 + seed % 2, deleter);
      const auto after = listAll();
      std::set<std::string> ticked;
      for (std::string& path : tickedPaths) {
        const auto found = real.find(path);
        path = found != real.end() ? found->second : Resolved(path);
        ticked.insert(path);
      }
      // Files no target of this delete could remove: unticked, or another
      // file now than the one its ticked row recorded.
      std::set<std::string> otherFiles;
      for (std::size_t t = 0; t < run.lastDelete.size() && t < tickedPaths.size(); ++t) {
        if (run.lastDelete[t] == DeleteResult::Changed) otherFiles.insert(tickedPaths[t]);
      }
      std::set<std::string> contents;
      std::set<std::string> untickedContents;
      for (const auto& [path, entry] : after) {
        contents.insert(entry);
        if (ticked.count(path) == 0 || otherFiles.count(path) != 0) untickedContents.insert(entry);
      }
      std::set<std::string> attackedContents;
      for (const std::string& path : attacked) attackedContents.insert(before.at(path));
      for (const auto& [path, entry] : before) {
        if (entry.rfind("f:", 0) == 0) {
          EXPECT_EQ(contents.count(entry), 1u) << "last copy lost: " << path;
        }
        const auto now = after.find(path);
        if (ticked.count(path) == 0 && attacked.count(path) == 0) {
          EXPECT_TRUE(now != after.end() && now->second == entry) << "not ticked, yet: " << path;
        } else if (now != after.end() && attacked.count(path) == 0) {
          EXPECT_EQ(now->second, entry) << path;
        }
      }
      ASSERT_LE(run.lastDelete.size(), tickedPaths.size());
      for (std::size_t t = 0; t < run.lastDelete.size(); ++t) {
        const auto was = before.find(tickedPaths[t]);
        if (run.lastDelete[t] != DeleteResult::Deleted || was == before.end() ||
            attackedContents.count(was->second) != 0)
          continue;
        // The copy that let it go stays: it was no target, under any spelling.
        EXPECT_EQ(untickedContents.count(was->second), 1u)
            << "deleted for a ticked copy: " << tickedPaths[t];
      }
      // A refused file keeps its rows, ticked; the report names the first five with the reason.
      bitten += static_cast<int>(std::min(refused.size(), std::size_t{1}) + attacked.size());
      for (std::size_t f = 0; f < refused.size(); ++f) {
        int k = 1;
        while (k <= candidates.count() && candidates.row(k).FullPath != refused[f]) ++k;
        EXPECT_TRUE(k <= candidates.count() && run.session().ticked(k))
            << "rows lost: " << refused[f];
        EXPECT_TRUE(f >= 5 || run.lastReport.find("\n" + refused[f] + ": " + ErrorText(EACCES)) !=
                                  std::string::npos)
            << run.lastReport;
      }
      for (const DeleteResult r : run.lastDelete) {
        deleted += r == DeleteResult::Deleted ? 1 : 0;
        kept += r == DeleteResult::Changed || r == DeleteResult::NoCopy ? 1 : 0;
      }
    }
  }
  // The changes did bite, and copies were still deleted.
  EXPECT_GT(kept, kSeeds);
  EXPECT_GT(deleted, kSeeds);
  EXPECT_GT(bitten, kSeeds / 2);
}

TEST(InvariantsTest, OutsideChangesNeverCostTheLastCopy) {
  // The Trash is a home Trash of the test's own, on the trees' device.
  TempTree home;
  const ScopedEnv env("XDG_DATA_HOME", home.root());
  for (const NamedDeleter& deleter : DeletersUnderTest()) {
    SCOPED_TRACE(deleter.name);
    OutsideChangesCostNoCopy(deleter.deleter);
  }
}

}  // namespace

namespace {

// The sets of identical files as a plain reading sees them: rows of equal
// bytes holding at least two different files (device and inode).
std::vector<std::vector<int>> ReferenceSets(const CandidateTable& candidates) {
  std::map<std::string, std::pair<std::vector<int>, std::set<std::pair<dev_t, ino_t>>>> byBytes;
  for (int r = 1; r <= candidates.count(); ++r) {
    struct stat st {};
    if (::lstat(candidates.row(r).FullPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    auto& [rows, files] = byBytes["f:" + ReadAnyPath(candidates.row(r).FullPath)];
    rows.push_back(r);
    files.insert({st.st_dev, st.st_ino});
  }
  std::vector<std::vector<int>> sets;
  for (auto& [bytes, set] : byBytes) {
    if (set.second.size() >= 2) sets.push_back(set.first);
  }
  std::sort(sets.begin(), sets.end());
  return sets;
}

std::string RealOrEmpty(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return {};
  std::string resolved(real);
  std::free(real);
  return resolved;
}

// Whether `folder` holds the file at `path`: its real folder lies in it, or
// one of the folders its text names is it, however either is spelled.
bool ReferenceHolds(const std::string& path, const std::string& folder) {
  const std::string target = RealOrEmpty(folder);
  if (target.empty()) return false;
  std::string at = path.substr(0, path.rfind('/'));
  const std::string real = RealOrEmpty(at);
  if (real == target || real.starts_with(target + "/")) return true;
  while (!at.empty()) {
    if (RealOrEmpty(at) == target) return true;
    const std::size_t slash = at.rfind('/');
    at.resize(slash == std::string::npos ? 0 : slash);
  }
  return false;
}

// What a rule keeps of the members of a set that may stay, read plainly: of
// those below the first folder that holds one (else all, when the rule has
// criteria) the first in the order of the criteria, then of rows.
std::optional<int> ReferenceKept(std::vector<int> eligible, const CandidateTable& c,
                                 const KeepRule& rule) {
  std::vector<int> compete;
  for (const std::string& folder : rule.folders) {
    for (const int r : eligible) {
      if (ReferenceHolds(c.row(r).FullPath, folder)) compete.push_back(r);
    }
    if (!compete.empty()) break;
  }
  if (compete.empty() && rule.criteria.empty()) return std::nullopt;
  if (compete.empty()) compete = eligible;
  // Each criterion as a key, in the order of KeepCriterion, that sorts the
  // member to keep first.
  const auto key = [&](int r, KeepCriterion k) {
    const std::string& p = c.row(r).FullPath;
    const std::int64_t time = c.row(r).Identity.MtimeNs, size = std::ssize(p),
                       depth = std::count(p.begin(), p.end(), '/');
    const std::int64_t keys[] = {time, -time, size, -size, depth, -depth, 0};
    const std::string name = k == KeepCriterion::Name ? p.substr(p.rfind('/') + 1) + '\0' + p : "";
    return std::pair(keys[static_cast<int>(k)], name);
  };
  std::sort(compete.begin(), compete.end(), [&](int a, int b) {
    for (const KeepCriterion k : rule.criteria) {
      if (key(a, k) != key(b, k)) return key(a, k) < key(b, k);
    }
    return a < b;
  });
  return compete.front();
}

// Copies of some files of the tree into the Trash folders inside it: the
// home Trash ($XDG_DATA_HOME/Trash) and a mount's .Trash-<uid> and .Trash/<uid>.
std::vector<std::string> AddTrashCopies(const TempTree& tree, std::mt19937& rng) {
  std::vector<std::string> files;
  for (const auto& [path, kind] : ListTree(tree.root())) {
    if (kind.starts_with("f:") && kind.size() > 2) files.push_back(kind.substr(2));
  }
  const std::string uid = std::to_string(::geteuid());
  const std::vector<std::string> trashes = {"xdg/Trash", ".Trash-" + uid, "c/.Trash/" + uid};
  for (std::size_t i = 0; i < 6 && !files.empty(); ++i)
    tree.write(trashes[i % 3] + "/files/t" + std::to_string(i), files[rng() % files.size()]);
  return {tree.path(trashes[0]), tree.path(trashes[1]), tree.path(trashes[2])};
}

// Over random trees with Trash folders and protected folders inside, both
// modes, any keep rule: the check ticks nothing protected; the session's sets
// are the plain reading's; each rule's ticks are exactly the reference's (in
// a set it decides, all but the one kept; else the ticks it met); no set is
// left without an unticked member outside any Trash. Then Delete Checked,
// with a kept file changed from outside: nothing protected goes, and every
// content still has a file outside any Trash.
TEST(InvariantsTest, KeepRulesTickExactlyWhatTheyDoNotKeep) {
  constexpr int kSeeds = 12;
  int decided = 0;
  int shielded = 0;
  for (int seed = 1; seed <= kSeeds; ++seed) {
    for (const CheckMode mode : {CheckMode::Fast, CheckMode::Careful}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", mode " << static_cast<int>(mode));
      TempTree tree;
      std::mt19937 rng(static_cast<std::mt19937::result_type>(seed * 31));
      BuildRandomTree(tree, rng);
      ScopedEnv env("XDG_DATA_HOME", tree.path("xdg"));
      const std::vector<std::string> trashes = AddTrashCopies(tree, rng);
      const auto inTrash = [&](const std::string& path) {
        return std::any_of(trashes.begin(), trashes.end(),
                           [&](const std::string& t) { return ReferenceHolds(path, t); });
      };
      // The folder scanned and the folders kept, each spelled one way or
      // another: the rules mean the same folders.
      TempTree outside;
      ASSERT_EQ(::symlink(tree.root().c_str(), outside.path("root").c_str()), 0);
      const std::vector<std::string> spellings = {tree.root(), tree.root() + "/",
                                                  tree.root() + "/./", outside.path("root")};
      const std::string& spelled = spellings[static_cast<std::size_t>(seed) % spellings.size()];
      const std::string slash = seed % 3 == 0 ? "/" : seed % 3 == 1 ? "//" : "/.";
      const std::vector<std::string> shields =
          seed % 3 == 0 ? std::vector<std::string>{spelled + "/c"}
                        : std::vector<std::string>{tree.path("a/b") + slash, tree.path(".hidden")};
      const auto isProtected = [&](const std::string& path) {
        return std::any_of(shields.begin(), shields.end(),
                           [&](const std::string& f) { return ReferenceHolds(path, f); });
      };
      PlainRun run;
      ASSERT_TRUE(run.scan(spelled));
      run.session().setProtectedFolders(shields);
      // On some seeds a rule applies after the check, sets computed first
      // after a fast one.
      const KeepRule afterCheck{{}, {KeepCriterion::Newest, KeepCriterion::Name}};
      if (seed % 4 == 1) run.session().setKeepAfterCheck(afterCheck);
      run.check(mode, {}, seed % 2 == 0 ? EngineLimits{} : EngineLimits{4, 4096, 512, 8192});
      run.session().setKeepAfterCheck(std::nullopt);
      const CandidateTable& candidates = *run.candidates;
      for (int r = 1; r <= candidates.count(); ++r) {
        EXPECT_FALSE(run.session().ticked(r) && isProtected(candidates.row(r).FullPath)) << r;
      }
      const auto sortedSets = [&run] {
        std::vector<std::vector<int>> sets = run.session().identicalSets();
        for (auto& set : sets) std::sort(set.begin(), set.end());
        std::sort(sets.begin(), sets.end());
        return sets;
      };
      // The reference ticks of `rule` over set `set`, given the ticks before.
      const auto expectedTicks = [&](const std::vector<int>& set, const KeepRule& rule,
                                     const std::vector<char>& before) {
        std::vector<int> eligible;
        for (const int r : set) {
          if (!inTrash(candidates.row(r).FullPath)) eligible.push_back(r);
        }
        if (eligible.empty()) eligible = set;
        const std::optional<int> kept = ReferenceKept(eligible, candidates, rule);
        std::set<int> expected;
        for (const int r : set) {
          if ((kept ? r != *kept : before[r] != 0) && !isProtected(candidates.row(r).FullPath))
            expected.insert(r);
        }
        if (std::all_of(eligible.begin(), eligible.end(),
                        [&](int r) { return expected.count(r) != 0; }))
          expected.erase(eligible.front());
        decided += kept ? 1 : 0;
        return expected;
      };
      if (seed % 4 == 1) {
        const std::vector<char> none(static_cast<std::size_t>(candidates.count()) + 1, 0);
        for (const auto& set : sortedSets()) {
          const std::set<int> expected = expectedTicks(set, afterCheck, none);
          for (const int r : set) EXPECT_EQ(run.session().ticked(r), expected.count(r) != 0) << r;
        }
      }
      const std::vector<KeepRule> rules = {
          {{tree.path("a") + slash}, {}},
          {{tree.path("c/"), spelled}, {}},
          {{}, {KeepCriterion::Oldest}},
          {{outside.path("root/.hidden") + slash}, {KeepCriterion::Newest}},
          {{}, {KeepCriterion::Deepest, KeepCriterion::Name}},
          {{trashes[seed % 3], tree.path("a")}, {KeepCriterion::ShortestPath}},
          {{}, {KeepCriterion::Shallowest, KeepCriterion::LongestPath, KeepCriterion::Newest}},
          {{spelled + "/a/b"}, {}}};
      for (const KeepRule& rule : rules) {
        // The last rule meets every row ticked: the sets it leaves lose one tick.
        if (&rule == &rules.back()) run.session().tickAllFiles(true);
        std::vector<char> before(static_cast<std::size_t>(candidates.count()) + 1, 0);
        for (int r = 1; r <= candidates.count(); ++r) before[r] = run.session().ticked(r);
        const std::vector<int> ticks = run.keep(rule);
        const std::set<int> ticked(ticks.begin(), ticks.end());
        const std::vector<std::vector<int>> sets = sortedSets();
        ASSERT_EQ(sets, ReferenceSets(candidates));
        std::set<int> inSets;
        for (const auto& set : sets) {
          inSets.insert(set.begin(), set.end());
          const std::set<int> expected = expectedTicks(set, rule, before);
          for (const int r : set) EXPECT_EQ(ticked.count(r), expected.count(r)) << r;
        }
        for (int r = 1; r <= candidates.count(); ++r) {
          if (inSets.count(r) == 0) {
            EXPECT_EQ(ticked.count(r) == 1, before[r] != 0) << r;
          }
          EXPECT_EQ(candidates.row(r).Checked, ticked.count(r)) << r;
        }
        run.session().completeDeleteList();
        EXPECT_EQ(run.session().deleteList().rowCount(), static_cast<int>(ticks.size()));
      }
      // The contents of the sets, and where they may stay; a kept file then
      // changes from outside, and on odd seeds every row is ticked, protected
      // ones too.
      std::set<std::string> contents;
      std::vector<std::string> protectedPaths;
      std::string changed;
      std::string changedContent;
      for (const auto& set : sortedSets()) {
        const std::string content = ReadAnyPath(candidates.row(set.front()).FullPath);
        contents.insert(content);
        for (const int r : set) {
          const std::string& path = candidates.row(r).FullPath;
          if (isProtected(path)) protectedPaths.push_back(path);
          if (!changed.empty() || run.session().ticked(r) || isProtected(path)) continue;
          changed = path;
          changedContent = content;
        }
      }
      if (!changed.empty()) std::ofstream(changed, std::ios::app) << "changed";
      if (seed % 2 == 1) run.session().tickAllFiles(true);
      // Deleting but the hard links renumbers the rows the sets name, and can
      // leave a set with links of one file only.
      std::vector<int> untick;
      for (int i = 0; i < run.session().deleteList().rowCount(); ++i) {
        struct stat st {};
        const std::string& path = run.session().deleteTable().row(i + 1).FullPath;
        if (::lstat(path.c_str(), &st) == 0 && st.st_nlink > 1) untick.push_back(i);
      }
      const std::vector<std::string> deleting = run.deleteChecked(untick);
      ASSERT_EQ(run.lastDelete.size(), deleting.size());
      for (std::size_t i = 0; i < deleting.size(); ++i) {
        EXPECT_EQ(run.lastDelete[i] == DeleteResult::Protected, isProtected(deleting[i]))
            << deleting[i];
        shielded += run.lastDelete[i] == DeleteResult::Protected ? 1 : 0;
      }
      for (const std::string& path : protectedPaths) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path << " below a protected folder went";
      }
      // The changed file's content may have stayed only in a Trash (the
      // copy that was to stay is gone), but not be lost.
      std::set<std::string> staying;
      std::set<std::string> anywhere;
      for (const auto& [path, kind] : ListTree(tree.root())) {
        if (!kind.starts_with("f:")) continue;
        (inTrash(path) ? anywhere : staying).insert(kind.substr(2));
      }
      for (const std::string& content : contents) {
        EXPECT_TRUE(staying.count(content) != 0 ||
                    (content == changedContent && anywhere.count(content) != 0))
            << "a content kept only in a Trash, or lost";
      }
      if (!changed.empty()) std::ofstream(changed, std::ios::trunc) << changedContent;
      EXPECT_EQ(sortedSets(), ReferenceSets(candidates));
    }
  }
  EXPECT_GT(decided, 10 * kSeeds);  // the rules did decide sets
  EXPECT_GT(shielded, 0);           // Delete Checked met ticked protected files
}

}  // namespace
