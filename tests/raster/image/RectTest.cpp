// Rectangles: the operations the changed areas use, by example, and the clipping of fills and
// blits against its definition for random values reaching the ends of the 32-bit range.
#include "raster/image/Rect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace kanvo {
namespace {

TEST(Rect, InflateUniteAlignAndNormalise) {
  Rect empty, r(5, 5, 2, 2), u, a(-65, 3, 130, 1), neg(4, 4, -3, -3);
  empty.inflate(3, 3);
  r.inflate(1, 2);
  EXPECT_TRUE(empty.isEmpty() && r == Rect(4, 3, 4, 6));
  u.unite(Rect(3, 4, 1, 1));
  EXPECT_EQ(u, Rect(3, 4, 1, 1));
  u.includePoint(-2, 10);
  EXPECT_EQ(u, Rect(-2, 4, 6, 7));
  a.alignOutward(64);
  EXPECT_EQ(a, Rect(-128, 0, 256, 64));
  ASSERT_TRUE(clipToSizeNormalised(neg, 10, 10));
  EXPECT_EQ(neg, Rect(1, 1, 3, 3));
}

// A random coordinate, often near the ends of the 32-bit range.
int32_t anyCoordinate(std::mt19937& rng) {
  switch (rng() % 4) {
    case 0:
      return INT32_MIN + int32_t(rng() % 16);
    case 1:
      return INT32_MAX - int32_t(rng() % 16);
    default:
      return int32_t(rng() % 60) - 20;
  }
}

// Per axis: the part of [start, start + size) inside [0, limit), as [lo, hi) in 64 bits.
void within(int64_t start, int64_t size, int64_t limit, int64_t& lo, int64_t& hi) {
  lo = std::max<int64_t>(start, 0);
  hi = std::min(start + size, limit);
}

TEST(Rect, ClippingMatchesItsDefinitionAtAnyCoordinates) {
  std::mt19937 rng(3);
  for (int iter = 0; iter < 20000; ++iter) {
    const int32_t W = 1 + int32_t(rng() % 30), H = 1 + int32_t(rng() % 30);
    Rect r(anyCoordinate(rng), anyCoordinate(rng), anyCoordinate(rng), anyCoordinate(rng));
    int64_t x0, x1, y0, y1;
    within(r.x, r.width, W, x0, x1);
    within(r.y, r.height, H, y0, y1);
    const bool some = x1 > x0 && y1 > y0;
    ASSERT_EQ(clipToSize(r, W, H), some) << iter;
    ASSERT_TRUE(!some || r == Rect(int32_t(x0), int32_t(y0), int32_t(x1 - x0), int32_t(y1 - y0))) << iter;
    // A blit: destination pixel dx + i takes source pixel sx + i for i in [0, w), both inside.
    const int32_t SW = 1 + int32_t(rng() % 30), SH = 1 + int32_t(rng() % 30);
    int32_t sx = anyCoordinate(rng), sy = anyCoordinate(rng), w = anyCoordinate(rng), h = anyCoordinate(rng),
            dx = anyCoordinate(rng), dy = anyCoordinate(rng);
    const int64_t lx = std::max({int64_t(0), -int64_t(sx), -int64_t(dx)}),
                  hx = std::min({int64_t(w), int64_t(SW) - sx, int64_t(W) - dx}),
                  ly = std::max({int64_t(0), -int64_t(sy), -int64_t(dy)}),
                  hy = std::min({int64_t(h), int64_t(SH) - sy, int64_t(H) - dy});
    const int32_t want[6] = {int32_t(sx + lx), int32_t(sy + ly), int32_t(hx - lx),
                             int32_t(hy - ly), int32_t(dx + lx), int32_t(dy + ly)};
    const bool blits = hx > lx && hy > ly;
    ASSERT_EQ(clipBlit(SW, SH, W, H, sx, sy, w, h, dx, dy), blits) << iter;
    ASSERT_TRUE(!blits || (sx == want[0] && sy == want[1] && w == want[2] && h == want[3] && dx == want[4] &&
                           dy == want[5]))
        << iter;
  }
}

}  // namespace
}  // namespace kanvo
