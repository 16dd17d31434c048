#include "cli/CliArguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kanvo::cli {
namespace {

// The arguments of a command line written with single spaces ("info " gives an empty name).
std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> args;
  for (size_t at = 0; !line.empty(); ++at) {
    const size_t end = std::min(line.find(' ', at), line.size());
    args.push_back(line.substr(at, end - at));
    if ((at = end) == line.size()) break;
  }
  return args;
}

// The parsed command on one line: kind, input, output, json, quality, x, y.
std::string parsed(const std::string& line) {
  const CliCommand c = parseArguments(split(line));
  static const char* const kKinds[] = {"usage", "help", "version", "info", "convert", "probe"};
  return std::string(kKinds[c.kind]) + " [" + c.input + "] [" + c.output + "] " + (c.json ? "json " : "") +
         std::to_string(c.quality) + " " + std::to_string(c.x) + " " + std::to_string(c.y);
}

TEST(CliArguments, CommandsAndTheirOperands) {
  const std::pair<const char*, const char*> cases[] = {
      {"info a.knvmob", "info [a.knvmob] [] 85 0 0"},
      {"info --json a.knvmob", "info [a.knvmob] [] json 85 0 0"},
      {"info a.knvmob --json", "info [a.knvmob] [] json 85 0 0"},
      {"info -- -odd.knvmob", "info [-odd.knvmob] [] 85 0 0"},  // "--" lets names start with "-"
      {"info -", "info [-] [] 85 0 0"},
      {"convert in.knvmob out.pam", "convert [in.knvmob] [out.pam] 85 0 0"},
      {"convert a b.jpg --quality 100", "convert [a] [b.jpg] 100 0 0"},
      {"convert --quality=1 a b.jpg", "convert [a] [b.jpg] 1 0 0"},
      {"probe f.knvmob -3 +17", "probe [f.knvmob] [] 85 -3 17"},
      {"probe a -2147483648 2147483647", "probe [a] [] 85 -2147483648 2147483647"},
      {"--help", "help [] [] 85 0 0"},
      {"-h", "help [] [] 85 0 0"},
      {"--version", "version [] [] 85 0 0"}};
  for (const auto& [line, want] : cases) EXPECT_EQ(parsed(line), want);
}

// Wrong command lines, a row per command: each says why on one line.
TEST(CliArguments, WrongUsageSaysWhyOnOneLine) {
  // clang-format off
  const char* const wrong[] = {
      "", "frobnicate x", "--help x", "--version --help",
      "info", "info ", "info a b", "info a --quality 5", "info a --jsonx",
      "convert a", "convert a b c", "convert a b --json", "convert a b --quality", "convert a b --quality 0",
      "convert a b --quality 101", "convert a b --quality 5x", "convert a b --quality= x",
      "probe a 1", "probe a 1 y", "probe a 1 2147483648", "probe a 1 -2147483649", "probe a 1 2 3"};
  // clang-format on
  for (const char* line : wrong) {
    const CliCommand c = parseArguments(split(line));
    EXPECT_EQ(c.kind, CliCommand::kUsageError) << line;
    EXPECT_TRUE(!c.error.empty() && c.error.find('\n') == std::string::npos) << c.error;
  }
}

}  // namespace
}  // namespace kanvo::cli
