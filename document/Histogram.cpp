#include "document/Histogram.h"

#include <algorithm>

namespace kanvo {

namespace {

// Calls f(tile row, pixel count) for every row of every present tile, limited to the pixels
// inside the image.
template <int Bpp, class F>
void forEachTileRow(const TiledImage<Bpp>& store, F f) {
  for (int32_t ty = 0; ty < store.tilesY(); ++ty) {
    const int32_t rows = int32_t(std::min<int64_t>(kTileSize, int64_t(store.height()) - int64_t(ty) * kTileSize));
    for (int32_t tx = 0; tx < store.tilesX(); ++tx) {
      const auto* tile = store.tile(tx, ty);
      if (tile == nullptr) continue;
      const int32_t cols = int32_t(std::min<int64_t>(kTileSize, int64_t(store.width()) - int64_t(tx) * kTileSize));
      for (int32_t ly = 0; ly < rows; ++ly) f(tile->bits() + size_t(ly) * TileTraits<Bpp>::kRowBytes, cols);
    }
  }
}

}  // namespace

void LayerHistograms::clear() {
  for (auto& a : counts) a.fill(0);
}

void LayerHistograms::count(const TiledImage32& store) {
  clear();
  forEachTileRow(store, [this](const uint8_t* row, int32_t cols) {
    for (int32_t i = 0; i < cols; ++i) {
      const uint8_t* p = row + 4 * size_t(i);
      if (p[3] == 0) continue;
      ++counts[0][p[0]];
      ++counts[0][p[1]];
      ++counts[0][p[2]];
      ++counts[1][p[0]];
      ++counts[2][p[1]];
      ++counts[3][p[2]];
    }
  });
}

void LayerHistograms::count(const TiledImage8& store) {
  clear();
  forEachTileRow(store, [this](const uint8_t* row, int32_t cols) {
    for (int32_t i = 0; i < cols; ++i) ++counts[0][row[i]];
  });
}

void LayerHistograms::count(const TiledImage1& store) {
  clear();
  forEachTileRow(store, [this](const uint8_t* row, int32_t cols) {
    for (int32_t i = 0; i < cols; ++i) ++counts[0][((row[i >> 3] >> (i & 7)) & 1) ? 255 : 0];
  });
}

}  // namespace kanvo
