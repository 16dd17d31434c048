#pragma once
// Paths in the build tree the running test program belongs to (it lives in BUILD/tests/).
#include <unistd.h>

#include <filesystem>
#include <string>

namespace kanvo::test {

inline std::filesystem::path buildTree() {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  self[n] = '\0';
  return std::filesystem::path(self).parent_path().parent_path();
}

// The window program of this build.
inline std::string windowProgram() { return (buildTree() / "platform" / "kanvo").string(); }

}  // namespace kanvo::test
