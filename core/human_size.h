// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string>

// A size in binary units for people: "512 bytes", "1 byte", "1.5 KiB",
// "142 MiB", "3.2 GiB" (one decimal below 10 of a unit, else whole).
std::string HumanSize(std::uint64_t bytes);

// The exact count with its digits grouped by commas, and the unit:
// "148,772,721 bytes", "1 byte".
std::string GroupedBytes(std::uint64_t bytes);

// Both: "148,772,721 bytes (142 MiB)"; below 1 KiB just the bytes.
std::string BytesWithHumanSize(std::uint64_t bytes);
