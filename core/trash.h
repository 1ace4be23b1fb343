// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <string>

#include "core/file_identity.h"

// Moves `path` to the desktop's Trash (the freedesktop.org layout: files/
// and info/ with a .trashinfo per file) only when it still names the regular
// file `expected`, in the folder `folder` when known, looked at through the
// parent folder opened once, right before the rename from that folder.
//
// A file on the device of the home Trash ($XDG_DATA_HOME/Trash, else
// ~/.local/share/Trash, made when missing) goes there; another goes to its
// mount's $topdir/.Trash/$uid (a sticky folder, not a link) or
// $topdir/.Trash-$uid (made when missing). Names are bytes: a name that is
// not UTF-8 goes too. The info file reserves the name in the Trash; a bounded
// number of names is tried, so the call always ends. Nothing is written
// outside a Trash folder, and a move that fails leaves no info file behind.
//
// Deleted when moved; Missing when nothing is at the path; Changed when the
// path names another file or the parent is not `folder`; Failed, with the
// errno in *error, when the file stays (EXDEV: no usable Trash on its
// device). When the file has other links and `after` is given, *after
// receives its identity once moved (the rename moves its change time).
// Thread-safe.
DeleteOutcome MoveToTrashIfUnchanged(const std::string& path, const FileIdentity& expected,
                                     const FolderIdentity& folder, FileIdentity* after = nullptr,
                                     int* error = nullptr);
