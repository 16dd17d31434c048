#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <algorithm>
#include <random>

#include "raster/geometry/FillSource.h"
#include "raster/pixel/PixelOps.h"
#include "raster/geometry/PolygonFill.h"
#include "support/RandomImage.h"

using namespace kanvo;

namespace {

constexpr Color32 kBlack = 0xFF000000u;

void fillImage(Image32& img, Color32 c) { img.fill(c); }

int countPainted(const Image32& img, Color32 background) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += img.getPixel(x, y) != background;
  return n;
}

void fillWhole(Image32& img, const PointList& pts, Color32 colour, ScanParams& p, int opacity = 255) {
  fillShape(img, pts, colour, opacity, p, 0, img.height() - 1);
}

}  // namespace

TEST(PolygonFill, EdgesAndCrossings) {
  EdgeList e = edgesOf({{0, 0}, {10, 20}, {30, 20}});
  ASSERT_EQ(e.size(), 3u);
  prepareEdges(e);
  EXPECT_EQ(e[0].inverseSlope, 0.5);
  EXPECT_EQ(e[0].goesDown, 1);
  EXPECT_EQ(e[0].mostlyHorizontal, 0);
  EXPECT_EQ(e[1].inverseSlope, 0.0);
  EXPECT_EQ(e[1].mostlyHorizontal, 1);
  EXPECT_EQ(e[2].goesDown, 0);
  double x = -1;
  EXPECT_TRUE(edgeCrossing(e, 0, 10.0, x));
  EXPECT_EQ(x, 0.0 + (10.0 + kScanOffset) * 0.5);
  EXPECT_FALSE(edgeCrossing(e, 1, 20.0, x));  // horizontal
  EXPECT_FALSE(edgeCrossing(e, 0, 20.0, x));  // 20.0012 is below the edge
  EXPECT_TRUE(edgeCrossing(e, 2, 19.9, x));
  EXPECT_DOUBLE_EQ(x, (19.9 + kScanOffset) * 1.5);  // from the end with the smaller y
  EXPECT_FALSE(edgeCrossing(e, 7, 5.0, x));

  EdgeList band;
  selectBand(e, 20.0, 16.0, band);
  EXPECT_EQ(band.size(), 3u);  // end points included
  selectBand(e, 20.5, 16.0, band);
  EXPECT_TRUE(band.empty());
  selectBand(e, -16.0, 16.0, band);
  EXPECT_EQ(band.size(), 2u);
}

TEST(PolygonFill, RunEndsAndDirtyRectangle) {
  Image32 img(10, 3);
  fillImage(img, 0xFFFFFFFFu);
  ScanParams p;
  fillWhole(img, {{-3.5, 0}, {2.5, 0}, {2.5, 1}, {-3.5, 1}}, kBlack, p);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(img.getPixel(x, 0), x <= 2 ? 0xFF000000u : 0xFFFFFFFFu) << x;
  EXPECT_EQ(p.dirty, Rect(0, 0, 4, 1));
  EXPECT_EQ(img.getPixel(0, 1), 0xFFFFFFFFu);
}

TEST(PolygonFill, VertexOnRowCentreAndPentagram) {
  Image32 img(40, 40);
  fillImage(img, 0);
  ScanParams p;
  fillWhole(img, {{0, 0}, {20, 10.5}, {0, 21}}, kBlack, p);
  for (int x = 0; x < 19; ++x) EXPECT_EQ(img.getPixel(x, 10), kBlack) << x;
  EXPECT_EQ(img.getPixel(21, 10), 0u);

  // Even-odd: the centre of a pentagram stays empty, its tips are filled.
  Image32 star(100, 100);
  fillImage(star, 0xFFFFFFFFu);
  PointList pts;
  const double pi = std::acos(-1.0);
  for (int k = 0; k < 5; ++k) {
    double a = -pi / 2 + (2 * k % 5) * 2 * pi / 5;
    pts.push_back({50 + 45 * std::cos(a), 50 + 45 * std::sin(a)});
  }
  ScanParams q;
  fillWhole(star, pts, kBlack, q);
  EXPECT_EQ(star.getPixel(50, 50), 0xFFFFFFFFu);
  EXPECT_EQ(star.getPixel(50, 12), kBlack);  // top tip
  EXPECT_TRUE(pointInShape(pts, 50, 12));
  EXPECT_FALSE(pointInShape(pts, 50, 50));
  // The same with four sub-rows: the uncovered centre keeps its value exactly.
  Image32 sub(100, 100);
  fillImage(sub, 0xFFFFFFFFu);
  ScanParams s;
  s.subRows = 1;
  s.antialiasEnds = 1;
  fillWhole(sub, pts, kBlack, s);
  EXPECT_EQ(sub.getPixel(50, 50), 0xFFFFFFFFu);
  EXPECT_EQ(sub.getPixel(50, 20), kBlack);
}

