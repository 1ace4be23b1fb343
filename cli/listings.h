// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "output/report_writer.h"
#include "output/terminal_writers.h"
#include "session/session.h"

// Why a scan that ran cannot be listed (its walk gave up, or a folder given
// could not be listed), said on `err` after the progress line is cleared;
// false when it can.
bool ScanFailed(const RunReport& report, const std::vector<std::string>& roots,
                ProgressLineWriter& line, std::FILE* err, const char* program);

// The listings of a run, from the session's candidates, ticks and sets.
void WriteTickedFiles(const Session& session, ReportWriter& writer);
void WriteCandidates(const Session& session, ReportWriter& writer);
// Each set of identical files, the files a keep rule keeps first, the others
// after, each in row order.
void WriteSets(const Session& session, ReportWriter& writer);
