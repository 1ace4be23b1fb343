// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "scan/scan_table.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "core/paths.h"

ScanTable::ScanTable(int capacity) : entries_(capacity) {}

std::string_view ScanTable::name(int i) const {
  const ScanEntry& entry = row(i);
  const std::size_t at = entry.NameAt;
  return {chunks_[at / kChunk].get() + at % kChunk, static_cast<std::size_t>(entry.NameLength)};
}

std::string ScanTable::folderPath(int f) const {
  const ScanFolder& record = folder(f);
  return record.Entry == 0 ? roots_[static_cast<std::size_t>(record.Root)] : path(record.Entry);
}

std::string ScanTable::path(int i) const {
  if (row(i).Folder == 0) return std::string(name(i));  // appended without a folder
  // Up the chain of folders once for the length, once to fill from the end.
  std::size_t length = 0;
  const std::string* root = nullptr;
  for (int at = i;;) {
    length += 1 + static_cast<std::size_t>(row(at).NameLength);
    const ScanFolder& up = folder(static_cast<int>(row(at).Folder));
    if (up.Entry == 0) {
      root = &roots_[static_cast<std::size_t>(up.Root)];
      break;
    }
    at = up.Entry;
  }
  const std::size_t prefix = EntryPrefixLength(*root);
  std::string out(prefix + length, '\0');
  std::size_t end = out.size();
  for (int at = i;;) {
    const std::string_view piece = name(at);
    end -= piece.size();
    std::memcpy(out.data() + end, piece.data(), piece.size());
    out[--end] = '/';
    const ScanFolder& up = folder(static_cast<int>(row(at).Folder));
    if (up.Entry == 0) break;
    at = up.Entry;
  }
  std::memcpy(out.data(), root->data(), prefix);
  return out;
}

int ScanTable::addRoot(const std::string& path, const FolderIdentity& identity) {
  roots_.push_back(path);
  folders_.push_back(ScanFolder{0, static_cast<int>(roots_.size()) - 1, identity});
  return folders();
}

int ScanTable::addFolder(int entry, const FolderIdentity& identity) {
  folders_.push_back(ScanFolder{entry, 0, identity});
  return folders();
}

bool ScanTable::append(ScanEntry entry, std::string_view name) {
  if (size() >= capacity()) return false;
  if (name.size() > 255) throw std::length_error("a name longer than any file system allows");
  if (chunks_.empty() || kChunk - chunkUsed_ < name.size()) {
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunk));
    chunkUsed_ = 0;
  }
  std::memcpy(chunks_.back().get() + chunkUsed_, name.data(), name.size());
  entry.NameAt = (chunks_.size() - 1) * kChunk + chunkUsed_;
  entry.NameLength = name.size();
  chunkUsed_ += name.size();
  return entries_.append(entry);
}

bool ScanTable::appendPath(ScanEntry entry, std::string_view path) {
  const std::string folderText(FolderOf(path));
  if (folderText.empty()) return false;
  if (folders_.empty() || folders_.back().Entry != 0 || roots_.back() != folderText) {
    addRoot(folderText, {});
  }
  entry.Folder = static_cast<std::uint32_t>(folders());
  return append(entry, FileNameOf(path));
}

std::size_t ScanTable::pathBytes() const {
  std::size_t bytes = chunks_.size() * kChunk + folders_.capacity() * sizeof(ScanFolder);
  bytes += roots_.capacity() * sizeof(std::string);
  for (const std::string& root : roots_) bytes += root.capacity();
  return bytes;
}

void ScanTable::clearNames() {
  chunks_.clear();
  chunkUsed_ = 0;
}

void ScanTable::clear() {
  entries_.clear();
  clearNames();
  folders_.clear();
  roots_.clear();
}

void ScanTable::release() {
  entries_.release();
  clearNames();
  std::vector<ScanFolder>().swap(folders_);
  std::vector<std::string>().swap(roots_);
}
