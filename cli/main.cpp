// kanvo-cli: inspects and converts documents with the program's own engine.
#include <cstdio>
#include <cstring>

#include "app/Version.h"

namespace {

const char* kUsage =
    "usage: kanvo-cli info FILE [--json]\n"
    "       kanvo-cli convert IN OUT [--quality N]\n"
    "       kanvo-cli probe FILE X Y\n"
    "       kanvo-cli --help | --version\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("kanvo-cli %s\n", kanvo::versionString());
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}
