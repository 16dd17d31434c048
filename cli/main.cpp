// kanvo-cli: inspects and converts documents with the program's own open and save flows.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "formats/PageBytes.h"
#if KANVO_HAVE_QT_IMAGE_LOADER
#include "platform/qt/QtImageLoader.h"
#endif

int main(int argc, char** argv) {
  kanvo::growHeapInLargePages();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
#if KANVO_HAVE_QT_IMAGE_LOADER
  const kanvo::QtImageLoader images;
  const kanvo::ImageLoader* loader = &images;
#else
  const kanvo::ImageLoader* loader = nullptr;  // BMP files then report that they cannot be read
#endif
  const int status = kanvo::cli::runCommand(kanvo::cli::parseArguments(args), stdout, stderr, loader);
  if (std::fflush(stdout) != 0 && status == kanvo::cli::kExitDone) {
    std::fputs("kanvo-cli: cannot write the output\n", stderr);
    return kanvo::cli::kExitOutput;
  }
  return status;
}
