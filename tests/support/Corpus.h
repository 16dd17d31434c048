#pragma once
// The path of a file in the shared test corpus (pictures written by other programs).
#include <string>

namespace kanvo::test {

inline std::string corpus(const std::string& name) {
  return std::string(KANVO_CORPUS_DIR) + "/" + name;
}

}  // namespace kanvo::test
