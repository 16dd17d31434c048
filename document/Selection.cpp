#include "document/Selection.h"

#include <algorithm>
#include <new>

namespace kanvo {

bool Selection::resize(int32_t width, int32_t height) {
  outline.clear();
  if (!mask.resize(uint32_t(std::max(width, 1)), uint32_t(std::max(height, 1))) ||
      !pyramid.prepare(mask.width(), mask.height()) || !thumbnail.reset(width, height)) {
    mask = TiledImage8();
    pyramid.release();
    return false;
  }
  return true;
}

bool Selection::hasSelected() const {
  for (int32_t ty = 0; ty < mask.tilesY(); ++ty)
    for (int32_t tx = 0; tx < mask.tilesX(); ++tx) {
      const Image8* tile = mask.tile(tx, ty);
      if (tile != nullptr && !TileTraits<8>::isEmpty(*tile)) return true;
    }
  return false;
}

bool Selection::refresh() {
  bool ok = pyramid.rebuild(mask);
  rebuildOutline();
  return thumbnail.build(mask, kOpaqueBlack, 0, 0, int32_t(mask.width()), int32_t(mask.height())) && ok;
}

namespace {

// Whether every pixel of the tile lies inside the image and is selected.
bool tileWhollySelected(const TiledImage8& mask, int32_t tx, int32_t ty) {
  const Image8* tile = mask.tile(tx, ty);
  if (tile == nullptr) return false;
  if (int64_t(tx + 1) * kTileSize > int64_t(mask.width()) || int64_t(ty + 1) * kTileSize > int64_t(mask.height())) {
    return false;
  }
  const uint8_t* p = tile->bits();
  for (int32_t i = 0; i < kTileSize * kTileSize; ++i) {
    if (p[i] == 0) return false;
  }
  return true;
}

}  // namespace

void Selection::rebuildOutline() {
  outline.clear();
  const int64_t w = mask.width(), h = mask.height();
  if (w == 0 || h == 0 || mask.presentTileCount() == 0) return;
  auto selected = [this](int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && mask.getPixel(int32_t(x), int32_t(y)) != 0;
  };
  // Edge positions run over [0, w] x [0, h]: the right and bottom borders belong to the
  // positions just beyond the canvas.
  const int64_t tilesX = (w >> kTileShift) + 1, tilesY = (h >> kTileShift) + 1;
  try {
    for (int64_t ty = 0; ty < tilesY; ++ty) {
      for (int64_t tx = 0; tx < tilesX; ++tx) {
        const int32_t itx = int32_t(tx), ity = int32_t(ty);
        const bool self = mask.tileExists(itx, ity);
        const bool left = tx > 0 && mask.tileExists(itx - 1, ity);
        const bool up = ty > 0 && mask.tileExists(itx, ity - 1);
        if (!self && !left && !up) continue;
        if (tx > 0 && ty > 0 && tileWhollySelected(mask, itx, ity) && tileWhollySelected(mask, itx - 1, ity) &&
            tileWhollySelected(mask, itx, ity - 1)) {
          continue;
        }
        const int64_t x0 = tx << kTileShift, y0 = ty << kTileShift;
        const int64_t x1 = std::min(x0 + kTileSize, w + 1), y1 = std::min(y0 + kTileSize, h + 1);
        for (int64_t y = y0; y < y1; ++y) {
          for (int64_t x = x0; x < x1; ++x) {
            const bool here = x < w && y < h && selected(x, y);
            if (y < h && here != selected(x - 1, y)) outline.push_back({int32_t(x), int32_t(y), 1});
            if (x < w && here != selected(x, y - 1)) outline.push_back({int32_t(x), int32_t(y), 0});
          }
        }
      }
    }
  } catch (const std::bad_alloc&) {
    outline.clear();  // an outline that cannot be held is dropped whole, never left partial
  }
}

bool Selection::copyFrom(const Selection& other) {
  if (&other == this) return true;
  bool ok = mask.assign(other.mask);
  ok = pyramid.assign(other.pyramid) && ok;
  try {
    outline = other.outline;
  } catch (const std::bad_alloc&) {
    outline.clear();
    ok = false;
  }
  mode = other.mode;
  ok = thumbnail.assign(other.thumbnail) && ok;
  return ok;
}

bool Selection::shareFrom(const Selection& other) {
  if (&other == this) return true;
  mode = other.mode;
  return mask.shareFrom(other.mask);
}

uint64_t Selection::byteEstimate() const {
  return uint64_t(mask.presentTileCount()) * kTileSize * kTileSize + pyramid.tileBytes() +
         outline.size() * sizeof(SelectionEdge);
}

}  // namespace kanvo
