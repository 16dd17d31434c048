#include "raster/dab/Dab.h"

namespace kanvo {

bool renderDab(TiledImage8& coverage, const DabStyle& style, double cx, double cy, double r,
               DabAccumulation accumulation, int constant, Rect* box) {
  Image8* tile = nullptr;
  int32_t tileX = -1, tileY = -1;
  const bool drawn = forEachDabValue(style, cx, cy, r, int32_t(coverage.width()), int32_t(coverage.height()),
                                     [&](int32_t x, int32_t y, int value) {
    if ((x >> kTileShift) != tileX || (y >> kTileShift) != tileY) {
      tileX = x >> kTileShift;
      tileY = y >> kTileShift;
      tile = coverage.getOrCreateTileUnchecked(tileX, tileY);
    }
    if (tile == nullptr) return;
    uint8_t& old = tile->bits()[((y & kTileMask) << kTileShift) | (x & kTileMask)];
    if (accumulation == DabAccumulation::kMaximum) {
      if (value > old) old = uint8_t(value);
    } else {
      old = uint8_t(((value + 1) * constant + (255 - value) * old) >> 8);
    }
  });
  if (drawn && box != nullptr) {
    discBox(cx, cy, r, style.grid, int32_t(coverage.width()), int32_t(coverage.height()), *box);
  }
  return drawn;
}

}  // namespace kanvo
