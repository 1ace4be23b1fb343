// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cli_capture.h"
#include "support/temp_tree.h"

namespace {

using Args = std::vector<std::string>;

TEST(CliOptionsTest, ReadsValuesInBothFormsAndFolderAfterDoubleDash) {
  const ParsedArgs defaults = ParseCliArgs({"dir"});
  ASSERT_EQ(defaults.outcome, ParseOutcome::Run);
  EXPECT_EQ(defaults.options.mode, CheckMode::Careful);
  EXPECT_EQ(defaults.options.list, ListForm::Ticked);
  EXPECT_FALSE(defaults.options.nulTerminated);
  EXPECT_EQ(defaults.options.folders, std::vector<std::string>{"dir"});

  const ParsedArgs parsed = ParseCliArgs({"--mode=fast", "-0", "--list", "groups", "--", "-odd"});
  ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.error;
  EXPECT_EQ(parsed.options.mode, CheckMode::Fast);
  EXPECT_EQ(parsed.options.list, ListForm::Groups);
  EXPECT_TRUE(parsed.options.nulTerminated);
  EXPECT_EQ(parsed.options.folders, std::vector<std::string>{"-odd"});

  EXPECT_EQ(ParseCliArgs({"--list=candidates", "d"}).options.list, ListForm::Candidates);

  const ParsedArgs more = ParseCliArgs(
      {"a", "--min-size", "4096", "--exclude=*.tmp", "b", "--exclude", "x/y", "--format=json"});
  ASSERT_EQ(more.outcome, ParseOutcome::Run) << more.error;
  EXPECT_EQ(more.options.folders, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(more.options.minSize, 4096);
  EXPECT_EQ(more.options.excludes, (std::vector<std::string>{"*.tmp", "x/y"}));
  EXPECT_EQ(more.options.format, OutputFormat::Json);

  // Criteria in the order given over every --keep; each of the seven words.
  const ParsedArgs keep =
      ParseCliArgs({"--keep", "deepest,name", "--protect", "/", "--keep",
                    "oldest,newest,shortest-path,longest-path,shallowest", "d", "--protect=/tmp"});
  ASSERT_EQ(keep.outcome, ParseOutcome::Run) << keep.error;
  EXPECT_EQ(
      keep.options.keep.criteria,
      (std::vector<KeepCriterion>{
          KeepCriterion::Deepest, KeepCriterion::Name, KeepCriterion::Oldest, KeepCriterion::Newest,
          KeepCriterion::ShortestPath, KeepCriterion::LongestPath, KeepCriterion::Shallowest}));
  EXPECT_EQ(keep.options.protect, (std::vector<std::string>{"/", "/tmp"}));
}

TEST(CliOptionsTest, UsageErrorsExitTwoWithReasonAndUsageOnStderr) {
  TempTree tree;
  const std::string dir = tree.root();
  const std::string file = tree.write("f", "x");
  const struct {
    const char* name;
    Args args;
  } cases[] = {
      {"unknown option", {"--bogus", dir}},
      {"unknown short option", {"-x", dir}},
      {"no folder", {}},
      {"options but no folder", {"-0", "--mode", "fast"}},
      {"bad format", {"--format", "xml", dir}},
      {"size not a number", {"--min-size", "10k", dir}},
      {"negative size", {"--min-size=-1", dir}},
      {"empty exclude", {"--exclude=", dir}},
      {"NUL ends with JSON", {"-0", "--format", "json", dir}},
      {"bad mode", {"--mode", "bogus", dir}},
      {"bad list", {"--list=all", dir}},
      {"mode without value", {dir, "--mode"}},
      {"bad keep", {"--keep", "largest", dir}},
      {"empty keep path", {"--keep-path=", dir}},
      {"keep path that is no folder", {"--keep-path", tree.path("none"), dir}},
      {"keep criterion repeated", {"--keep", "name,oldest", "--keep=name", dir}},
      {"empty keep criterion", {"--keep", "oldest,,name", dir}},
      {"empty protect", {"--protect=", dir}},
      {"protected file", {"--protect", file, dir}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out, err;
    EXPECT_EQ(RunCli(c.args, out, err), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err.rfind("twinscan-cli: ", 0), 0u) << err;
    EXPECT_NE(err.find(CliUsage()), std::string::npos) << err;
  }
}

TEST(CliOptionsTest, HelpAndVersionPrintOnStdoutAndExitZero) {
  std::string out, err;
  EXPECT_EQ(RunCli({"--help"}, out, err), 0);
  EXPECT_EQ(out, CliUsage());
  EXPECT_EQ(
      out.rfind("Usage: twinscan-cli [--mode fast|careful] [--list ticked|candidates|groups]\n"
                "                    [--keep-path DIR]... [--keep CRITERION[,CRITERION...]]\n"
                "                    [--protect DIR]... [-0] [--min-size BYTES]\n"
                "                    [--exclude GLOB]... [--format text|json]\n"
                "                    [--delete|--trash|--link|--reflink [--dry-run]] FOLDER...\n",
                0),
      0u);
  EXPECT_EQ(err, "");

  EXPECT_EQ(RunCli({"/no/such/folder", "--version"}, out, err), 0);
  EXPECT_EQ(out.substr(0, out.find('\n') + 1), "twinscan-cli 2.2\n");
  EXPECT_NE(out.find("\nLicense GPLv3+: GNU GPL version 3 or later"), std::string::npos) << out;
  EXPECT_EQ(err, "");
}

}  // namespace