TEST(PolygonFill, CrossingLimit) {
  // A zigzag of n teeth crosses the line y = 5.5 2n times.
  auto zigzag = [](int n) {
    PointList pts;
    for (int i = 0; i < n; ++i) {
      pts.push_back({2.0 * i, 0});
      pts.push_back({2.0 * i + 1, 10});
    }
    pts.push_back({2.0 * n, 0});
    return pts;
  };
  for (int sub = 0; sub < 2; ++sub) {
    Image32 img(300, 10);
    fillImage(img, 0);
    ScanParams p;
    p.subRows = uint8_t(sub);
    fillShape(img, zigzag(128), kBlack, 255, p, 5, 5);  // 256 crossings
    EXPECT_EQ(countPainted(img, 0), 0);
    EXPECT_TRUE(p.dirty.isEmpty());
    fillShape(img, zigzag(127), kBlack, 255, p, 5, 5);  // 254 crossings
    EXPECT_GT(countPainted(img, 0), 100);
  }
  EXPECT_FALSE(pointInShape(zigzag(128), 1, 5));
  EXPECT_TRUE(pointInShape(zigzag(127), 1, 5));
}

TEST(PolygonFill, SkipOddRowsAndHalfCoveredSubRow) {
  Image32 img(20, 20);
  fillImage(img, 0);
  ScanParams p;
  p.skipOddRows = 1;
  fillWhole(img, {{2, 2}, {18, 2}, {18, 18}, {2, 18}}, kBlack, p);
  for (int y = 0; y < 20; ++y) EXPECT_EQ(img.getPixel(10, y), (y % 2 == 0 && y >= 2 && y < 18) ? kBlack : 0u) << y;

  // A horizontal edge halfway through row 10: coverage about opacity / 2.
  Image32 half(20, 20);
  fillImage(half, 0);
  ScanParams s;
  s.subRows = 1;
  fillWhole(half, {{2, 10.5}, {18, 10.5}, {18, 15}, {2, 15}}, 0xFF336699u, s, 200);
  EXPECT_EQ(half.getPixel(10, 10), 0x64336699u);  // alpha 255 x ((0 + 0 + 200 + 200) >> 2) / 255 = 100
  EXPECT_EQ(half.getPixel(10, 12), 0xC8336699u);
  EXPECT_EQ(half.getPixel(10, 9), 0u);
  EXPECT_EQ(s.dirty, Rect(2, 10, 17, 5));

  // Full coverage of an opaque colour stores it; an opaque pixel blends by the colour's alpha.
  Image32 mix(20, 20);
  fillImage(mix, 0xFF808080u);
  ScanParams m;
  m.subRows = 1;
  fillWhole(mix, {{2, 10.5}, {18, 10.5}, {18, 15}, {2, 15}}, 0xFF000000u, m);
  EXPECT_EQ(mix.getPixel(10, 12), 0xFF000000u);
  Color32 expected = 0xFF808080u;
  blendRgbByAlpha(expected, 0xFF000000u, 127);
  EXPECT_EQ(mix.getPixel(10, 10), expected);
}

// pointInShape samples the line y itself; the filler samples y + 0.5. Moving a shape down by
// half a row therefore lines the two up: with axis-aligned integer edges every crossing is an
// integer and the pixels painted are exactly the points inside.
TEST(PolygonFill, PointInShapeAgreesWithFillOnAxisAlignedShapes) {
  std::mt19937 rng(99);
  for (int trial = 0; trial < 200; ++trial) {
    // Distinct coordinates, so that no two vertical edges coincide (a zero-width pair is inside
    // for pointInShape but paints nothing).
    std::vector<double> xs, ys;
    for (int v = 0; v < 61; ++v) xs.push_back(v), ys.push_back(v);
    std::shuffle(xs.begin(), xs.end(), rng);
    std::shuffle(ys.begin(), ys.end(), rng);
    PointList pts, down;
    int n = 2 + int(rng() % 6);
    for (int i = 0; i < n; ++i) {
      pts.push_back({xs[size_t(i)], ys[size_t(i)]});
      pts.push_back({xs[size_t(i + 1)], ys[size_t(i)]});
    }
    pts.push_back({xs[size_t(n)], ys[size_t(n)]});
    pts.push_back({xs[0], ys[size_t(n)]});
    for (const CurvePoint& p : pts) down.push_back({p.x, p.y + 0.5});
    Image32 a(64, 64);
    fillImage(a, 0);
    ScanParams pa;
    fillWhole(a, down, kBlack, pa);
    for (int py = 0; py < 64; ++py)
      for (int px = 0; px < 64; ++px)
        ASSERT_EQ(pointInShape(pts, px, py), a.getPixel(px, py) != 0) << trial << " at " << px << "," << py;
  }
}

