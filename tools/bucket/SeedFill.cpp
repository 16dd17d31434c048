#include "tools/bucket/SeedFill.h"

#include <deque>
#include <new>
#include <type_traits>

namespace kanvo {

namespace {

struct Seed {
  int32_t x, y;
};

// The fill over any source with getPixel, width and height, and the distance of its depth.
template <class Source, class Distance>
bool fillFrom(const Source& source, Distance distance, TiledImage8& mask, int32_t x, int32_t y, uint8_t value,
              int32_t tolerance) {
  const uint32_t width = uint32_t(source.width()), height = uint32_t(source.height());
  if (uint32_t(x) >= width || uint32_t(y) >= height) return false;
  if (mask.width() < width || mask.height() < height) return false;
  if (value == 0 || tolerance <= 0) return true;

  const auto seedColour = source.getPixel(x, y);
  // Outside the image counts as not inside, so neither a row above the top nor one below the
  // bottom, nor the pixel right of the last column, is ever taken.
  auto inside = [&](int32_t px, int32_t py) {
    return uint32_t(px) < width && uint32_t(py) < height &&
           distance(source.getPixel(px, py), seedColour) < tolerance;
  };
  auto filled = [&](int32_t px, int32_t py) { return mask.getPixel(px, py) != 0; };
  // A tile that cannot be had must stop the fill: a pixel left unset would be seeded again
  // and again.
  auto set = [&](int32_t px, int32_t py) {
    Image8* tile = mask.getOrCreateTileUnchecked(px >> kTileShift, py >> kTileShift);
    if (tile == nullptr) return false;
    tile->setPixel(px & kTileMask, py & kTileMask, value);
    return true;
  };

  try {
    std::deque<Seed> seeds;
    auto add = [&](int32_t px, int32_t py) {
      if (!filled(px, py)) seeds.push_back({px, py});
    };
    seeds.push_back({x, y});
    while (!seeds.empty()) {
      const Seed s = seeds.front();
      seeds.pop_front();
      if (filled(s.x, s.y) || !inside(s.x, s.y)) continue;
      const int32_t above = s.y - 1, below = s.y + 1;
      auto take = [&](int32_t px) {
        if (!set(px, s.y)) return false;
        for (int32_t ny : {above, below})
          if (inside(px, ny) && !inside(px + 1, ny)) add(px, ny);
        return true;
      };
      int32_t left = s.x, right = s.x;
      for (int32_t px = s.x; px >= 0 && inside(px, s.y); --px) {
        if (!take(px)) return false;
        left = px;
      }
      for (int32_t px = s.x + 1; uint32_t(px) < width && inside(px, s.y); ++px) {
        if (!take(px)) return false;
        right = px;
      }
      for (int32_t ny : {above, below}) {
        if (inside(left, ny)) add(left, ny);
        if (inside(right, ny)) add(right, ny);
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

template <class Source>
bool SeedFill(const Source& source, TiledImage8& mask, int32_t x, int32_t y, uint8_t value,
              int32_t tolerance) {
  if constexpr (std::is_same_v<Source, TiledImage8>)
    return fillFrom(source, fillDistance8, mask, x, y, value, tolerance);
  if constexpr (std::is_same_v<Source, TiledImage1>)
    return fillFrom(source, fillDistance1, mask, x, y, value, tolerance);
  if constexpr (std::is_same_v<Source, Image32> || std::is_same_v<Source, TiledImage32>)
    return fillFrom(source, fillDistance32, mask, x, y, value, tolerance);
}

template bool SeedFill(const Image32&, TiledImage8&, int32_t, int32_t, uint8_t, int32_t);
template bool SeedFill(const TiledImage32&, TiledImage8&, int32_t, int32_t, uint8_t, int32_t);
template bool SeedFill(const TiledImage8&, TiledImage8&, int32_t, int32_t, uint8_t, int32_t);
template bool SeedFill(const TiledImage1&, TiledImage8&, int32_t, int32_t, uint8_t, int32_t);

}  // namespace kanvo
