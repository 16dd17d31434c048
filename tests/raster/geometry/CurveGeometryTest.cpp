#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "raster/geometry/CurveGeometry.h"

using namespace kanvo;

namespace {

// A straight segment from a to b whose inner control points sit on the end points.
BezierSegment straight(CurvePoint a, CurvePoint b) {
  return segmentFromFour(a, a, b, b, 0.0);
}

// A straight segment with evenly spaced control points, so that evaluate is linear in t.
BezierSegment linear(CurvePoint a, CurvePoint b) {
  BezierSegment s;
  for (int k = 0; k < 4; ++k) {
    s.x[k] = a.x + (b.x - a.x) * k / 3.0;
    s.y[k] = a.y + (b.y - a.y) * k / 3.0;
  }
  return s;
}

}  // namespace

TEST(CurveGeometry, EvaluateAndLength) {
  BezierSegment s;
  const double xs[4] = {0, 10, 20, 30}, ys[4] = {5, 5, 5, 5};
  for (int k = 0; k < 4; ++k) s.x[k] = xs[k], s.y[k] = ys[k];
  EXPECT_EQ(evaluate(s, 0.0).x, 0.0);
  EXPECT_EQ(evaluate(s, 1.0).x, 30.0);
  EXPECT_DOUBLE_EQ(evaluate(s, 0.5).x, 15.0);
  EXPECT_DOUBLE_EQ(estimateLength(s, 5), 30.0);
  EXPECT_EQ(estimateLength(s, 0), 0.0);
  EXPECT_EQ(estimateLength(s, -3), 0.0);
  // The cubic form term by term at an awkward t.
  const double c[4] = {1.5, -7.25, 3.0, 11.0};
  double t = 0.3, u = 1.0 - t;
  EXPECT_EQ(evaluate(c, t), u * u * u * 1.5 + 3.0 * u * u * t * -7.25 + 3.0 * u * t * t * 3.0 + t * t * t * 11.0);
}

TEST(CurveGeometry, StepCounts) {
  EXPECT_EQ(flattenSteps(straight({0, 0}, {39.9, 0})), 5);
  EXPECT_EQ(flattenSteps(straight({0, 0}, {105, 0})), 10);
  EXPECT_EQ(flattenSteps(straight({0, 0}, {0, 333})), 33);
  struct {
    double len;
    int steps;
  } hits[] = {{2, 1}, {10, 3}, {20.5, 4}, {50.5, 5}, {3.99, 1}, {4.01, 3}, {31, 3}};
  for (auto h : hits) EXPECT_EQ(hitSteps(straight({0, 0}, {h.len, 0}), 3), h.steps) << h.len;
}

TEST(CurveGeometry, FlattenPointsAdvanceByRepeatedAddition) {
  PointList pts;
  flattenSegment(straight({0, 0}, {40, 0}), pts);
  ASSERT_EQ(pts.size(), 5u);
  double t = 0;
  for (int k = 0; k < 5; ++k, t += 0.2) EXPECT_EQ(pts[size_t(k)].x, evaluate(straight({0, 0}, {40, 0}), t).x);

  // Ten additions of 0.1 stay below 1.0, so an eleventh point just before the end is appended.
  pts.clear();
  flattenSegment(linear({0, 0}, {105, 0}), pts);
  ASSERT_EQ(pts.size(), 11u);
  double t10 = 0.0;
  for (int k = 0; k < 10; ++k) t10 += 0.1;
  EXPECT_LT(t10, 1.0);
  EXPECT_EQ(pts.back().x, evaluate(linear({0, 0}, {105, 0}), t10).x);

  // First three control values coincide: only the end point.
  pts.clear();
  BezierSegment s = straight({3, 4}, {3, 4});
  s.x[3] = 9, s.y[3] = 8;
  flattenSegment(s, pts);
  ASSERT_EQ(pts.size(), 1u);
  EXPECT_EQ(pts[0], (CurvePoint{9, 8}));
}

