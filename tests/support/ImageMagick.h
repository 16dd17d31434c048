#pragma once
// ImageMagick as a peer: what its convert reads from a file we wrote, as a Netpbm picture.
#include <cstdlib>
#include <string>

#include "support/Netpbm.h"

namespace kanvo::test {

inline bool haveImageMagick() {
  return std::system("command -v convert >/dev/null 2>&1") == 0;
}

// Converts `input` (a path, optionally with ImageMagick's "[index]" suffix) to an 8-bit PAM at
// `scratch` and reads it back; empty when convert failed.
inline NetpbmImage imageMagickRead(const std::string& input, const std::string& scratch) {
  const std::string command = "convert '" + input + "' -depth 8 'PAM:" + scratch + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return NetpbmImage{};
  return readNetpbm(scratch);
}

}  // namespace kanvo::test
