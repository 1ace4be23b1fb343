// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "core/records.h"
#include "lists/result_list.h"
#include "lists/row_texts.h"

// Hands out one index per type name and remembers every request.
class FakeIcons : public IconIndexer {
 public:
  int FileTypeIconIndex(const std::string& typeName) override;
  std::vector<std::string> requests;
};

// Records every observer call as one short text.
class RecordingObserver : public ResultListObserver {
 public:
  void columnsAboutToChange() override { calls.push_back("columnsAboutToChange"); }
  void columnsChanged() override { calls.push_back("columnsChanged"); }
  void rowsAboutToBeAppended(int first, int last) override;
  void rowsAppended() override { calls.push_back("rowsAppended"); }
  void rowsAboutToBeRemoved(int first, int last) override;
  void rowsRemoved() override { calls.push_back("rowsRemoved"); }
  void aboutToReset() override { calls.push_back("aboutToReset"); }
  void reset() override { calls.push_back("reset"); }
  void rowsDataChanged(int first, int last) override;
  void columnWidthChanged(int column) override;
  std::vector<std::string> calls;
};

// A candidate for `path`, its identity taken from the file when one is there.
CandidateRow MakeCandidate(const std::string& path, std::int64_t size, bool checked = false);

// Replaces the rows of `table` and publishes their count.
void FillCandidates(CandidateTable& table, std::vector<CandidateRow> rows);

void AddColumns(ResultList& list, std::initializer_list<const char*> captions);

// Appends one "Files" row per candidate, as the grouping does, ticked by Checked.
void FillFilesList(ResultList& files, const CandidateTable& candidates);

// The captions of every row of `list`, in order.
std::vector<std::string> Captions(const ResultList& list);
std::vector<std::string> CandidatePaths(const CandidateTable& candidates);
