#pragma once
// Layers with painted-looking content for the compositing benchmarks: 64 x 64 tiles that are
// absent, opaque gradients, translucent washes, or rows of stroke runs (about 40 % transparent,
// 30 % opaque, 30 % translucent pixels), drawn from a few prototypes per kind; and the same
// pixels premultiplied (a8r8g8b8 as pixman takes them) for the peers.
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "raster/pixel/Color32.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo::bench {

enum TileKind { kAbsent, kOpaque, kTranslucent, kStrokes };

inline std::vector<Color32> makeTile(TileKind kind, std::mt19937& rng) {
  std::vector<Color32> px(64 * 64);
  const Color32 base = rng() & 0xFFFFFFu;
  for (int32_t y = 0; y < 64; ++y) {
    int32_t runLeft = 0, alpha = 0;
    for (int32_t x = 0; x < 64; ++x) {
      const Color32 colour = (base + uint32_t(x * 3 + y * 5) * 0x010101u) & 0xFFFFFFu;
      int32_t a = 255;
      if (kind == kTranslucent) a = 40 + (x + y * 2 + int32_t(rng() % 8)) % 180;
      if (kind == kStrokes) {
        if (runLeft == 0) {
          const int r = int(rng() % 10);
          alpha = r < 4 ? 0 : r < 7 ? 255 : 1 + int(rng() % 254);
          runLeft = 4 + int(rng() % 40);
        }
        --runLeft;
        a = alpha;
      }
      px[size_t(y) * 64 + size_t(x)] = a == 0 ? 0 : (colour | uint32_t(a) << 24);
    }
  }
  return px;
}

inline uint32_t premultiply(Color32 c) {
  const uint32_t a = c >> 24;
  uint32_t out = a << 24;
  for (int i = 0; i < 3; ++i) out |= (((c >> (8 * i)) & 255) * a + 127) / 255 << (8 * i);
  return out;
}

// Paints the tiles of stores from prototypes, each tile's kind chosen by weights (out of their
// sum: absent, opaque, translucent, strokes).
class TilePainter {
 public:
  explicit TilePainter(uint32_t seed) : rng_(seed) {
    for (TileKind k : {kOpaque, kTranslucent, kStrokes})
      for (int i = 0; i < 48; ++i) prototypes_[k].push_back(makeTile(k, rng_));
  }

  // Fills every tile of store; flat (when given) becomes its premultiplied copy, row-major.
  void paint(TiledImage32& store, const uint32_t (&weights)[4], std::vector<uint32_t>* flat = nullptr) {
    const uint32_t total = weights[0] + weights[1] + weights[2] + weights[3];
    const size_t width = store.width();
    if (flat != nullptr) flat->assign(width * store.height(), 0);
    for (int32_t ty = 0; ty < store.tilesY(); ++ty) {
      for (int32_t tx = 0; tx < store.tilesX(); ++tx) {
        uint32_t r = rng_() % total;
        int kind = 0;
        while (r >= weights[kind]) r -= weights[kind++];
        if (kind == kAbsent) continue;
        const std::vector<Color32>& px = prototypes_[kind][rng_() % prototypes_[kind].size()];
        std::memcpy(store.getOrCreateTile(tx, ty)->bits(), px.data(), px.size() * 4);
        if (flat == nullptr) continue;
        for (int32_t y = 0; y < 64 && ty * 64 + y < int32_t(store.height()); ++y)
          for (int32_t x = 0; x < 64 && tx * 64 + x < int32_t(width); ++x)
            (*flat)[size_t(ty * 64 + y) * width + size_t(tx * 64 + x)] = premultiply(px[size_t(y) * 64 + size_t(x)]);
      }
    }
  }

 private:
  std::mt19937 rng_;
  std::vector<std::vector<Color32>> prototypes_[4];
};

}  // namespace kanvo::bench
