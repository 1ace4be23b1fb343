// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/list_helpers.h"

#include <algorithm>

int FakeIcons::FileTypeIconIndex(const std::string& typeName) {
  requests.push_back(typeName);
  const auto it = std::find(requests.begin(), requests.end(), typeName);
  return static_cast<int>(it - requests.begin()) + 100;
}

void RecordingObserver::rowsAboutToBeAppended(int first, int last) {
  calls.push_back("rowsAboutToBeAppended " + std::to_string(first) + " " + std::to_string(last));
}
void RecordingObserver::rowsAboutToBeRemoved(int first, int last) {
  calls.push_back("rowsAboutToBeRemoved " + std::to_string(first) + " " + std::to_string(last));
}
void RecordingObserver::rowsDataChanged(int first, int last) {
  calls.push_back("rowsDataChanged " + std::to_string(first) + " " + std::to_string(last));
}
void RecordingObserver::columnWidthChanged(int column) {
  calls.push_back("columnWidthChanged " + std::to_string(column));
}

CandidateRow MakeCandidate(const std::string& path, std::int64_t size, bool checked) {
  CandidateRow row;
  row.FullPath = path;
  row.Size = size;
  row.Checked = checked ? 1 : 0;
  if (auto id = RegularFileIdentity(path)) row.Identity = *id;
  return row;
}

void FillCandidates(CandidateTable& table, std::vector<CandidateRow> rows) {
  table.clear();
  for (auto& r : rows) table.append(std::move(r));
  table.CandidateCount = table.size();
}

void AddColumns(ResultList& list, std::initializer_list<const char*> captions) {
  for (const char* c : captions) list.addColumn(c);
}

void FillFilesList(ResultList& files, const CandidateTable& candidates) {
  for (int k = 1; k <= candidates.count(); ++k) {
    const auto& c = candidates.row(k);
    AddListRow(files, files, 0, c.FileName(), c.Size, c.FullPath);
    files.setChecked(files.rowCount() - 1, c.Checked == 1);
  }
}

std::vector<std::string> Captions(const ResultList& list) {
  std::vector<std::string> out;
  for (int r = 0; r < list.rowCount(); ++r) out.emplace_back(list.row(r).caption());
  return out;
}

std::vector<std::string> CandidatePaths(const CandidateTable& candidates) {
  std::vector<std::string> out;
  for (int k = 1; k <= candidates.count(); ++k) out.push_back(candidates.row(k).FullPath);
  return out;
}
