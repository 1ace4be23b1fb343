// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The session's own decisions, without a window: which scans it refuses and
// why, what it reports of each phase, the column apply that waits for a fill,
// and Delete Checked's second question, end steps and report.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "lists/row_texts.h"
#include "session/plain_driver.h"
#include "session/texts.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"

namespace {

using Kind = ScriptedDialogs::Kind;

// Every phase change and the last progress of each phase, as told.
class Recorder final : public SessionEvents {
 public:
  void phaseChanged(const PhaseChange& change) override { changes.push_back(change); }
  void progress(const RunProgress& p) override { last[static_cast<int>(p.phase)] = p; }
  void columnsApplyDue() override { ++columnsDue; }
  std::vector<Phase> phases() const {
    std::vector<Phase> out;
    for (const PhaseChange& c : changes) out.push_back(c.to);
    return out;
  }
  std::vector<PhaseChange> changes;
  RunProgress last[6];
  int columnsDue = 0;
};

struct SessionTest : ::testing::Test {
  SessionTest() : driver(Config(), &events, &dialogs) {
    for (const char* caption : {kColumnFileName, kColumnSize, kColumnPath}) {
      s().filesList().addColumn(caption);
      s().deleteList().addColumn(caption);
    }
  }
  static SessionConfig Config() {
    SessionConfig config;
    config.tableCapacity = 4096;
    config.checkpointHook = [] {};
    return config;
  }
  Session& s() { return driver.session(); }
  bool scan() { return !driver.runScan({{tree.root()}, {}, 0}).refused() && s().filesListFilled(); }

  TempTree tree;
  ScriptedDialogs dialogs;
  Recorder events;
  PlainDriver driver;
};

TEST_F(SessionTest, ScanRequestsAreRefusedWithTheirReasonAndChangeNothing) {
  tree.write("a", "x");
  const std::string missing = tree.path("gone");
  const ScanRefusal folder = s().requestScan({{tree.root(), missing}, {}, 0});
  EXPECT_EQ(folder.reason, ScanRefusalReason::FolderMissing);
  EXPECT_EQ(folder.folder, missing);
  // A file is no folder either.
  EXPECT_EQ(s().requestScan({{tree.path("a")}, {}, 0}).reason, ScanRefusalReason::FolderMissing);
  s().filesList().clearColumns();
  EXPECT_EQ(s().requestScan({{tree.root()}, {}, 0}).reason, ScanRefusalReason::NoColumns);
  EXPECT_FALSE(s().scanStepsDue());
  EXPECT_TRUE(events.changes.empty());
  EXPECT_TRUE(dialogs.shown().empty());  // the caller tells the user, by the reason

  // A tool without list rows needs no columns.
  PlainDriver plain([] {
    SessionConfig config;
    config.listRows = false;
    return config;
  }());
  EXPECT_FALSE(plain.runScan({{tree.root()}, {}, 0}).refused());
  EXPECT_EQ(plain.session().scannedRoots(), std::vector<std::string>{tree.root()});
}

TEST_F(SessionTest, AScanIsRefusedWhileADeleteRuns) {
  tree.write("a1", "same");
  tree.write("a2", "same");
  ASSERT_TRUE(scan());
  ASSERT_TRUE(driver.runCheck(CheckMode::Careful));
  std::atomic<bool> release{false};
  std::atomic<bool> held{false};
  s().config().checkpointHook = [&] {
    held = true;
    while (!release) std::this_thread::yield();
  };
  dialogs.answerYes(true);
  s().deleteChecked();
  ASSERT_EQ(s().phase(), Phase::Deleting);
  while (!held) std::this_thread::yield();
  EXPECT_EQ(s().requestScan({{tree.root()}, {}, 0}).reason, ScanRefusalReason::DeleteActive);
  EXPECT_FALSE(s().scanStepsDue());
  release = true;
  ASSERT_TRUE(driver.settle());
  EXPECT_EQ(s().report().deletes.size(), 1U);
}

// A tick changed in "Files" right before Delete Checked, before the
// rebuild of "Files to delete" was due, decides what goes.
TEST_F(SessionTest, DeleteGoesByTheTicksOfFilesAsTheyAreNow) {
  tree.write("a1", "same");
  tree.write("a2", "same");
  ASSERT_TRUE(scan());
  ASSERT_TRUE(driver.runCheck(CheckMode::Careful));
  const std::string first = s().candidates().row(1).FullPath;
  const std::string second = s().candidates().row(2).FullPath;
  ASSERT_TRUE(s().ticked(2));
  s().setTicked({2}, false);
  s().setTicked({1}, true);
  ASSERT_TRUE(s().deleteListStale());
  dialogs.answerYes(true);
  ASSERT_TRUE(driver.runDelete());
  EXPECT_FALSE(PathExists(first));
  EXPECT_TRUE(PathExists(second));
}

TEST_F(SessionTest, EventsTellEachPhaseHowItEndedAndHowFarItCame) {
  const std::string bytes(300000, 'z');
  tree.write("a1", bytes);
  tree.write("a2", bytes);
  ASSERT_TRUE(scan());
  EXPECT_EQ(events.phases(), (std::vector<Phase>{Phase::Walking, Phase::Grouping, Phase::Idle}));
  EXPECT_TRUE(events.changes.back().completed);
  EXPECT_EQ(driver.status(), texts::FoundBySize(2));

  events.changes.clear();
  ASSERT_TRUE(driver.runCheck(CheckMode::Careful));
  EXPECT_EQ(events.phases(), (std::vector<Phase>{Phase::Checking, Phase::Idle}));
  EXPECT_TRUE(events.changes.back().completed);
  // Both files were read to the end, each byte once.
  EXPECT_GE(events.last[static_cast<int>(Phase::Checking)].done, 2 * bytes.size());

  // A check cancelled before it ends, and a pause on the way.
  events.changes.clear();
  s().config().checkpointHook = [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); };
  ASSERT_TRUE(s().startCheck(CheckMode::Fast));
  s().togglePause();
  s().togglePause();
  s().cancelCheck();
  ASSERT_TRUE(driver.settle());
  EXPECT_EQ(events.phases(), (std::vector<Phase>{Phase::Checking, Phase::CheckPaused,
                                                 Phase::Checking, Phase::Idle}));
  EXPECT_FALSE(events.changes.back().completed);

