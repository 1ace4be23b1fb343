#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run.h"
#include "support/temp_tree.h"

namespace {

using Args = std::vector<std::string>;

TEST(CliOptionsTest, ReadsValuesInBothFormsAndFolderAfterDoubleDash) {
  const ParsedArgs defaults = ParseCliArgs({"dir"});
  ASSERT_EQ(defaults.outcome, ParseOutcome::Run);
  EXPECT_EQ(defaults.options.mode, CheckMode::Careful);
  EXPECT_EQ(defaults.options.list, ListForm::Ticked);
  EXPECT_FALSE(defaults.options.nulTerminated);
  EXPECT_EQ(defaults.options.folder, "dir");

  const ParsedArgs parsed = ParseCliArgs({"--mode=fast", "-0", "--list", "groups", "--", "-odd"});
  ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.error;
  EXPECT_EQ(parsed.options.mode, CheckMode::Fast);
  EXPECT_EQ(parsed.options.list, ListForm::Groups);
  EXPECT_TRUE(parsed.options.nulTerminated);
  EXPECT_EQ(parsed.options.folder, "-odd");

  EXPECT_EQ(ParseCliArgs({"--list=candidates", "d"}).options.list, ListForm::Candidates);
}

TEST(CliOptionsTest, UsageErrorsExitTwoWithReasonAndUsageOnStderr) {
  TempTree tree;
  const std::string dir = tree.root();
  const std::string other = tree.mkdir("other");
  const struct {
    const char* name;
    Args args;
  } cases[] = {
      {"unknown option", {"--bogus", dir}},
      {"unknown short option", {"-x", dir}},
      {"no folder", {}},
      {"options but no folder", {"-0", "--mode", "fast"}},
      {"two folders", {dir, other}},
      {"bad mode", {"--mode", "bogus", dir}},
      {"bad list", {"--list=all", dir}},
      {"mode without value", {dir, "--mode"}},
      {"bad keep", {"--keep", "largest", dir}},
      {"empty keep path", {"--keep-path=", dir}},
      {"keep path that is no folder", {"--keep-path", tree.path("none"), dir}},
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
                "                    [--keep-path DIR]... [--keep oldest|newest] [-0] FOLDER\n",
                0),
      0u);
  EXPECT_EQ(err, "");

  EXPECT_EQ(RunCli({"/no/such/folder", "--version"}, out, err), 0);
  EXPECT_EQ(out, "twinscan-cli 2.2\n");
  EXPECT_EQ(err, "");
}

}  // namespace
