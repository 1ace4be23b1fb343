// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>

// Stacked file systems (overlay, aufs, unionfs, ecryptfs, shiftfs, the FUSE
// unions) show the files of the file systems below them under those files'
// own inode numbers, on a device of their own: one file, two devices. Such a
// pair must never count as two copies, for deleting one loses the other.

// Whether a file system type, as /proc/self/mountinfo spells it, is stacked.
bool IsStackedTypeName(std::string_view type);

// Every device a mount table (the text of /proc/self/mountinfo) names, by
// st_dev, and whether its file system is stacked.
std::unordered_map<std::uint64_t, bool> DevicesInMountTable(std::string_view mountinfo);

// Whether files of device `dev` may be files of another device seen through
// a stacked file system: its mount is of a stacked type, or no mount names
// the device at all (overlay gives the files of each layer on another file
// system a device no mount names; btrfs subvolumes have such devices too,
// which only costs that a snapshot's file and the original, of one inode
// number, are not taken for copies). The mount table is read on first use
// and again whenever it has changed. Thread-safe.
bool MayBeStacked(std::uint64_t dev);
