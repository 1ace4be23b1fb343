// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The window and twinscan-cli agree: the same candidates in the same order,
// and the same ticks in both check modes, on random trees.
#include <QtTest>

#include <unistd.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "form_fixture.h"
#include "support/cli_capture.h"

class CliAgreementTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void windowAndCliListAndTickTheSameRows();
};

namespace {

// Copies, same-size near-copies (one byte off), empty files, hard links and
// unique sizes, spread over nested folders.
void FillRandomTree(const TempTree& tree, std::mt19937& random) {
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int original = 0; original < 40; ++original) {
    const std::size_t size = 1 + static_cast<std::size_t>(pick(5000));
    std::string bytes(size, static_cast<char>('a' + pick(26)));
    bytes[static_cast<std::size_t>(pick(static_cast<int>(size)))] = 'X';
    const auto name = [&](int n) {
      return "d" + std::to_string(pick(4)) + "/e" + std::to_string(pick(3)) + "/f" +
             std::to_string(original) + "_" + std::to_string(n);
    };
    const std::string first = tree.write(name(0), bytes);
    const int copies = pick(4);
    for (int c = 1; c <= copies; ++c) tree.write(name(c), bytes);
    if (pick(3) == 0) {
      std::string near = bytes;
      near[static_cast<std::size_t>(pick(static_cast<int>(size)))] ^= 1;
      tree.write(name(10), near);
    }
    if (pick(5) == 0) (void)::link(first.c_str(), tree.path(name(20)).c_str());
  }
  for (int e = 0; e < 3; ++e) tree.write("empty" + std::to_string(e), "");
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

void CliAgreementTest::windowAndCliListAndTickTheSameRows() {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    std::mt19937 random(seed);
    TempTree tree;
    FillRandomTree(tree, random);
    FormFixture f;
    QVERIFY(f.scan(tree.root()));

    std::string out;
    std::string err;
    QCOMPARE(RunCli({"--list", "candidates", tree.root()}, out, err), 0);
    std::vector<std::string> windowRows;
    const CandidateTable& table = f.form->candidates();
    for (int k = 1; k <= table.count(); ++k) {
      windowRows.push_back(std::to_string(table.row(k).Size) + "\t" + table.row(k).FullPath);
    }
    QCOMPARE(Lines(out), windowRows);
    QVERIFY(windowRows.size() > 20);

    for (const int mode : {0, 1}) {
      QVERIFY(f.check(mode));
      f.settle();
      std::vector<std::string> ticked;
      for (int k = 1; k <= table.count(); ++k) {
        if (table.row(k).Checked == 1) ticked.push_back(table.row(k).FullPath);
      }
      std::vector<std::string> toDelete;
      for (int e = 1; e <= f.form->deleteTable().DeleteCount; ++e)
        toDelete.push_back(f.form->deleteTable().row(e).FullPath);
      QCOMPARE(toDelete, ticked);
      out.clear();
      QCOMPARE(RunCli({"--mode", mode == 0 ? "fast" : "careful", tree.root()}, out, err), 0);
      QCOMPARE(Lines(out), ticked);
      if (mode == 1) QVERIFY(!ticked.empty());
    }
  }
}

QTEST_MAIN(CliAgreementTest)
#include "cli_agreement_test.moc"
