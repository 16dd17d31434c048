#pragma once
// ImageMagick as a peer: what its convert reads from a file we wrote, as a Netpbm picture, and
// how it differs from what the file should show.
#include <cstdint>
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

// How many pixels of a picture read back differ in red, green or blue from want(x, y), a Color32
// (alpha ignored).
template <class Want>
int64_t rgbDifferences(const NetpbmImage& picture, Want want) {
  int64_t n = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      int r, g, b;
      picture.rgbAt(x, y, r, g, b);
      n += (uint32_t(want(x, y)) & 0xFFFFFFu) != (uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b));
    }
  return n;
}

}  // namespace kanvo::test
