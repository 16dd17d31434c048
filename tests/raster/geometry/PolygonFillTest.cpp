// The polygon filler: run ends, even-odd rows and the crossing limit, sub-row coverage,
// agreement with the point-in-shape test on random shapes, the fast paths against the per-pixel
// rules, fill-source runs and degenerate input.
#include "raster/geometry/PolygonFill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

#include "raster/geometry/FillSource.h"
#include "raster/pixel/PixelOps.h"
#include "support/PixelReference.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

constexpr Color32 kBlack = 0xFF000000u;

// The shape filled on a width x height image of background; params as given.
std::unique_ptr<Image32> filled(const PointList& pts, int width, int height, Color32 background,
                                Color32 colour, ScanParams& params, int opacity = 255) {
  auto img = std::make_unique<Image32>(width, height);
  img->fill(background);
  fillShape(*img, pts, colour, opacity, params, 0, height - 1);
  return img;
}

TEST(PolygonFill, RunsRowsAndCrossingLimit) {
  ScanParams p;  // run ends truncate; the dirty rectangle covers the run
  auto img = filled({{-3.5, 0}, {2.5, 0}, {2.5, 1}, {-3.5, 1}}, 10, 3, 0xFFFFFFFFu, kBlack, p);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(img->getPixel(x, 0), x <= 2 ? kBlack : 0xFFFFFFFFu) << x;
  EXPECT_EQ(img->getPixel(0, 1), 0xFFFFFFFFu);
  EXPECT_EQ(p.dirty, Rect(0, 0, 4, 1));
  img = filled({{5.6, 0}, {8.5, 0}, {8.5, 1}, {5.6, 1}}, 10, 1, 0, kBlack, p);  // both ends truncate
  for (int x = 0; x < 10; ++x) EXPECT_EQ(img->getPixel(x, 0), x >= 5 && x <= 8 ? kBlack : 0u) << x;
  ScanParams q;  // a vertex just above row 10's sample line, and one on it: three crossings, none drawn
  img = filled({{0, 0}, {20, 10.5}, {0, 21}}, 40, 40, 0, kBlack, q);
  EXPECT_TRUE(img->getPixel(18, 10) == kBlack && img->getPixel(21, 10) == 0u);
  img = filled({{0, 0}, {20, 10.5 + kScanOffset}, {0, 21}}, 40, 40, 0, kBlack, q);
  EXPECT_TRUE(img->getPixel(5, 9) == kBlack && img->getPixel(5, 10) == 0u && img->getPixel(5, 11) == kBlack);
  ScanParams odd;
  odd.skipOddRows = 1;
  img = filled({{2, 2}, {18, 2}, {18, 18}, {2, 18}}, 20, 20, 0, kBlack, odd);
  for (int y = 0; y < 20; ++y)
    EXPECT_EQ(img->getPixel(10, y), (y % 2 == 0 && y >= 2 && y < 18) ? kBlack : 0u) << y;
  // A zigzag of n teeth crosses the line y = 5.5 2n times; 256 crossings abandon the row.
  auto zigzag = [](int n) {
    PointList pts;
    for (int i = 0; i < n; ++i) pts.push_back({2.0 * i, 0}), pts.push_back({2.0 * i + 1, 10});
    pts.push_back({2.0 * n, 0});
    return pts;
  };
  for (uint8_t sub : {0, 1}) {
    Image32 z(300, 10);
    z.fill(0);
    ScanParams s;
    s.subRows = sub;
    fillShape(z, zigzag(128), kBlack, 255, s, 5, 5);
    EXPECT_TRUE(z.isUniform() && s.dirty.isEmpty());
    fillShape(z, zigzag(127), kBlack, 255, s, 5, 5);
    EXPECT_EQ(z.getPixel(1, 5), kBlack);
  }
  EXPECT_FALSE(pointInShape(zigzag(128), 1, 5));
  EXPECT_TRUE(pointInShape(zigzag(127), 1, 5));
}

TEST(PolygonFill, SubRowsWeighTheCoverage) {
  // A horizontal edge halfway through row 10: coverage (0 + 0 + 200 + 200) >> 2 = 100.
  ScanParams s;
  s.subRows = 1;
  auto half = filled({{2, 10.5}, {18, 10.5}, {18, 15}, {2, 15}}, 20, 20, 0, 0xFF336699u, s, 200);
  EXPECT_TRUE(half->getPixel(10, 10) == 0x64336699u && half->getPixel(10, 12) == 0xC8336699u &&
              half->getPixel(10, 9) == 0);
  EXPECT_EQ(s.dirty, Rect(2, 10, 17, 5));
  // Full coverage of an opaque colour stores it; an opaque pixel blends by the colour's alpha.
  ScanParams m;
  m.subRows = 1;
  auto mix = filled({{2, 10.5}, {18, 10.5}, {18, 15}, {2, 15}}, 20, 20, 0xFF808080u, kBlack, m);
  EXPECT_EQ(mix->getPixel(10, 12), kBlack);
  EXPECT_EQ(mix->getPixel(10, 10), test::applied(blendRgbByAlpha, 0xFF808080u, kBlack, 127));
}

