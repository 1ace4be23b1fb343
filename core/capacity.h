// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

// Capacity of every process-wide table: slots numbered 1 to kTableSlots.
// A walk fills at most kTableSlots - 1 entries (the attempt to fill the last
// slot ends it), so the tables that are copied from the scan table never overflow.
inline constexpr int kTableSlots = 500000;
