#pragma once
// The pixel store of a layer's kind, for tests that treat the three raster depths alike.
#include <cstdint>

#include "document/Layer.h"

namespace kanvo::test {

// Calls f with the layer's store of its kind (TiledImage<32>, <8> or <1>); nothing for vector
// layers.
template <class L, class F>
void withStore(L& layer, F f) {
  if (layer.kind == kLayerKind32) f(layer.pixels32);
  if (layer.kind == kLayerKind8) f(layer.pixels8);
  if (layer.kind == kLayerKind1) f(layer.pixels1);
}

// The value at store point (x, y) of the layer's store of its kind; 0 outside it.
inline uint32_t storePixel(const Layer& layer, int64_t x, int64_t y) {
  uint32_t v = 0;
  if (x >= 0 && y >= 0 && x < layer.storeWidth() && y < layer.storeHeight())
    withStore(layer, [&](const auto& store) { v = uint32_t(store.getPixel(int32_t(x), int32_t(y))); });
  return v;
}

}  // namespace kanvo::test
