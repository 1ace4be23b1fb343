// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <functional>
#include <optional>
#include <string>

// Writing a file whole or not at all: nothing a write leaves behind is a
// fragment, and no write waits for a reader that never comes.

// What failed ("create", "open", "write" or "close") and the errno.
struct WriteFailure {
  const char* what;
  int error;
};

// Writes the content that `fill` produces (it gets the descriptor and
// returns 0, or the errno of a failure) as the file `path` names, following
// symbolic links.
//
// A regular file, or a missing one with `create`, is written as a new file
// beside it and renamed over it, so a failure (a full disk, a folder that
// takes no new file, a refused rename) leaves the old file as it was and no
// new file behind. A new file gets the permission bits 0666 less the umask; a
// replaced one keeps its bits and, where the system allows, its owner and
// group. Another hard link of a replaced file keeps the old content. A file
// the caller may not write is refused ("create", or "open" without `create`;
// EACCES) and left as it is.
// Without `create` a missing file is an error ("open", ENOENT).
//
// Anything else (a device such as /dev/null, a FIFO) is written in place,
// opened without blocking: a FIFO without a reader fails at once ("create",
// ENXIO) and a write that cannot go on fails after a few seconds.
std::optional<WriteFailure> WriteFileWhole(const std::string& path, bool create,
                                           const std::function<int(int fd)>& fill);
