#pragma once
// Replaying a folder of inputs (a fuzzing corpus, or the files of one type in the shared
// corpus) through a reader in the test suite, where the sanitizer build checks each run.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace kanvo::test {

// Calls check(bytes) with the contents of every regular file in dir whose extension is
// `extension` (every file when it is empty), under a trace naming the file. Returns how many
// files were replayed; 0 when dir is not a folder.
template <class Check>
int replayFiles(const std::filesystem::path& dir, const std::string& extension, Check check) {
  namespace fs = std::filesystem;
  if (!fs::is_directory(dir)) return 0;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    if (!extension.empty() && entry.path().extension() != extension) continue;
    SCOPED_TRACE(entry.path().filename().string());
    const std::vector<uint8_t> bytes = readWholeFile(entry.path().string());
    check(bytes);
    ++count;
  }
  return count;
}

}  // namespace kanvo::test
