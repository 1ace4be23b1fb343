#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Files are read in blocks of this size. Any block size gives the same
// answers; 64 KiB keeps the number of read calls low on large files while a
// pair that differs early still costs one block from each.
inline constexpr std::size_t kCompareBlockSize = std::size_t{64} * 1024;

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

// Compares two files byte for byte, read-only. `betweenBlocks` is called
// before each block read after the first (it may throw StopRun). Both files
// are always closed. Thread-safe.
CompareVerdict CompareFiles(const std::string& first, const std::string& second,
                            const std::function<void()>& betweenBlocks = {});

// True only when CompareFiles says Identical.
bool CompareTwoFiles(const std::string& first, const std::string& second);

// Bytes read by every comparison of this process so far, the check engine's
// reads included (for measurements). Thread-safe.
std::uint64_t CompareBytesRead();

// Adds reads made outside CompareFiles to CompareBytesRead(). Thread-safe.
void CountCompareBytesRead(std::uint64_t bytes);
