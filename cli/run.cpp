// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "cli/run.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "cli/act.h"
#include "cli/listings.h"
#include "cli/options.h"
#include "output/listing_writers.h"
#include "output/output_stream.h"
#include "output/report_writer.h"
#include "output/terminal_writers.h"
#include "session/plain_driver.h"
#include "session/texts.h"
#include "session/writer_progress.h"

namespace {

constexpr const char* kProgram = "twinscan-cli";

void WriteText(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

int UsageError(std::FILE* err, const std::string& reason) {
  WriteText(err, std::string(kProgram) + ": " + reason + "\n");
  WriteText(err, CliUsage());
  return 2;
}

// "twinscan-cli: <text>" and a newline on `err`; exit status 1.
int Failed(std::FILE* err, const std::string& text) {
  WriteText(err, std::string(kProgram) + ": " + text + "\n");
  return 1;
}

int Run(const CliOptions& options, std::FILE* outStream, std::FILE* err,
        const CliEnvironment& env) {
  OutputStream out(outStream);
  ProgressLineWriter line(err, env.showProgress);
  TextWriter text(out, options.nulTerminated ? '\0' : '\n',
                  /*sizes=*/options.list == ListForm::Candidates);
  JsonLinesWriter json(out);
  ErrorStreamReport errors(err, kProgram, out);
  // The progress line is cleared before the listing; what the run left out follows it.
  WriterFanout writers{&line};
  writers.add(options.format == OutputFormat::Json ? static_cast<ReportWriter&>(json) : text);
  writers.add(errors);

  ActProgress events(line);
  SessionConfig config;
  config.tableCapacity = env.tableSlots;
  // Only an act needs list rows: a listing of millions of files goes without.
  const bool acting = options.act != CliAct::None;
  config.listRows = acting;
  PlainDriver driver(config, &events);
  Session& session = driver.session();
  if (acting) PrepareActSession(session);
  const ScanRequest request{options.folders, options.excludes, options.minSize};
  if (const ScanRefusal refusal = session.scanRefusal(request); refusal.refused()) {
    if (refusal.reason != ScanRefusalReason::FolderMissing)
      return Failed(err, "the scan was refused");
    WriteText(err,
              texts::kFolderMissingBefore + refusal.folder + texts::kFolderMissingAfter + "\n");
    return 1;
  }
  session.setProtectedFolders(options.protect);

  writers.begin();
  driver.runScan(request);  // accepted: the request was checked above
  const RunReport& report = session.report();
  if (ScanFailed(report, request.roots, line, err, kProgram)) return 1;

  const auto stopped = [&](const char* what) {
    line.clear();
    return Failed(err, what);
  };
  ActOutcome act;
  switch (options.list) {
    case ListForm::Ticked:
      if (!driver.runCheck(options.mode)) return stopped("the check did not run");
      // The careful check's sets are kept; after a fast one they are compared first.
      events.comparing() = true;
      if (options.keepGiven() && !driver.keep(options.keep))
        return stopped("the keep rules did not run");
      if (acting) {
        if (env.beforeAct) env.beforeAct();
        act = RunAct(driver, options, writers);
        if (!act.ran) return stopped("the session refused the act");
        break;
      }
      WriteTickedFiles(session, writers);
      break;
    case ListForm::Candidates:
      WriteCandidates(session, writers);
      break;
    case ListForm::Groups: {
      events.comparing() = true;
      // The rules leave the files they keep unticked; without a check every
      // other file is unticked too.
      const bool known = options.keepGiven() ? driver.keep(options.keep) : driver.sets() != nullptr;
      if (!known) return stopped("the sets were not compared");
      WriteSets(session, writers);
      break;
    }
  }
  // A folder that could not be listed, or a file that could not be read
  // (counted as different from every other): the listing may lack copies.
  writers.end(report);
  for (const std::string& message : act.messages)
    WriteText(err, std::string(kProgram) + ": " + message + "\n");
  // A listing not written whole says the most; then a file kept by the act.
  return errors.status() == 1 ? 1 : act.status != 0 ? act.status : errors.status();
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
           const CliEnvironment& env) {
  const ParsedArgs parsed = ParseCliArgs(args);
  int status = 0;
  switch (parsed.outcome) {
    case ParseOutcome::UsageError:
      status = UsageError(err, parsed.error);
      break;
    case ParseOutcome::Help:
    case ParseOutcome::Version: {
      OutputStream text(out);
      text.write(parsed.outcome == ParseOutcome::Help ? CliUsage() : CliVersion() + "\n");
      ErrorStreamReport errors(err, kProgram, text);
      errors.end(RunReport{});
      status = errors.status();
      break;
    }
    case ParseOutcome::Run:
      try {
        status = Run(parsed.options, out, err, env);
      } catch (const std::exception& e) {
        status = Failed(err, e.what());
      }
      break;
  }
  std::fflush(err);
  return status;
}
