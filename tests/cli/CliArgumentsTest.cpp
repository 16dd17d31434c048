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
std::string parsed(const CliCommand& c) {
  static const char* const kKinds[] = {"usage", "help", "version", "info", "convert", "probe"};
  return std::string(kKinds[c.kind]) + " [" + c.input + "] [" + c.output + "] " + (c.json ? "json " : "") +
         std::to_string(c.quality) + " " + std::to_string(c.x) + " " + std::to_string(c.y);
}

// Each command line parsed, or refused with the reason on one line (a row without a result).
TEST(CliArguments, CommandsAndTheirOperandsOrWhyTheyAreWrong) {
  // clang-format off
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
      {"--version", "version [] [] 85 0 0"},
      {"", nullptr}, {"frobnicate x", nullptr}, {"--help x", nullptr}, {"--version --help", nullptr},
      {"info", nullptr}, {"info ", nullptr}, {"info a b", nullptr}, {"info a --quality 5", nullptr},
      {"info a --jsonx", nullptr}, {"convert a", nullptr}, {"convert a b c", nullptr},
      {"convert a b --json", nullptr}, {"convert a b --quality", nullptr}, {"convert a b --quality 0", nullptr},
      {"convert a b --quality 101", nullptr}, {"convert a b --quality 5x", nullptr},
      {"convert a b --quality= x", nullptr}, {"probe a 1", nullptr}, {"probe a 1 y", nullptr},
      {"probe a 1 2147483648", nullptr}, {"probe a 1 -2147483649", nullptr}, {"probe a 1 2 3", nullptr}};
  // clang-format on
  for (const auto& [line, want] : cases) {
    const CliCommand c = parseArguments(split(line));
    EXPECT_EQ(c.kind == CliCommand::kUsageError ? "usage" : parsed(c), want ? want : "usage") << line;
    EXPECT_EQ(c.error.empty(), want != nullptr) << line;
    EXPECT_EQ(c.error.find('\n'), std::string::npos) << c.error;
  }
}

}  // namespace
}  // namespace kanvo::cli