  // A scan cancelled during its walk ends without filling "Files".
  events.changes.clear();
  ASSERT_FALSE(s().requestScan({{tree.root()}, {}, 0}).refused());
  s().scanStep();
  s().cancelScan();
  ASSERT_TRUE(driver.settle());
  ASSERT_FALSE(events.changes.empty());
  EXPECT_EQ(events.changes.front().to, Phase::Walking);
  EXPECT_EQ(events.changes.back().to, Phase::Idle);
  EXPECT_FALSE(events.changes.back().completed);
  EXPECT_EQ(s().filesList().rowCount(), 0);
}

TEST_F(SessionTest, ColumnsOfFilesWaitForTheFillThenAreDue) {
  for (int i = 0; i < 20; ++i) tree.write("f" + std::to_string(i), "");
  ASSERT_FALSE(s().requestScan({{tree.root()}, {}, 0}).refused());
  // Up to the hand-over: the grouping refills the candidates.
  ASSERT_TRUE(driver.driveUntil([&] { return s().phase() == Phase::Grouping; }));
  EXPECT_FALSE(s().setFilesColumns({kColumnPath}));
  EXPECT_EQ(dialogs.count(Kind::Information, texts::kColumnsWaitForFill), 1);
  EXPECT_EQ(events.columnsDue, 0);
  ASSERT_TRUE(driver.settle());
  EXPECT_EQ(events.columnsDue, 1);
  EXPECT_EQ(s().filesList().columnCount(), 3);  // the window applies them when told
}

