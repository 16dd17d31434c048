#pragma once
// The value histograms of a layer, counted tile by tile over the pixels inside the store
// (absent tiles are not counted).
//
// 32 bpp: array 0 counts the blue, green and red values of every pixel whose alpha is not 0
// (three counts per pixel); arrays 1, 2 and 3 count the blue, green and red values of those
// pixels separately. 8 bpp: array 0 counts every byte value. 1 bpp: array 0 counts clear
// pixels at 0 and set pixels at 255. Arrays not named stay 0.
#include <array>
#include <cstdint>

#include "raster/tiled/TiledImage.h"

namespace kanvo {

struct LayerHistograms {
  static constexpr int32_t kArrays = 4;
  std::array<std::array<uint64_t, 256>, kArrays> counts{};

  void clear();
  // Clears, then counts the store.
  void count(const TiledImage32& store);
  void count(const TiledImage8& store);
  void count(const TiledImage1& store);
};

}  // namespace kanvo
