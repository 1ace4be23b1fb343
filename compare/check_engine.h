// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/file_identity.h"
#include "core/records.h"

// Files are read in blocks of this size. Any block size gives the same
// answers; 64 KiB keeps the number of read calls low on large files while a
// pair that differs early still costs one block from each.
inline constexpr std::size_t kCompareBlockSize = std::size_t{64} * 1024;

// Bytes read by every comparison of this process so far (for measurements).
// Thread-safe.
std::uint64_t CompareBytesRead();

// Adds reads to CompareBytesRead(). Thread-safe.
void CountCompareBytesRead(std::uint64_t bytes);

// The content engine of the duplicate check. Instead of comparing pairs it
// splits a set of rows into classes of byte-identical files, reading every
// byte of every file at most once: all members of a group are read at the
// same offset, one block per round, and the group is split by the bytes of
// that block (a hash only picks the bucket; bytes are always compared). Files
// that differ early cost only their first blocks. Two rows are in one class
// exactly when a plain byte-for-byte comparison of the two files would call
// them identical (the tests hold it to one), apart from the same-file rule,
// which the tick rules apply (see TickRule).

// The engine takes each file as a RowIdentity: the row and the file as it
// was when the check reached it. It reads a file only while an open
// descriptor still shows that identity (device, inode, size, modification
// and change time: a write moves the times, so a file rewritten in place
// while it is read shows), checked before the first read and after the last.

// The regular file `path` names now, the path itself (a final symbolic link is
// not followed); nothing for a missing path, a link, a directory or any other
// non-regular file (such a row is identical to nothing).
std::optional<RowIdentity> StatCandidate(const std::string& path, int row);

// Which rows of a set are ticked once its classes are known. Two rows naming
// one file (same device and inode) are never identical to each other.
enum class TickRule {
  LaterCopy,         // identical to some earlier row of the set
  EarlierNeighbour,  // identical to the row right after it (row + 1)
};

// Bounds of one engine call. A group of n files reads blocks of
// clamp(roundBytes / n, minBlock, maxBlock) bytes, so a round holds at most
// max(roundBytes, n * minBlock) bytes of file data. A group of at most
// maxOpenFiles keeps its files open from round to round; a larger one opens,
// checks and closes each file in every round, so no more than maxOpenFiles
// files are ever open at once.
//
// A careful check runs `threads` engines side by side on different bands,
// each within these bounds (so at most threads * maxOpenFiles files are
// open); with more than one, the checkpoint must be safe to call from
// several threads at once. maxOpenFiles is lowered to each engine's share of
// the process's descriptor limit (DescriptorShare); a shortage of
// descriptors all the same makes an engine wait and try again, never counts
// as a difference.
//
// `unreadable`, when set, hears of each row whose file could not be opened or
// read; such a row is identical to nothing.
class UnreadableSink {
 public:
  // `error` is the errno. A file that changed since it was seen is not
  // reported. Called on the engine's thread, so from several at once when
  // engines run side by side.
  virtual void unreadable(int row, int error) = 0;

 protected:
  ~UnreadableSink() = default;
};

struct EngineLimits {
  int maxOpenFiles = 128;
  std::size_t roundBytes = std::size_t{8} << 20;
  std::size_t minBlock = 256;
  std::size_t maxBlock = kCompareBlockSize;
  int threads = 1;
  UnreadableSink* unreadable = nullptr;
};

// The rows of `files` that `rule` ticks, ascending. `files` are distinct rows
// of `table` in ascending row order, of any sizes; paths are taken from the
// table. `checkpoint` runs before every block read (it may throw StopRun;
// every file is closed on the way out). With `copies`, the rows whose bytes
// were read to the end and found identical to another file that a tick rests
// on (the ticked rows and their partners) are stored there, ascending. With
// `classes`, the classes IdenticalClasses() gives are added there (rule
// LaterCopy only), in the order the reading finishes them.
std::vector<int> TickedRows(const std::vector<RowIdentity>& files, TickRule rule,
                            const CandidateTable& table, const std::function<void()>& checkpoint,
                            const EngineLimits& limits = {}, std::vector<int>* copies = nullptr,
                            std::vector<std::vector<int>>* classes = nullptr);

// Told after each round of reads how many bytes of the call's files are
// settled (read, or no longer needed) of their total; on the engine's thread.
using EngineProgress = std::function<void(std::uint64_t settled, std::uint64_t total)>;

// The same, telling its progress.
std::vector<int> TickedRows(const std::vector<RowIdentity>& files, TickRule rule,
                            const CandidateTable& table, const std::function<void()>& checkpoint,
                            const EngineLimits& limits, const EngineProgress& progress,
                            std::vector<int>* copies = nullptr);

// The classes of byte-identical rows of `files` that hold at least two
// different files (rows naming one file count once), each in row order, the
// classes ordered by their first row. Same reading as TickedRows.
std::vector<std::vector<int>> IdenticalClasses(const std::vector<RowIdentity>& files,
                                               const CandidateTable& table,
                                               const std::function<void()>& checkpoint,
                                               const EngineLimits& limits = {});

// The same for files whose paths stand beside them: paths[i] is the path of
// files[i]; the classes hold the files' `row` values.
std::vector<std::vector<int>> IdenticalClasses(const std::vector<RowIdentity>& files,
                                               const std::vector<std::string>& paths,
                                               const std::function<void()>& checkpoint,
                                               const EngineLimits& limits = {});
