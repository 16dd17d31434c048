#pragma once
// The observable state of a document as one canonical byte string, for comparing a document
// with itself at another time: canvas size, the layer list (kind, attributes, offset, store
// size and pixels of every store), the current layer, the selections (mode and mask pixels) and
// the current selection. Pixels are compared as values: an absent tile equals a tile of zeros.
// stateHash gives a 64-bit digest of the same bytes for step-by-step checks.
#include <cstdint>
#include <cstring>
#include <string>

#include "document/Document.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo::test {

namespace state_detail {

inline void put(std::string& out, int64_t v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

template <int Bpp>
void putStore(std::string& out, const TiledImage<Bpp>& image) {
  put(out, image.width());
  put(out, image.height());
  constexpr size_t bytes = size_t(TiledImage<Bpp>::kTileRowBytes) * 64;
  for (int32_t ty = 0; ty < image.tilesY(); ++ty) {
    for (int32_t tx = 0; tx < image.tilesX(); ++tx) {
      const auto* tile = image.tile(tx, ty);
      bool zero = true;
      if (tile != nullptr)
        for (size_t i = 0; i < bytes && zero; ++i) zero = tile->bits()[i] == 0;
      if (zero) continue;
      put(out, tx);
      put(out, ty);
      out.append(reinterpret_cast<const char*>(tile->bits()), bytes);
    }
  }
  put(out, -1);
}

}  // namespace state_detail

inline std::string documentState(const Document& doc) {
  using namespace state_detail;
  std::string out;
  put(out, doc.width());
  put(out, doc.height());
  put(out, doc.layerCount());
  put(out, doc.currentLayerIndex());
  put(out, doc.selectionCount());
  put(out, doc.currentSelectionIndex());
  for (int32_t i = 0; i < doc.layerCount(); ++i) {
    const Layer& layer = *doc.layer(i);
    put(out, layer.kind);
    out += layer.name;
    put(out, layer.serial);
    put(out, layer.visible);
    put(out, layer.opacity);
    put(out, layer.offsetX);
    put(out, layer.offsetY);
    put(out, doc.layerSelected()[size_t(i)]);
    putStore(out, layer.pixels32);
    putStore(out, layer.pixels8);
    putStore(out, layer.pixels1);
  }
  for (int32_t i = 0; i < doc.selectionCount(); ++i) {
    const Selection& s = *doc.selection(i);
    put(out, s.mode);
    putStore(out, s.mask);
  }
  return out;
}

inline uint64_t stateHash(const Document& doc) {
  const std::string s = documentState(doc);
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace kanvo::test