TEST(CurveGeometry, ClosedTriangleWithoutSmoothnessIsStraight) {
  std::vector<CurvePoint> tri = {{0, 0}, {100, 0}, {50, 80}};
  Curve c = smoothClosed(tri, 0.0);
  ASSERT_EQ(c.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(c[i].x[0], tri[i].x);
    EXPECT_EQ(c[i].x[1], c[i].x[0]);
    EXPECT_EQ(c[i].y[1], c[i].y[0]);
    EXPECT_EQ(c[i].x[2], c[i].x[3]);
    EXPECT_EQ(c[i].y[2], c[i].y[3]);
    EXPECT_EQ(c[i].x[3], tri[(i + 1) % 3].x);
  }
  PointList pts;
  flattenCurve(c, pts);
  EXPECT_GE(pts.size(), 15u);
  EXPECT_TRUE(smoothClosed({{0, 0}, {1, 1}}, 1.0).empty());

  // With smoothness the tangent at anchor 1 is parallel to P2 - P0 and has length s |P2 - P1| / 2.
  Curve sm = smoothClosed(tri, 1.0);
  CurvePoint t1{sm[1].x[1] - 100, sm[1].y[1] - 0};
  EXPECT_NEAR(vectorLength(t1), 0.7 * vectorLength(CurvePoint{-50, 80}) / 2, 1e-9);
  EXPECT_NEAR(t1.x * 80 - t1.y * 50, 0.0, 1e-9);  // parallel to (50, 80)
}

TEST(CurveGeometry, OpenCurveCornersAndVirtualAnchors) {
  std::vector<uint8_t> flags;
  Curve two = smoothOpen({{0, 0}, {10, 5}}, 1.0, flags);
  ASSERT_EQ(two.size(), 1u);
  EXPECT_EQ(two[0].x[1], 0.0);
  EXPECT_EQ(two[0].x[2], 10.0);
  EXPECT_EQ(flags, (std::vector<uint8_t>{0, 0}));
  EXPECT_TRUE(smoothOpen({{1, 1}}, 1.0, flags).empty());
  EXPECT_EQ(flags.size(), 1u);

  // A 90-degree corner at anchor 1: its tangent is dropped, but it is not flagged.
  Curve right = smoothOpen({{0, 0}, {100, 0}, {100, 100}}, 1.0, flags);
  ASSERT_EQ(right.size(), 2u);
  EXPECT_EQ(right[0].x[2], 100.0);
  EXPECT_EQ(right[0].y[2], 0.0);
  EXPECT_EQ(right[1].x[1], 100.0);
  EXPECT_EQ(right[1].y[1], 0.0);
  EXPECT_EQ(flags, (std::vector<uint8_t>{0, 0, 0}));

  // A 120-degree turn at anchor 2 is flagged; the straight runs around it are not.
  double a = 120.0 * std::acos(-1.0) / 180.0;
  CurvePoint ahead{100 * std::cos(a), 100 * std::sin(a)};
  Curve sharp = smoothOpen({{0, 0}, {100, 0}, {200, 0}, CurvePoint{200, 0} + ahead, CurvePoint{200, 0} + ahead * 2}, 1.0,
                           flags);
  ASSERT_EQ(sharp.size(), 4u);
  EXPECT_EQ(flags, (std::vector<uint8_t>{0, 0, 1, 0, 0}));
  // With three anchors the virtual end anchors repeat the turn, so both ends are corners too.
  smoothOpen({{0, 0}, {100, 0}, CurvePoint{100, 0} + ahead}, 1.0, flags);
  EXPECT_EQ(flags, (std::vector<uint8_t>{1, 1, 1}));

  // Collinear anchors: the virtual end anchors continue the line, so every tangent is used and
  // the segments are straight thirds.
  Curve line = smoothOpen({{0, 0}, {30, 0}, {60, 0}}, 1.0, flags);
  ASSERT_EQ(line.size(), 2u);
  EXPECT_NEAR(line[0].x[1], 0.6 * 15.0, 1e-12);
  EXPECT_NEAR(line[1].x[2], 60.0 - 0.6 * 15.0, 1e-9);
  EXPECT_NEAR(line[1].y[2], 0.0, 1e-9);
}