// General shapes: the filler truncates run ends, so a pixel is painted both by the shape and
// (at the mirrored position) by its mirror image exactly when it lies within a run, except where
// two runs are separated by a gap narrower than two pixels around it, or where a pair of
// crossings has zero width.
TEST(PolygonFill, PointInShapeAgreesWithFill) {
  std::mt19937 rng(1234);
  int inside = 0;
  for (int trial = 0; trial < 200; ++trial) {
    PointList pts, down, mirrored;
    int n = 3 + int(rng() % 10);
    for (int i = 0; i < n; ++i) {
      double x = rng() % 61, y = rng() % 61;
      pts.push_back({x, y});
      down.push_back({x, y + 0.5});
      mirrored.push_back({63 - x, y + 0.5});
    }
    EdgeList edges = edgesOf(pts);
    prepareEdges(edges);
    Image32 a(64, 64), b(64, 64);
    fillImage(a, 0);
    fillImage(b, 0);
    ScanParams pa, pb;
    fillWhole(a, down, kBlack, pa);
    fillWhole(b, mirrored, kBlack, pb);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        bool filled = a.getPixel(x, y) != 0 && b.getPixel(63 - x, y) != 0;
        bool in = pointInShape(pts, x, y);
        inside += in;
        if (in == filled) continue;
        double below = -1e9, above = 1e9, cx;
        int at = 0;
        for (const PolygonEdge& e : edges)
          if (edgeCrossing(e, y, cx)) {
            if (cx < x) below = std::max(below, cx);
            if (cx > x) above = std::min(above, cx);
            at += cx == x;
          }
        if (in) {
          // Inside but not painted: only a zero-width pair (two crossings at x) does that.
          EXPECT_GE(at, 2) << "trial " << trial << " at " << x << "," << y;
        } else {
          // Painted but outside: x sits in a gap narrower than two pixels between runs.
          EXPECT_LT(above - below, 2.0) << "trial " << trial << " at " << x << "," << y;
        }
      }
  }
  EXPECT_GT(inside, 10000);
}

// The stored-colour shortcut for fully covered stretches gives what the per-pixel rules give:
// an empty fill-source stack evaluates to its base colour and always takes the per-pixel path.
TEST(PolygonFill, FullCoverageShortcutEqualsPerPixelRules) {
  PointList pts;
  const double pi = std::acos(-1.0);
  for (int i = 0; i < 200; ++i) {
    double a = 2 * pi * i / 200, r = 90 * (0.7 + 0.2 * std::sin(7 * a) + (i % 2 ? 0.1 : 0));
    pts.push_back({100 + r * std::cos(a), 100 + r * std::sin(a)});
  }
  for (Color32 colour : {0xFF204080u, 0xFFFFFFFFu}) {
    for (Color32 background : {0xFFFFFFFFu, 0x00000000u, 0x80406080u}) {
      for (uint8_t aa = 0; aa < 2; ++aa) {
        Image32 fast(200, 200), plain(200, 200);
        fast.fill(background);
        plain.fill(background);
        FillSourceStack constant;
        constant.setBaseColour(colour);
        ScanParams pf, pp;
        pf.subRows = pp.subRows = 1;
        pf.antialiasEnds = pp.antialiasEnds = aa;
        pp.fillSources = &constant;
        fillWhole(fast, pts, colour, pf);
        fillWhole(plain, pts, 0, pp);
        ASSERT_TRUE(kanvo::test::sameImage(fast, plain));
        EXPECT_EQ(pf.dirty, pp.dirty);
      }
    }
  }
}

// The coverage run is the 8-bit anti-aliased span at full weight.
TEST(PolygonFill, CoverageRunEqualsTheAntialiasedSpan) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> pos(-20.0, 80.0);
  for (int trial = 0; trial < 5000; ++trial) {
    uint8_t a[64], b[64];
    for (int i = 0; i < 64; ++i) a[i] = b[i] = uint8_t(rng());
    double xa = pos(rng), xb = trial % 7 == 0 ? xa + 0.3 : pos(rng);
    int value = int(rng() % 256);
    SpanParams p;
    p.paint = uint32_t(value);
    p.opacity = 255;
    bool ra = coverageRun(a, 60, xa, xb, value), rb = antialiasedSpan8(p, b, 60, xa, xb);
    ASSERT_EQ(ra, rb) << xa << " " << xb;
    ASSERT_EQ(0, std::memcmp(a, b, 64)) << xa << " " << xb;
  }
}

