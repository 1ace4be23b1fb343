// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <optional>
#include <string>

// The developer build counter: with the marker "TSDevelomModeOn.txt" in the
// start directory, each start-up adds one to the number in "Build.txt" there.

inline constexpr const char* kBuildMarkerFileName = "TSDevelomModeOn.txt";
inline constexpr const char* kBuildCounterFileName = "Build.txt";

// When both the marker and "Build.txt" are regular files in `startDirectory`:
// reads the first whole number n of "Build.txt" (after leading spaces, tabs,
// CR and LF; it ends at the next blank) and writes the file anew as the single
// line n + 1 followed by CR LF. Otherwise does nothing; "Build.txt" is never
// created. Returns the error text, the file left as it was, when the first
// word is no signed 32-bit whole number ("'<word>' is not a valid integer
// value"), when n + 1 does not fit, or when the file cannot be read or
// written (with the system's reason); nothing otherwise. Any thread.
std::optional<std::string> RunBuildCounter(const std::string& startDirectory);
