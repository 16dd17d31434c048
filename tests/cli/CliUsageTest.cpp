#include <gtest/gtest.h>

#include "support/CliRunner.h"

using kanvo::test::runCli;

TEST(CliUsage, HelpAndVersionExitZeroWrongUsageExitsTwo) {
  auto help = runCli("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("kanvo-cli info FILE"), std::string::npos);
  EXPECT_EQ(runCli("--version").status, 0);
  auto none = runCli("");
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.output.find("usage:"), std::string::npos);
  EXPECT_EQ(runCli("frobnicate x").status, 2);
}
