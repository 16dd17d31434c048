#pragma once
// Seeded random rows for the span tests, rich in the values the formulas single out:
// alpha 0 and 255, colour bytes 0 and 255, white and black pixels, the all-zero pixel; and the
// running of a span on copies of such rows, checked against a per-pixel reference.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "raster/pixel/Color32.h"
#include "raster/span/SpanOps.h"
#include "support/PixelReference.h"

namespace kanvo::test {

class RowMaker {
 public:
  explicit RowMaker(uint32_t seed) : rng_(seed) {}

  int byte() { return int(rng_() & 255); }
  int edgeByte() {
    static constexpr int kEdges[] = {0, 1, 127, 128, 254, 255};
    return rng_() % 3 == 0 ? kEdges[rng_() % 6] : byte();
  }
  Color32 pixel() {
    switch (rng_() % 8) {
      case 0:
        return 0;
      case 1:
        return 0xFFFFFFFFu;
      case 2:
        return 0xFF000000u;
      case 3:
        return 0x00FFFFFFu | uint32_t(edgeByte()) << 24;
      default:
        return makeColor(edgeByte(), edgeByte(), edgeByte(), edgeByte());
    }
  }
  std::vector<Color32> pixels(size_t n) {
    std::vector<Color32> v(n);
    for (Color32& c : v) c = pixel();
    return v;
  }
  std::vector<uint8_t> bytes(size_t n) {
    std::vector<uint8_t> v(n);
    for (uint8_t& b : v) b = uint8_t(edgeByte());
    return v;
  }
  std::mt19937& rng() { return rng_; }

 private:
  std::mt19937 rng_;
};

// The bytes of a row of pixels.
inline std::vector<uint8_t> toBytes(const std::vector<Color32>& px) {
  std::vector<uint8_t> out(px.size() * 4);
  if (!px.empty()) std::memcpy(out.data(), px.data(), out.size());
  return out;
}

// Opacities worth trying: the edges and a few in between.
inline constexpr int kOpacities[] = {0, 1, 2, 100, 127, 128, 200, 254, 255};

// Span parameters: the op, the opacity, the key (32-bit fill colour, 8-bit key) and the paint.
inline SpanParams spanParams(int32_t op, int opacity, Color32 key = 0, Color32 paint = 0,
                             const Color32* palette = nullptr) {
  SpanParams p;
  p.op = op;
  p.opacity = uint8_t(opacity);
  p.key = key;
  p.paint = paint;
  p.palette = palette;
  return p;
}

// The destination row after span(params, source, srcX, destination, dstX, count) ran on a copy
// of it; the source is a row of pixels or of bytes.
template <class Span, class Source>
std::vector<Color32> runSpan32(Span span, const SpanParams& p, const std::vector<Source>& src, int32_t srcX,
                               std::vector<Color32> dst, int32_t dstX, int32_t count) {
  span(p, reinterpret_cast<const uint8_t*>(src.data()), srcX, reinterpret_cast<uint8_t*>(dst.data()), dstX,
       count);
  return dst;
}

// Success when got[dstX + i] equals want(i) for i in 0..count-1 and every other element is
// before's.
template <class T, class Want>
::testing::AssertionResult rowMatches(const std::vector<T>& got, const std::vector<T>& before, int32_t dstX,
                                      int32_t count, Want want) {
  for (size_t i = 0; i < got.size(); ++i) {
    const int32_t k = int32_t(i) - dstX;
    const T expected = k >= 0 && k < count ? T(want(k)) : before[i];
    if (got[i] != expected)
      return ::testing::AssertionFailure() << "at " << i << std::hex << ": got " << +got[i] << ", want "
                                           << +expected << ", was " << +before[i];
  }
  return ::testing::AssertionSuccess();
}

}  // namespace kanvo::test
