#pragma once
// The commands of kanvo-cli, each returning the process's exit status:
//   0 done; 1 the input could not be opened, is damaged or of a kind the program does not
//   read (a damaged input read in part: info prints it with a warning, convert writes
//   nothing); 2 wrong usage; 3 the output could not be written (an existing file is unchanged).
// Results go to `out`, messages (one line each, naming the file) and the progress bar to `err`.
#include <cstdio>

#include "cli/CliArguments.h"
#include "formats/ImageLoader.h"

namespace kanvo::cli {

enum ExitStatus { kExitDone = 0, kExitInput = 1, kExitUsage = 2, kExitOutput = 3 };

// images: the platform's picture loader for BMP files (null: BMP files cannot be opened).
int runCommand(const CliCommand& command, std::FILE* out, std::FILE* err, const ImageLoader* images = nullptr);

}  // namespace kanvo::cli
