// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "group/unit_sort.h"

#include <algorithm>
#include <utility>

namespace {

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

// Entries the partition skips at once when none of them is below the pivot.
// A run of equal sizes costs a full pass per entry, so this check, four
// independent minimums per block, is what makes thousands of empty files
// affordable; it moves nothing, so the swap sequence is unchanged. It is
// tried only after a block without a smaller entry, so mixed sizes do not pay
// for it.
constexpr int kSkipBlock = 16;

bool NoneBelow(const FileRecord* r, std::int64_t pivot) {
  std::int64_t m0 = r[0].Size, m1 = r[1].Size, m2 = r[2].Size, m3 = r[3].Size;
  for (int k = 4; k < kSkipBlock; k += 4) {
    m0 = std::min(m0, r[k].Size);
    m1 = std::min(m1, r[k + 1].Size);
    m2 = std::min(m2, r[k + 2].Size);
    m3 = std::min(m3, r[k + 3].Size);
  }
  return std::min(std::min(m0, m1), std::min(m2, m3)) >= pivot;
}

// Whether every entry of r[first..last] has the size `size`.
bool AllOfSize(const FileRecord* r, int first, int last, std::int64_t size) {
  for (int k = first; k <= last; ++k) {
    if (r[k].Size != size) return false;
  }
  return true;
}

// Sorts r[lo..hi], offsets from the table's first position. The middle
// lo + (hi - lo) / 2 names the same entry as (lo + hi) div 2 on 1-based
// positions. Each partition step parks the middle entry at lo, swaps strictly
// smaller entries to the front and then the pivot to `last`. The smaller side
// is sorted by recursion and the larger one by the next turn of the loop, so
// the depth stays logarithmic; the sides are disjoint, so the order in which
// they are sorted does not change the result.
void SortRange(FileRecord* r, int lo, int hi, const std::atomic<bool>* cancel) {
  for (;;) {
    if (Cancelled(cancel)) return;
    if (hi <= lo) return;
    const int mid = lo + (hi - lo) / 2;
    std::swap(r[lo], r[mid]);
    const std::int64_t pivot = r[lo].Size;
    int last = lo;
    int j = lo + 1;
    bool trySkip = true;  // the last block had no smaller entry
    while (j <= hi) {
      if (trySkip && hi - j + 1 >= kSkipBlock && NoneBelow(r + j, pivot)) {
        j += kSkipBlock;
        continue;
      }
      const int lastBefore = last;
      for (const int stop = std::min(hi, j + kSkipBlock - 1); j <= stop; ++j) {
        if (r[j].Size < pivot) {
          ++last;
          std::swap(r[last], r[j]);
        }
      }
      trySkip = last == lastBefore;
    }
    std::swap(r[lo], r[last]);

    // Nothing was below the pivot and every entry after it has its size: each
    // further step over this run would only park the run's middle entry at its
    // first position, after a pass over the whole run. The same swaps are
    // made here directly, so a run of k equal sizes costs k steps, not k
    // passes.
    if (last == lo && AllOfSize(r, lo + 1, hi, pivot)) {
      for (int first = lo + 1; first < hi; ++first) {
        if ((first & 0xFFFF) == 0 && Cancelled(cancel)) return;
        std::swap(r[first], r[first + (hi - first) / 2]);
      }
      return;
    }

    if (last - lo < hi - last) {
      SortRange(r, lo, last - 1, cancel);
      lo = last + 1;
    } else {
      SortRange(r, last + 1, hi, cancel);
      hi = last - 1;
    }
  }
}

}  // namespace

void SortFileTableBySize(FileTable& table, const std::atomic<bool>* cancel) {
  if (table.size() < 2) return;
  SortRange(&table.row(1), 0, table.size() - 1, cancel);
}
