// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <string>

#include "core/file_identity.h"

// Moves `path` to the desktop's Trash (freedesktop.org layout, through
// QFile::moveToTrash) only when it still names the regular file `expected`,
// looked at right before the move. A name Qt cannot carry byte for byte (not
// valid in the locale's encoding) is not moved: Failed. When the file has
// other links and `after` is given, *after receives its identity once moved
// (the move changes its change time). Thread-safe.
DeleteOutcome MoveToTrashIfUnchanged(const std::string& path, const FileIdentity& expected,
                                     FileIdentity* after = nullptr);