// The kept copy goes and another ticked copy is edited (times restored)
// after the check: nothing is deleted without the second question, a No
// keeps the files and their rows, a Yes deletes only the unchanged one; the
// report says what became of each file.
TEST_F(SessionTest, DeleteAsksAgainForFilesWithoutACopyAndReportsEachFile) {
  const std::string bytes(5000, 'a');
  for (const char* name : {"a1", "a2", "a3", "b1", "b2"})
    tree.write(name, name[0] == 'a' ? bytes : "bb");
  ASSERT_TRUE(scan());
  ASSERT_TRUE(driver.runCheck(CheckMode::Careful));
  const CandidateTable& rows = s().candidates();
  ASSERT_EQ(rows.count(), 5);
  const std::string kept = rows.row(3).FullPath;  // size order: the two b files first
  const std::string a2 = rows.row(4).FullPath;
  const std::string a3 = rows.row(5).FullPath;
  ASSERT_EQ(s().identicalSets().size(), 2U);
  ASSERT_EQ(::unlink(kept.c_str()), 0);
  struct stat st {};
  ASSERT_EQ(::stat(a3.c_str(), &st), 0);
  tree.write(a3.substr(tree.root().size() + 1), std::string(5000, 'b'));
  const timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, a3.c_str(), times, 0), 0);

  dialogs.answerYes(true);
  dialogs.answerYes(false);
  ASSERT_TRUE(driver.runDelete());
  EXPECT_EQ(dialogs.count(Kind::ConfirmYesNo), 2);
  // The second question names the file without a copy, not the changed one.
  const std::string& question = dialogs.shown()[dialogs.shown().size() - 2].text;
  EXPECT_NE(question.find(a2), std::string::npos);
  EXPECT_EQ(question.find(a3), std::string::npos);
  const RunReport& report = s().report();
  ASSERT_EQ(report.deletes.size(), 3U);  // b2, a2, a3 in list order
  EXPECT_EQ(report.deletes[0].result, DeleteResult::Deleted);
  EXPECT_EQ(report.deletes[1].path, a2);
  EXPECT_EQ(report.deletes[1].result, DeleteResult::NoCopy);
  EXPECT_EQ(report.deletes[2].result, DeleteResult::Changed);
  EXPECT_EQ(report.deletes[2].size, 5000);
  EXPECT_EQ(report.kept(), 2U);
  EXPECT_EQ(dialogs.shown().back().text.find("Not deleted: 2 of 3"), 0U);
  // The end steps: b2's row gone, its set with it; the kept files keep
  // their ticked rows, and "Files to delete" shows them again.
  EXPECT_EQ(rows.count(), 4);
  EXPECT_EQ(s().identicalSets(), (std::vector<std::vector<int>>{{2, 3, 4}}));
  EXPECT_EQ(s().deleteList().rowCount(), 2);
  EXPECT_EQ(s().deleteList().checkedCount(), 2);
  EXPECT_EQ(driver.status(), texts::kInformationUpdated);
  EXPECT_EQ(events.changes.back().to, Phase::Idle);

  dialogs.answerYes(true);
  dialogs.answerYes(true);
  ASSERT_TRUE(driver.runDelete());
  ASSERT_EQ(report.deletes.size(), 2U);
  EXPECT_EQ(report.deletes[0].result, DeleteResult::Deleted);
  EXPECT_EQ(report.deletes[1].result, DeleteResult::Changed);
  EXPECT_EQ(::access(a2.c_str(), F_OK), -1);
  EXPECT_EQ(::access(a3.c_str(), F_OK), 0);
  EXPECT_EQ(rows.count(), 3);
}

}  // namespace

namespace {

// Links, shared blocks and a dry run: what each does to the ticked file, its
// rows and the report. Shared blocks are refused here (ext4 or tmpfs); the
// loop-mounted file systems are tried in core's and the CLI's tests.
TEST_F(SessionTest, LinksSharedBlocksAndDryRunsKeepEveryPathAndReport) {
  const std::string bytes(3000, 'q');
  tree.write("a1", bytes);
  tree.write("a2", bytes);
  ASSERT_TRUE(scan());
  ASSERT_TRUE(driver.runCheck(CheckMode::Careful));
  const std::string kept = s().candidates().row(1).FullPath;
  const std::string ticked = s().candidates().row(2).FullPath;
  const auto inode = [](const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  };

  s().setDryRun(true);
  dialogs.answerYes(true);
  ASSERT_TRUE(driver.runDelete());
  EXPECT_EQ(s().report().deletes.at(0).result, DeleteResult::Deleted);  // would be
  EXPECT_TRUE(s().report().dryRun);
  EXPECT_TRUE(PathExists(ticked));
  EXPECT_EQ(s().candidates().count(), 2);
  s().setDryRun(false);

  dialogs.answerYes(true);
  ASSERT_TRUE(driver.runReplace(FileAct::ShareBlocks));
  ASSERT_EQ(s().report().deletes.size(), 1U);
  EXPECT_EQ(s().report().deletes[0].result, DeleteResult::Failed);
  EXPECT_NE(dialogs.shown().back().text.find("cannot share blocks"), std::string::npos);
  EXPECT_NE(inode(ticked), inode(kept));

  dialogs.answerYes(false);  // No: nothing happens
  EXPECT_FALSE(driver.runReplace(FileAct::HardLink));
  EXPECT_NE(inode(ticked), inode(kept));
  dialogs.answerYes(true);
  ASSERT_TRUE(driver.runReplace(FileAct::HardLink));
  const DeletedFile& linked = s().report().deletes.at(0);
  EXPECT_EQ(linked.result, DeleteResult::Deleted);
  EXPECT_EQ(linked.keeper, kept);
  EXPECT_EQ(linked.bytes, bytes.size());
  EXPECT_EQ(inode(ticked), inode(kept));
  EXPECT_EQ(ReadFileBytes(ticked), bytes);
  EXPECT_EQ(dialogs.shown().back().text.find("Replaced by hard links: 1 of 1"), 0U);
  // The name stays in "Files", unticked, and leaves "Files to delete".
  EXPECT_EQ(s().candidates().count(), 2);
  EXPECT_FALSE(s().ticked(2));
  EXPECT_EQ(s().deleteList().rowCount(), 0);
}

}  // namespace
