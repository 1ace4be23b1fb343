// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <string>

// Whether `path` names an existing directory (links followed).
bool IsExistingDirectory(const std::string& path);

// The folder picker's walk-up: while `text` is not an existing directory, cut
// its last component together with the '/' before it. An absolute path cut
// down to nothing becomes "/"; a relative one becomes empty. Always ends.
std::string WalkUpToExistingFolder(std::string text);
