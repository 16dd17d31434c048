#include "tools/bucket/RegionSample.h"

#include "raster/tiled/TiledCopy.h"
#include "tools/bucket/SeedFill.h"

namespace kanvo {

namespace {

constexpr uint8_t kRegionValue = 255;

// The layer's store as the canvas shows it, in a canvas-sized image of its depth.
template <int Bpp>
bool placeStore(const Layer& layer, const TiledImage<Bpp>& store, int32_t width, int32_t height,
                TiledImage<Bpp>& placed) {
  if (!placed.resize(uint32_t(width), uint32_t(height))) return false;
  const int32_t x = layer.offsetX, y = layer.offsetY;
  if (x % kTileSize == 0 && y % kTileSize == 0) return placed.pasteTilesAt(store, x, y);
  return copyPixels(store, 0, 0, store.width(), store.height(), placed, x, y);
}

template <int Bpp>
bool fillFromStore(const Document& document, const Layer& layer, const TiledImage<Bpp>& store,
                   TiledImage8& mask, int32_t x, int32_t y, int32_t tolerance) {
  const int32_t width = document.width(), height = document.height();
  const bool inPlace = layer.offsetX == 0 && layer.offsetY == 0 && store.width() == uint32_t(width) &&
                       store.height() == uint32_t(height);
  if (inPlace) return SeedFill(store, mask, x, y, kRegionValue, tolerance);
  TiledImage<Bpp> placed;
  return placeStore(layer, store, width, height, placed) &&
         SeedFill(placed, mask, x, y, kRegionValue, tolerance);
}

bool fillFromComposite(Document& document, TiledImage8& mask, int32_t x, int32_t y, int32_t tolerance) {
  Image32 composite(document.width(), document.height());
  if (!composite.hasPixels() || !document.flatten(composite, CompositeOptions{})) return false;
  return SeedFill(composite, mask, x, y, kRegionValue, tolerance);
}

}  // namespace

bool fillRegion(Document& document, const Layer& layer, bool fromComposite, TiledImage8& mask, int32_t x,
                int32_t y, int32_t tolerance) {
  const int32_t width = document.width(), height = document.height();
  if (uint32_t(x) >= uint32_t(width) || uint32_t(y) >= uint32_t(height)) return false;
  if (!mask.resize(uint32_t(width), uint32_t(height))) return false;
  bool found = false;
  if (fromComposite) {
    found = fillFromComposite(document, mask, x, y, tolerance);
  } else if (layer.kind == kLayerKind32) {
    found = fillFromStore(document, layer, layer.pixels32, mask, x, y, tolerance);
  } else if (layer.kind == kLayerKind8) {
    found = fillFromStore(document, layer, layer.pixels8, mask, x, y, tolerance);
  } else if (layer.kind == kLayerKind1) {
    found = fillFromStore(document, layer, layer.pixels1, mask, x, y, tolerance);
  }
  if (!found) mask.clear();
  return found;
}

}  // namespace kanvo
