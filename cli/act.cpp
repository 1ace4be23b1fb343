// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "cli/act.h"

#include "core/human_size.h"
#include "lists/row_texts.h"

namespace {

FileAct ActOf(CliAct act) {
  switch (act) {
    case CliAct::Link:
      return FileAct::HardLink;
    case CliAct::Reflink:
      return FileAct::ShareBlocks;
    default:
      return FileAct::Delete;
  }
}

// "delete: 3 of 4 ticked files done, 12,288 bytes (12 KiB) freed; 1 kept, 0 failed"
std::string Summary(const RunReport& report, CliAct act, bool dryRun) {
  std::size_t done = 0;
  std::size_t failed = 0;
  std::uint64_t bytes = 0;
  for (const DeletedFile& file : report.deletes) {
    if (file.result == DeleteResult::Deleted) {
      ++done;
      bytes += file.bytes;
    }
    failed += file.result == DeleteResult::Failed ? 1 : 0;
  }
  const std::size_t kept = report.deletes.size() - done - failed;
  const char* effect = act == CliAct::Reflink ? "shared" : act == CliAct::Trash ? "moved" : "freed";
  std::string text = ActWord(ActOf(act), act == CliAct::Trash);
  if (dryRun) text += " (dry run)";
  text += ": " + std::to_string(done) + " of " + std::to_string(report.deletes.size()) +
          " ticked files " + (dryRun ? "would be done, " : "done, ") + BytesWithHumanSize(bytes) +
          (dryRun ? " would be " : " ") + effect + "; " + std::to_string(kept) + " kept, " +
          std::to_string(failed) + " failed";
  return text;
}

}  // namespace

void ActProgress::progress(const RunProgress& progress) {
  if (progress.phase == Phase::Deleting) {
    writer_.progress(Stage::Acting, progress.percent, progress.done);
  } else {
    others_.progress(progress);
  }
}

void PrepareActSession(Session& session) {
  for (const char* caption : {kColumnFileName, kColumnSize, kColumnPath}) {
    session.filesList().addColumn(caption);
    session.deleteList().addColumn(caption);
  }
}

ActOutcome RunAct(SessionDriver& driver, const CliOptions& options, ReportWriter& writers) {
  Session& session = driver.session();
  const FileAct act = ActOf(options.act);
  const bool trash = options.act == CliAct::Trash;
  ActOutcome outcome;
  bool anyTicked = false;
  for (int r = 1; r <= session.candidates().count() && !anyTicked; ++r)
    anyTicked = session.ticked(r);
  if (anyTicked) {
    session.setDryRun(options.dryRun);
    if (act == FileAct::Delete) {
      session.useTrash(trash);
      outcome.ran = driver.runDelete();
    } else {
      outcome.ran = driver.runReplace(act);
    }
    if (!outcome.ran) return outcome;
  }
  outcome.ran = true;
  const RunReport& report = session.report();
  for (const DeletedFile& file : report.deletes) {
    writers.acted(file, act, trash);
    if (file.result != DeleteResult::Deleted) outcome.status = 4;
    // A failure's reason is named on the error stream, as a file not read is.
    if (file.result == DeleteResult::Failed)
      outcome.messages.push_back(std::string("cannot ") + ActWord(act, trash) + " \"" + file.path +
                                 "\": " + ActErrorText(file, act));
  }
  outcome.messages.push_back(Summary(report, options.act, options.dryRun));
  return outcome;
}
