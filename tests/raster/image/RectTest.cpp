#include <gtest/gtest.h>

#include "raster/image/Rect.h"

using kanvo::Rect;

TEST(Rect, IntersectInflateUniteAlign) {
  EXPECT_TRUE(Rect::intersect(Rect(0, 0, 10, 10), Rect(10, 0, 5, 5)).isEmpty());
  EXPECT_EQ(Rect::intersect(Rect(0, 0, 10, 10), Rect(4, -3, 20, 5)), Rect(4, 0, 6, 2));
  EXPECT_EQ(Rect::intersect(Rect(4, -3, 20, 5), Rect(0, 0, 10, 10)), Rect(4, 0, 6, 2));

  Rect empty;
  empty.inflate(3, 3);
  EXPECT_TRUE(empty.isEmpty());
  Rect r(5, 5, 2, 2);
  r.inflate(1, 2);
  EXPECT_EQ(r, Rect(4, 3, 4, 6));

  Rect u;
  u.unite(Rect(3, 4, 1, 1));
  EXPECT_EQ(u, Rect(3, 4, 1, 1));
  u.includePoint(-2, 10);
  EXPECT_EQ(u, Rect(-2, 4, 6, 7));

  Rect a(-65, 3, 130, 1);
  a.alignOutward(64);
  EXPECT_EQ(a, Rect(-128, 0, 256, 64));

  Rect d(-7, 7, 9, -9);
  d.divide(2);
  EXPECT_EQ(d, Rect(-3, 3, 4, -4));
}

TEST(Rect, ClipToSizeAndNormalised) {
  Rect r(-3, -4, 10, 10);
  ASSERT_TRUE(kanvo::clipToSize(r, 5, 5));
  EXPECT_EQ(r, Rect(0, 0, 5, 5));
  Rect out(5, 0, 3, 3);
  EXPECT_FALSE(kanvo::clipToSize(out, 5, 5));
  Rect touching(-3, 0, 3, 3);  // x + w = 0 < 1
  EXPECT_FALSE(kanvo::clipToSize(touching, 5, 5));
  Rect neg(4, 4, -3, -3);
  ASSERT_TRUE(kanvo::clipToSizeNormalised(neg, 10, 10));
  EXPECT_EQ(neg, Rect(1, 1, 3, 3));
}

TEST(Rect, ClipBlitOrder) {
  int32_t sx = -10, sy = 0, w = 30, h = 5, dx = 5, dy = 0;
  ASSERT_TRUE(kanvo::clipBlit(100, 100, 100, 100, sx, sy, w, h, dx, dy));
  EXPECT_EQ(sx, 0);
  EXPECT_EQ(w, 20);
  EXPECT_EQ(dx, 15);

  // Negative destination moves the source, then the right edge of the destination cuts.
  sx = 0, sy = 0, w = 50, h = 50, dx = -5, dy = -7;
  ASSERT_TRUE(kanvo::clipBlit(40, 40, 30, 30, sx, sy, w, h, dx, dy));
  EXPECT_EQ(sx, 5);
  EXPECT_EQ(sy, 7);
  EXPECT_EQ(w, 30);  // 40 - 5 = 35, cut to 30 by the destination
  EXPECT_EQ(h, 30);
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(dy, 0);

  sx = 0, sy = 0, w = 5, h = 5, dx = 30, dy = 0;
  EXPECT_FALSE(kanvo::clipBlit(40, 40, 30, 30, sx, sy, w, h, dx, dy));
}
