#include <gtest/gtest.h>

#include "cli/CliArguments.h"

namespace kanvo::cli {
namespace {

CliCommand parse(std::vector<std::string> args) {
  return parseArguments(args);
}

TEST(CliArguments, CommandsAndTheirOperands) {
  CliCommand info = parse({"info", "a.knvmob"});
  EXPECT_EQ(info.kind, CliCommand::kInfo);
  EXPECT_EQ(info.input, "a.knvmob");
  EXPECT_FALSE(info.json);
  EXPECT_TRUE(parse({"info", "--json", "a.knvmob"}).json);
  EXPECT_TRUE(parse({"info", "a.knvmob", "--json"}).json);

  CliCommand conv = parse({"convert", "in.knvmob", "out.pam"});
  EXPECT_EQ(conv.kind, CliCommand::kConvert);
  EXPECT_EQ(conv.output, "out.pam");
  EXPECT_EQ(conv.quality, 85);
  EXPECT_EQ(parse({"convert", "a", "b.jpg", "--quality", "100"}).quality, 100);
  EXPECT_EQ(parse({"convert", "--quality=1", "a", "b.jpg"}).quality, 1);

  CliCommand probe = parse({"probe", "f.knvmob", "-3", "+17"});
  EXPECT_EQ(probe.kind, CliCommand::kProbe);
  EXPECT_EQ(probe.x, -3);
  EXPECT_EQ(probe.y, 17);

  // "--" lets names start with "-".
  CliCommand dashed = parse({"info", "--", "-odd.knvmob"});
  EXPECT_EQ(dashed.kind, CliCommand::kInfo);
  EXPECT_EQ(dashed.input, "-odd.knvmob");
  EXPECT_EQ(parse({"info", "-"}).input, "-");

  EXPECT_EQ(parse({"--help"}).kind, CliCommand::kHelp);
  EXPECT_EQ(parse({"-h"}).kind, CliCommand::kHelp);
  EXPECT_EQ(parse({"--version"}).kind, CliCommand::kVersion);
}

TEST(CliArguments, WrongUsageSaysWhy) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"frobnicate", "x"},
      {"info"},
      {"info", "a", "b"},
      {"info", "a", "--quality", "5"},
      {"info", "a", "--jsonx"},
      {"convert", "a"},
      {"convert", "a", "b", "c"},
      {"convert", "a", "b", "--quality"},
      {"convert", "a", "b", "--quality", "0"},
      {"convert", "a", "b", "--quality", "101"},
      {"convert", "a", "b", "--quality", "5x"},
      {"convert", "a", "b", "--quality=", "x"},
      {"convert", "a", "b", "--json"},
      {"probe", "a", "1"},
      {"probe", "a", "1", "y"},
      {"probe", "a", "1", "2147483648"},
      {"probe", "a", "1", "-2147483649"},
      {"probe", "a", "1", "2", "3"},
      {"--help", "x"},
      {"--version", "--help"},
      {"info", ""},
  };
  for (const auto& args : wrong) {
    CliCommand c = parseArguments(args);
    EXPECT_EQ(c.kind, CliCommand::kUsageError)
        << (args.empty() ? std::string("(none)") : args[0]) << " " << args.size();
    EXPECT_FALSE(c.error.empty());
    EXPECT_EQ(c.error.find('\n'), std::string::npos);
  }
  EXPECT_EQ(parse({"probe", "a", "-2147483648", "2147483647"}).kind, CliCommand::kProbe);
}

}  // namespace
}  // namespace kanvo::cli
