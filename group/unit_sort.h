// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <atomic>

#include "group/file_table.h"

// Sorts records 1..size() ascending by Size with the middle-element
// quicksort whose swap sequence fixes the order of equal sizes (that order
// decides which copy a check leaves unticked). Returns at once, leaving the
// table partly ordered, when `cancel` is set. Recurses into the smaller range
// only, so runs of equal sizes cannot exhaust the stack.
void SortFileTableBySize(FileTable& table, const std::atomic<bool>* cancel = nullptr);
