// kanvo-cli: inspects and converts documents with the program's own open and save flows.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  const int status = kanvo::cli::runCommand(kanvo::cli::parseArguments(args), stdout, stderr);
  if (std::fflush(stdout) != 0 && status == kanvo::cli::kExitDone) {
    std::fputs("kanvo-cli: cannot write the output\n", stderr);
    return kanvo::cli::kExitOutput;
  }
  return status;
}
