// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

// Candidate row k of a table (counted from 1) stands beside row k - 1 of
// "Files" (counted from 0). Each count has its own type, so one is never
// taken for the other, and the offset is written here only.
struct TableRow;

struct ListIndex {
  int value = -1;
  constexpr TableRow tableRow() const;
  friend constexpr bool operator==(ListIndex, ListIndex) = default;
};

struct TableRow {
  int value = 0;
  constexpr ListIndex listIndex() const { return {value - 1}; }
  friend constexpr bool operator==(TableRow, TableRow) = default;
};

constexpr TableRow ListIndex::tableRow() const {
  return {value + 1};
}