// pointInShape samples the line y itself, the filler y + 0.5: moving a shape down by half a row
// lines the two up. With axis-aligned integer edges every crossing is an integer and the pixels
// painted are exactly the points inside.
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
    const size_t n = 2 + rng() % 6;
    for (size_t i = 0; i < n; ++i) pts.push_back({xs[i], ys[i]}), pts.push_back({xs[i + 1], ys[i]});
    pts.push_back({xs[n], ys[n]});
    pts.push_back({xs[0], ys[n]});
    for (const CurvePoint& p : pts) down.push_back({p.x, p.y + 0.5});
    ScanParams pa;
    const auto a = filled(down, 64, 64, 0, kBlack, pa);
    for (int py = 0; py < 64; ++py)
      for (int px = 0; px < 64; ++px)
        ASSERT_EQ(pointInShape(pts, px, py), a->getPixel(px, py) != 0) << trial << " at " << px << "," << py;
  }
}

// The shortcuts for empty and fully covered stretches give what the per-pixel rules give:
// an empty fill-source stack evaluates to its base colour and always takes the per-pixel path.
// The coverage run is the 8-bit anti-aliased span at full weight.
TEST(PolygonFill, FastPathsEqualThePerPixelRules) {
  PointList pts;
  for (int i = 0; i < 200; ++i) {
    const double a = 2 * std::acos(-1.0) * i / 200,
                 r = 90 * (0.7 + 0.2 * std::sin(7 * a) + (i % 2 ? 0.1 : 0));
    pts.push_back({100 + r * std::cos(a), 100 + r * std::sin(a)});
  }
  for (Color32 colour : {0xFF204080u, 0xFFFFFFFFu})
    for (Color32 background : {0xFFFFFFFFu, 0x00000000u, 0x80406080u})
      for (uint8_t aa = 0; aa < 2; ++aa) {
        FillSourceStack constant;
        constant.setBaseColour(colour);
        ScanParams pf, pp;
        pf.subRows = pp.subRows = 1;
        pf.antialiasEnds = pp.antialiasEnds = aa;
        pp.fillSources = &constant;
        ASSERT_EQ(test::pixelsOf(*filled(pts, 200, 200, background, colour, pf)),
                  test::pixelsOf(*filled(pts, 200, 200, background, 0, pp)));
        EXPECT_EQ(pf.dirty, pp.dirty);
      }
  // Random shapes against the plain coverage: each sub-row's crossings one edge at a time,
  // drawn by coverageRun or as plain runs. An opaque colour on transparency leaves the mean as
  // the alpha, and the coverage row holds it.
  std::mt19937 shapes(5);
  std::uniform_real_distribution<double> coord(-8.0, 72.0);
  for (int trial = 0; trial < 60; ++trial) {
    PointList poly(3 + shapes() % 40);
    for (CurvePoint& v : poly) v = {coord(shapes), coord(shapes)};
    ScanParams p;
    p.subRows = 1;
    p.antialiasEnds = trial & 1;
    const int value = trial % 3 ? 255 : int(shapes() % 256);
    const auto img = filled(poly, 64, 64, 0, kBlack, p, value);
    EdgeList edges = edgesOf(poly);
    prepareEdges(edges);
    for (int y = 0; y < 64; ++y) {
      uint8_t cov[4][64] = {};
      bool drawn = true;
      for (int k = 0; k < 4; ++k) {
        std::vector<double> xs;
        for (size_t e = 0; e < edges.size(); ++e)
          if (double x; edgeCrossing(edges, e, y + (k + 0.5) * 0.25, x)) xs.push_back(x);
        std::sort(xs.begin(), xs.end());
        drawn = drawn && xs.size() % 2 == 0;
        for (size_t i = 0; i + 1 < xs.size(); i += 2)
          if (!p.antialiasEnds) std::fill(cov[k] + std::clamp(int(xs[i]), 0, 64), cov[k] + std::clamp(int(xs[i + 1]) + 1, 0, 64), value);
          else if (xs[i] != xs[i + 1]) coverageRun(cov[k], 64, xs[i], xs[i + 1], value);
      }
      uint8_t row[64] = {};  // the 8-bit form at full value gives the same means
      coverageRowSubsampled(row, 64, y, p.antialiasEnds, edges);
      for (int x = 0; drawn && x < 64; ++x) {
        const int mean = (cov[0][x] + cov[1][x] + cov[2][x] + cov[3][x]) >> 2;
        ASSERT_EQ(alphaOf(img->getPixel(x, y)), mean) << trial << " at " << x << "," << y;
        if (value == 255) {
          ASSERT_EQ(row[x], mean) << trial << " at " << x << "," << y;
        }
      }
    }
  }
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> pos(-20.0, 80.0);
  for (int trial = 0; trial < 5000; ++trial) {
    uint8_t a[64], b[64];
    for (int i = 0; i < 64; ++i) a[i] = b[i] = uint8_t(rng());
    const double xa = pos(rng), xb = trial % 7 == 0 ? xa + 0.3 : pos(rng);
    SpanParams p;
    p.paint = rng() % 256;
    ASSERT_EQ(coverageRun(a, 60, xa, xb, int(p.paint)), antialiasedSpan8(p, b, 60, xa, xb))
        << xa << " " << xb;
    ASSERT_EQ(0, std::memcmp(a, b, 64)) << xa << " " << xb;
  }
}

