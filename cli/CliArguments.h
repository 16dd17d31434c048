#pragma once
// kanvo-cli's command line:
//   kanvo-cli info FILE [--json]
//   kanvo-cli convert IN OUT [--quality N]      (N 1 ... 100; also --quality=N)
//   kanvo-cli probe FILE X Y                    (X, Y decimal, may be negative)
//   kanvo-cli --help | --version
// Options may stand before or after the operands; "--" ends the options, so that names
// starting with "-" can be given. Anything else is a usage error with a one-line reason.
#include <cstdint>
#include <string>
#include <vector>

namespace kanvo::cli {

struct CliCommand {
  enum Kind { kUsageError, kHelp, kVersion, kInfo, kConvert, kProbe } kind = kUsageError;
  std::string error;  // kUsageError: what is wrong
  std::string input;
  std::string output;    // convert
  bool json = false;     // info
  int32_t quality = 85;  // convert
  int32_t x = 0, y = 0;  // probe
};

CliCommand parseArguments(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace kanvo::cli
