// Layer::moveContent: moving a raster layer's content on the canvas and rebuilding its store
// around the moved content.
#include <algorithm>
#include <cstdlib>

#include "document/Layer.h"
#include "raster/tiled/TiledCopy.h"

namespace kanvo {

namespace {

// Where the store starts and how large it is along one axis, for content of `extent` pixels
// whose first pixel lands at canvas position `pos` on a canvas of `canvas` pixels.
struct AxisPlacement {
  int64_t pos;     // the canvas position of the content's first pixel
  int64_t origin;  // the new offset: min(pos, 0), lowered to a multiple of 64
  int64_t pad;     // pixels between the store's start and the content when pos is negative
  int64_t size;    // the store's extent
};

AxisPlacement placeAxis(int64_t pos, int64_t extent, int64_t canvas) {
  AxisPlacement a{pos, std::min<int64_t>(pos, 0), 0, canvas};
  if (a.origin % kTileSize != 0) {
    a.pad = kTileSize - (-pos) % kTileSize;
    a.origin = pos - a.pad;
  }
  if (pos < 0) a.size = canvas - pos + a.pad;
  if (a.pad + pos + extent >= canvas) a.size = std::abs(pos) + extent + a.pad;
  a.size = std::max(a.size, canvas - a.origin);
  return a;
}

// The used bounds of the store and where its content lands after a move of (dx, dy); false
// when the new store would exceed the largest side (which also keeps the origins in range).
template <int Bpp>
bool placeMove(const Layer& layer, const TiledImage<Bpp>& store, int32_t dx, int32_t dy, Rect& used,
               AxisPlacement& ax, AxisPlacement& ay) {
  used = store.usedBounds();
  if (used.isEmpty()) return true;
  ax = placeAxis(int64_t(layer.offsetX) + used.x + dx, used.width, layer.canvasWidth());
  ay = placeAxis(int64_t(layer.offsetY) + used.y + dy, used.height, layer.canvasHeight());
  return ax.size <= Layer::kMaxStoreSide && ay.size <= Layer::kMaxStoreSide;
}

}  // namespace

template <int Bpp>
bool Layer::storeMoveFits(const TiledImage<Bpp>& store, int32_t dx, int32_t dy) const {
  Rect used;
  AxisPlacement ax{}, ay{};
  return placeMove(*this, store, dx, dy, used, ax, ay);
}

template <int Bpp>
bool Layer::moveStore(TiledImage<Bpp>& store, int32_t dx, int32_t dy) {
  Rect used;
  AxisPlacement ax{}, ay{};
  if (!placeMove(*this, store, dx, dy, used, ax, ay)) return false;
  if (used.isEmpty()) return true;
  TiledImage<Bpp> moved;
  if (!moved.resize(uint32_t(ax.size), uint32_t(ay.size))) return false;
  // The content's pixel (0, 0) goes to store position pad + max(pos, 0), that is to canvas
  // position pos once the offset is the new origin.
  const int64_t toX = ax.pad + std::max<int64_t>(ax.pos, 0);
  const int64_t toY = ay.pad + std::max<int64_t>(ay.pos, 0);
  if (!copyPixels(store, used.x, used.y, used.width, used.height, moved, toX, toY)) return false;
  moved.dropEmptyTiles();
  store = std::move(moved);
  offsetX = int32_t(ax.origin);
  offsetY = int32_t(ay.origin);
  rebuildReducedImages();
  return true;
}

bool Layer::moveFits(int32_t dx, int32_t dy) const {
  switch (kind) {
    case kLayerKind32: return storeMoveFits(pixels32, dx, dy);
    case kLayerKind8: return storeMoveFits(pixels8, dx, dy);
    case kLayerKind1: return storeMoveFits(pixels1, dx, dy);
    default: return true;
  }
}

bool Layer::moveContent(int32_t dx, int32_t dy) {
  switch (kind) {
    case kLayerKind32: return moveStore(pixels32, dx, dy);
    case kLayerKind8: return moveStore(pixels8, dx, dy);
    case kLayerKind1: return moveStore(pixels1, dx, dy);
    default: return true;
  }
}

}  // namespace kanvo
