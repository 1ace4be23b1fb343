// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <functional>
#include <string>

// A plain two-file comparison, kept as the reference that the content engine
// is held to: slow (each pair on its own), but plainly right.

// Why a pair is or is not identical; the public answer is only yes or no.
enum class CompareVerdict {
  Identical,
  Different,    // some byte differs
  SizesDiffer,  // rejected by size, neither file opened
  Missing,      // a path is not a regular file
  SameFile,     // both paths name one file (same device and inode)
  Unreadable,   // open or read failed
  Changed,      // the two reads of a block returned different lengths
};

// Compares two files byte for byte, read-only, in blocks of
// kCompareBlockSize, counting what it reads in CompareBytesRead().
// `betweenBlocks` is called before each block read after the first (it may
// throw StopRun). Both files are always closed. Thread-safe.
CompareVerdict CompareFiles(const std::string& first, const std::string& second,
                            const std::function<void()>& betweenBlocks = {});

// True only when CompareFiles says Identical.
bool CompareTwoFiles(const std::string& first, const std::string& second);
