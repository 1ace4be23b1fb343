// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <chrono>
#include <functional>

// Running out of file descriptors is a passing state of the process (EMFILE)
// or the system (ENFILE), not a property of the file being opened: an open
// that fails for it is tried again once descriptors are free, so a shortage
// never changes a result.

// True for EMFILE and ENFILE.
bool IsDescriptorShortage(int error);

// How long an open waits in all for a descriptor before it gives up.
inline constexpr std::chrono::milliseconds kDescriptorPatience{5000};

// Calls `open` (a descriptor, or -1 with errno; errno is cleared before each
// call) until it succeeds or fails for another reason. On a shortage the
// caller first closes what it can spare (`release`, true when it closed
// anything) and `open` runs again at once; with nothing left to release, the
// descriptors must come from other threads or processes: it waits, pausing
// 1 ms and growing to 50 ms, for at most `patience` in all. `checkpoint` runs
// before each pause (it may block while paused or throw to stop). Returns the
// last result with its errno.
int OpenDespiteShortage(const std::function<int()>& open, const std::function<bool()>& release,
                        const std::function<void()>& checkpoint,
                        std::chrono::milliseconds patience = kDescriptorPatience);

// The descriptors one of `threads` workers may keep open at once: at most
// `wanted`, and an equal share of what the process's limit (RLIMIT_NOFILE)
// leaves after a reserve for the rest of the program (a quarter of the limit,
// at least 32). Never below 1.
int DescriptorShare(int wanted, int threads);
