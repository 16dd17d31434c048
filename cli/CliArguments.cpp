#include "cli/CliArguments.h"

#include <climits>

namespace kanvo::cli {

const char* const kUsage =
    "usage: kanvo-cli info FILE [--json]\n"
    "       kanvo-cli convert IN OUT [--quality N]\n"
    "       kanvo-cli probe FILE X Y\n"
    "       kanvo-cli --help | --version\n";

namespace {

// A decimal integer in 32 bits: an optional sign and at least one digit, nothing else.
bool parseInt(const std::string& text, int32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
    if (v > int64_t(INT32_MAX) + 1) return false;
  }
  v = negative ? -v : v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = int32_t(v);
  return true;
}

CliCommand usageError(std::string why) {
  CliCommand c;
  c.kind = CliCommand::kUsageError;
  c.error = std::move(why);
  return c;
}

}  // namespace

CliCommand parseArguments(const std::vector<std::string>& args) {
  if (args.empty()) return usageError("no command given");
  const std::string& word = args[0];
  if (word == "--help" || word == "-h" || word == "--version") {
    if (args.size() != 1) return usageError(word + " takes no arguments");
    CliCommand c;
    c.kind = word == "--version" ? CliCommand::kVersion : CliCommand::kHelp;
    return c;
  }

  CliCommand c;
  size_t operands;
  if (word == "info") {
    c.kind = CliCommand::kInfo;
    operands = 1;
  } else if (word == "convert") {
    c.kind = CliCommand::kConvert;
    operands = 2;
  } else if (word == "probe") {
    c.kind = CliCommand::kProbe;
    operands = 3;
  } else {
    return usageError("unknown command '" + word + "'");
  }

  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    int32_t number;
    const bool isOption = !optionsEnded && a.size() > 1 && a[0] == '-' &&
                          !(c.kind == CliCommand::kProbe && parseInt(a, number));
    if (!isOption) {
      positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
    } else if (a == "--json" && c.kind == CliCommand::kInfo) {
      c.json = true;
    } else if ((a == "--quality" || a.rfind("--quality=", 0) == 0) && c.kind == CliCommand::kConvert) {
      std::string value;
      if (a == "--quality") {
        if (i + 1 >= args.size()) return usageError("--quality needs a value");
        value = args[++i];
      } else {
        value = a.substr(10);
      }
      if (!parseInt(value, c.quality) || c.quality < 1 || c.quality > 100)
        return usageError("the quality must be a whole number from 1 to 100, not '" + value + "'");
    } else {
      return usageError("unknown option '" + a + "' for " + word);
    }
  }
  if (positional.size() != operands)
    return usageError(word + " takes " + std::to_string(operands) +
                      (operands == 1 ? " operand" : " operands") + ", not " +
                      std::to_string(positional.size()));
  c.input = positional[0];
  if (c.kind == CliCommand::kConvert) c.output = positional[1];
  if (c.kind == CliCommand::kProbe) {
    if (!parseInt(positional[1], c.x) || !parseInt(positional[2], c.y))
      return usageError("X and Y must be whole numbers, not '" + positional[1] + "' '" + positional[2] + "'");
  }
  if (c.input.empty() || (c.kind == CliCommand::kConvert && c.output.empty()))
    return usageError("a file name is empty");
  return c;
}

}  // namespace kanvo::cli