TEST(CurveGeometry, VectorHelpers) {
  EXPECT_EQ(setVectorLength({3, 4}, 0.0), (CurvePoint{0, 0}));
  EXPECT_EQ(setVectorLength({0, 0}, 7.0), (CurvePoint{0, 0}));
  EXPECT_EQ(setVectorLength({3, 4}, 1.0), (CurvePoint{0.6, 0.8}));
  CurvePoint v = setVectorLength({3, 4}, 10.0);
  EXPECT_DOUBLE_EQ(v.x, 6.0);
  EXPECT_DOUBLE_EQ(v.y, 8.0);
  EXPECT_EQ(direction({1, 1}, {1, 1}), 0.0);
  EXPECT_DOUBLE_EQ(direction({0, 0}, {0, 5}), std::acos(-1.0) / 2);
  // From heading 170 degrees to -170 degrees is a turn of 20 degrees, not 340.
  double d170 = 170.0 * std::acos(-1.0) / 180;
  CurvePoint a{0, 0}, b{std::cos(d170), std::sin(d170)};
  CurvePoint c = b + CurvePoint{std::cos(-d170), std::sin(-d170)};
  EXPECT_NEAR(turningAngle(a, b, c), 20.0 * std::acos(-1.0) / 180, 1e-12);
  CurvePoint r = rotate({1, 0}, kHalfPiSingle);
  EXPECT_EQ(r.x, std::cos(kHalfPiSingle));
  EXPECT_EQ(r.y, std::sin(kHalfPiSingle));
  EXPECT_EQ(normalise({0, 0}), (CurvePoint{0, 0}));
}

TEST(CurveGeometry, PointsAndOffsets) {
  Curve c = {linear({0, 0}, {100, 0}), linear({100, 0}, {100, 50})};
  CurvePoint p;
  EXPECT_FALSE(pointOnCurve(c, -1, 0.5, p));
  EXPECT_FALSE(pointOnCurve(c, 2, 0.5, p));
  EXPECT_FALSE(offsetPoint(c, 2, 0.5, 1.0, p));
  ASSERT_TRUE(pointOnCurve(c, 1, 1.0, p));
  EXPECT_EQ(p, (CurvePoint{100, 50}));

  // The normal of a rightward segment points down (+y) on this y-down canvas.
  ASSERT_TRUE(offsetPoint(c, 0, 0.5, 4.0, p));
  EXPECT_NEAR(p.x, 50.0, 1e-6);
  EXPECT_NEAR(p.y, 4.0, 1e-6);
  // t past the end of segment 0 continues on segment 1 (downward: normal points to -x).
  ASSERT_TRUE(offsetPoint(c, 0, 1.5, 4.0, p));
  EXPECT_NEAR(p.x, 96.0, 1e-6);
  EXPECT_NEAR(p.y, 25.0, 1e-6);
  // On the last segment t = 1 stays there.
  ASSERT_TRUE(offsetPoint(c, 1, 1.0, 4.0, p));
  EXPECT_NEAR(p.x, 96.0, 1e-6);
  EXPECT_NEAR(p.y, 50.0, 1e-6);

  BezierSegment f = segmentFromFour({0, 0}, {10, 0}, {20, 10}, {40, 10}, 0.25);
  EXPECT_EQ(f.x[0], 10.0);
  EXPECT_EQ(f.x[1], 10.0 + 20 * 0.25);
  EXPECT_EQ(f.y[1], 0.0 + 10 * 0.25);
  EXPECT_EQ(f.x[2], 20.0 - 30 * 0.25);
  EXPECT_EQ(f.y[2], 10.0 - 10 * 0.25);
  EXPECT_EQ(f.x[3], 20.0);
}

TEST(CurveGeometry, DegenerateInputIsBounded) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  PointList pts;
  flattenSegment(straight({0, 0}, {nan, 0}), pts);
  EXPECT_EQ(pts.size(), 5u);
  pts.clear();
  flattenSegment(straight({0, 0}, {1e300, 0}), pts);
  EXPECT_LE(pts.size(), size_t(kMaxFlattenSteps) + 1);
  pts.clear();
  flattenSegment(straight({-inf, 0}, {inf, 0}), pts);
  EXPECT_LE(pts.size(), size_t(kMaxFlattenSteps) + 1);
  EXPECT_EQ(hitSteps(straight({0, 0}, {nan, nan}), 3), 1);
  EXPECT_EQ(hitSteps(straight({0, 0}, {1e300, 0}), 3), kMaxFlattenSteps);

  std::vector<uint8_t> flags;
  Curve same = smoothOpen({{5, 5}, {5, 5}, {5, 5}, {5, 5}}, 1.0, flags);
  ASSERT_EQ(same.size(), 3u);
  for (auto& s : same) EXPECT_EQ(s.x[1], 5.0);
  Curve closedSame = smoothClosed({{1, 1}, {1, 1}, {1, 1}}, 1.0);
  EXPECT_EQ(closedSame.size(), 3u);
  CurvePoint p;
  EXPECT_TRUE(offsetPoint(closedSame, 0, 0.5, 3.0, p));
  EXPECT_LE(vectorLength(p - CurvePoint{1, 1}), 3.0 + 1e-9);
}