TEST(PolygonFill, FillSourceRuns) {
  FillSourceStack stack;
  stack.addGradient(0, 0, 0xFFFF0000u, 32, 0, 0xFF0000FFu, kGradientLinear, kGradientClamp, kGradientTwoColours);
  Image32 img(32, 8);
  fillImage(img, 0x80FFFFFFu);
  ScanParams p;
  p.fillSources = &stack;
  fillWhole(img, {{0, 0}, {32, 0}, {32, 4}, {0, 4}}, 0, p, 190);
  for (int x = 0; x < 32; x += 5) {
    Color32 expected = 0x80FFFFFFu;
    over(expected, stack.evaluate(x, 2), 190);
    EXPECT_EQ(img.getPixel(x, 2), expected);
  }
  EXPECT_EQ(img.getPixel(3, 5), 0x80FFFFFFu);

  // Anti-aliased source run: end pixels weighted by their coverage, a run inside one pixel
  // painted once with paintPixel.
  Image32 row(10, 1);
  fillImage(row, 0xFF000000u);
  sourceRunAntialiased(row, 0, 6.5, 2.25, stack, 255);
  Color32 left = 0xFF000000u, mid = 0xFF000000u, right = 0xFF000000u;
  over(left, stack.evaluate(2, 0), (255 - int(0.25 * 255)) * 255 / 255);
  over(mid, stack.evaluate(4, 0), 255);
  over(right, stack.evaluate(6, 0), int(0.5 * 255));
  EXPECT_EQ(row.getPixel(2, 0), left);
  EXPECT_EQ(row.getPixel(4, 0), mid);
  EXPECT_EQ(row.getPixel(6, 0), right);
  EXPECT_EQ(row.getPixel(7, 0), 0xFF000000u);
  Image32 one(10, 1);
  fillImage(one, 0);
  sourceRunAntialiased(one, 0, 3.2, 3.7, stack, 128);
  Image32 ref(10, 1);
  fillImage(ref, 0);
  ref.paintPixel(3, 0, stack.evaluate(3, 0), int((0.7 - 0.2) * 255) * 128 / 255);
  EXPECT_EQ(one.getPixel(3, 0), ref.getPixel(3, 0));
  EXPECT_EQ(one.getPixel(2, 0), 0u);
}

TEST(PolygonFill, DegenerateInputIsSafe) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Image32 img(16, 16);
  fillImage(img, 0);
  ScanParams p;
  for (uint8_t mode = 0; mode < 4; ++mode) {
    p.subRows = mode & 1;
    p.antialiasEnds = (mode >> 1) & 1;
    fillImage(img, 0);
    fillShape(img, {}, kBlack, 255, p, 0, 15);
    fillShape(img, {{1, 1}, {5, 5}}, kBlack, 255, p, 0, 15);
    fillShape(img, {{1, 1}, {1, 1}, {1, 1}}, kBlack, 255, p, 0, 15);
    fillShape(img, {{nan, 1}, {5, 5}, {1, 9}}, kBlack, 255, p, 0, 15);
    fillShape(img, {{-inf, 1}, {5, 5}, {1, 9}}, kBlack, 255, p, 0, 15);
    EXPECT_EQ(countPainted(img, 0), 0);
    fillShape(img, {{-1e300, 2}, {1e300, 3}, {1e300, 1e300}, {-1e300, 1e-300}}, kBlack, 300, p, INT32_MIN,
              INT32_MAX);
    fillShape(img, {{-3e9, -3e9}, {3e9, 5}, {5, 3e9}}, kBlack, -5, p, -100, 100);
    EdgeList edges = edgesOf({{nan, 0}, {5, 20}, {inf, 3}, {4, -inf}});
    prepareEdges(edges);
    Image8 cov(16, 4);
    cov.fill(0);
    fillRow(img, 4, kBlack, 255, p, edges);
    fillRowSubsampled(img, 4, kBlack, 255, p, edges, cov);
    fillRow(img, INT32_MAX, kBlack, 255, p, edges);
    fillRowSubsampled(img, -1, kBlack, 255, p, edges, cov);
    Image8 narrow(3, 2);
    fillRowSubsampled(img, 4, kBlack, 255, p, edges, narrow);
  }
  EXPECT_FALSE(pointInShape({{0, 0}, {nan, 5}, {9, 9}}, 1, 1));
  EXPECT_FALSE(pointInShape({{0, 0}, {5, 5}}, 1, 1));
  EXPECT_TRUE(pointInShape({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0, 5));  // on the left edge
  EXPECT_TRUE(pointInShape({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 10, 5));
  EXPECT_FALSE(pointInShape({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 11, 5));
}