TEST(PolygonFill, FillSourceRuns) {
  FillSourceStack stack;
  stack.addGradient(0, 0, 0xFFFF0000u, 32, 0, 0xFF0000FFu, kGradientLinear, kGradientClamp,
                    kGradientTwoColours);
  ScanParams p;
  p.fillSources = &stack;
  const auto img = filled({{0, 0}, {32, 0}, {32, 4}, {0, 4}}, 32, 8, 0x80FFFFFFu, 0, p, 190);
  for (int x = 0; x < 32; x += 5)
    EXPECT_EQ(img->getPixel(x, 2), test::applied(over, 0x80FFFFFFu, stack.evaluate(x, 2), 190));
  EXPECT_EQ(img->getPixel(3, 5), 0x80FFFFFFu);
  // Anti-aliased: end pixels weighted by their coverage; a run inside one pixel painted once
  // with paintPixel.
  Image32 row(10, 1);
  row.fill(kBlack);
  sourceRunAntialiased(row, 0, 6.5, 2.25, stack, 255);
  EXPECT_EQ(row.getPixel(2, 0), test::applied(over, kBlack, stack.evaluate(2, 0), 255 - int(0.25 * 255)));
  EXPECT_EQ(row.getPixel(4, 0), test::applied(over, kBlack, stack.evaluate(4, 0), 255));
  EXPECT_EQ(row.getPixel(6, 0), test::applied(over, kBlack, stack.evaluate(6, 0), int(0.5 * 255)));
  EXPECT_EQ(row.getPixel(7, 0), kBlack);
  Image32 one(10, 1), ref(10, 1);
  one.fill(0);
  ref.fill(0);
  sourceRunAntialiased(one, 0, 3.2, 3.7, stack, 128);
  ref.paintPixel(3, 0, stack.evaluate(3, 0), int((0.7 - 0.2) * 255) * 128 / 255);
  EXPECT_EQ(test::pixelsOf(one), test::pixelsOf(ref));
}

TEST(PolygonFill, DegenerateInputIsSafe) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  Image32 img(16, 16);
  for (uint8_t mode = 0; mode < 4; ++mode) {
    ScanParams p;
    p.subRows = mode & 1;
    p.antialiasEnds = (mode >> 1) & 1;
    img.fill(0);
    for (const PointList& pts : {PointList{}, PointList{{1, 1}, {5, 5}}, PointList{{1, 1}, {1, 1}, {1, 1}},
                                 PointList{{nan, 1}, {5, 5}, {1, 9}}, PointList{{-inf, 1}, {5, 5}, {1, 9}}})
      fillShape(img, pts, kBlack, 255, p, 0, 15);
    EXPECT_TRUE(img.isUniform());
    fillShape(img, {{-1e300, 2}, {1e300, 3}, {1e300, 1e300}, {-1e300, 1e-300}}, kBlack, 300, p, INT32_MIN,
              INT32_MAX);
    fillShape(img, {{-3e9, -3e9}, {3e9, 5}, {5, 3e9}}, kBlack, -5, p, -100, 100);
    EdgeList edges = edgesOf({{nan, 0}, {5, 20}, {inf, 3}, {4, -inf}});
    prepareEdges(edges);
    fillRow(img, 4, kBlack, 255, p, edges);
    fillRowSubsampled(img, 4, kBlack, 255, p, edges);
    fillRow(img, INT32_MAX, kBlack, 255, p, edges);
    fillRowSubsampled(img, -1, kBlack, 255, p, edges);
  }
  EXPECT_FALSE(pointInShape({{0, 0}, {nan, 5}, {9, 9}}, 1, 1));
  EXPECT_FALSE(pointInShape({{0, 0}, {5, 5}}, 1, 1));
  const PointList square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};  // a point on a run's end is inside
  EXPECT_TRUE(pointInShape(square, 0, 5) && pointInShape(square, 10, 5) && !pointInShape(square, 11, 5));
}

}  // namespace
}  // namespace kanvo
