// Curve geometry: evaluation and step counts, flattening, smooth closed and open curves with
// their corner rules, offset points, the vector helpers and degenerate input.
#include "raster/geometry/CurveGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kanvo {
namespace {

const double kPi = std::acos(-1.0);

// A straight segment from a to b with evenly spaced control points (linear in t), or with
// them on the end points (tension 0).
BezierSegment linear(CurvePoint a, CurvePoint b) {
  BezierSegment s;
  for (int k = 0; k < 4; ++k) s.x[k] = a.x + (b.x - a.x) * k / 3.0, s.y[k] = a.y + (b.y - a.y) * k / 3.0;
  return s;
}
BezierSegment straight(CurvePoint a, CurvePoint b) {
  return segmentFromFour(a, a, b, b, 0.0);
}

TEST(CurveGeometry, EvaluationLengthAndStepCounts) {
  const BezierSegment s = linear({0, 5}, {30, 5});
  EXPECT_TRUE(evaluate(s, 0.0) == (CurvePoint{0, 5}) && evaluate(s, 1.0) == (CurvePoint{30, 5}));
  EXPECT_DOUBLE_EQ(evaluate(s, 0.5).x, 15.0);
  EXPECT_TRUE(estimateLength(s, 5) == 30.0 && estimateLength(s, 0) == 0.0);
  const double c[4] = {1.5, -7.25, 3.0, 11.0};  // the cubic term by term at t = 0.3
  EXPECT_DOUBLE_EQ(evaluate(c, 0.3), 0.343 * 1.5 + 0.441 * -7.25 + 0.189 * 3.0 + 0.027 * 11.0);
  EXPECT_TRUE(flattenSteps(straight({0, 0}, {39.9, 0})) == 5 &&
              flattenSteps(straight({0, 0}, {0, 333})) == 33);
  const struct {
    double len;
    int steps;
  } hits[] = {{2, 1}, {3.99, 1}, {4.01, 3}, {10, 3}, {20.5, 4}, {31, 3}, {50.5, 5}};
  for (auto h : hits) EXPECT_EQ(hitSteps(straight({0, 0}, {h.len, 0}), 3), h.steps) << h.len;
}

TEST(CurveGeometry, FlatteningAdvancesByRepeatedAddition) {
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
  EXPECT_EQ(pts.back(), evaluate(linear({0, 0}, {105, 0}), t10));
  // First three control values coincide: only the end point.
  pts.clear();
  BezierSegment s = straight({3, 4}, {3, 4});
  s.x[3] = 9, s.y[3] = 8;
  flattenSegment(s, pts);
  EXPECT_EQ(pts, (PointList{{9, 8}}));
}

TEST(CurveGeometry, SmoothClosedAndOpenCurves) {
  const std::vector<CurvePoint> tri = {{0, 0}, {100, 0}, {50, 80}};
  const Curve c = smoothClosed(tri, 0.0);  // without smoothness: straight sides
  ASSERT_EQ(c.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(c[i].x[0] == tri[i].x && c[i].x[1] == c[i].x[0] && c[i].y[1] == c[i].y[0]);
    EXPECT_TRUE(c[i].x[3] == tri[(i + 1) % 3].x && c[i].x[2] == c[i].x[3] && c[i].y[2] == c[i].y[3]);
  }
  EXPECT_TRUE(smoothClosed({{0, 0}, {1, 1}}, 1.0).empty());
  // With smoothness the tangent at anchor 1 is parallel to P2 - P0, of length 0.7 |P2 - P1| / 2.
  const Curve sm = smoothClosed(tri, 1.0);
  const CurvePoint t1{sm[1].x[1] - 100, sm[1].y[1]};
  EXPECT_NEAR(vectorLength(t1), 0.7 * vectorLength(CurvePoint{-50, 80}) / 2, 1e-9);
  EXPECT_NEAR(t1.x * 80 - t1.y * 50, 0.0, 1e-9);

  std::vector<uint8_t> flags;
  Curve two = smoothOpen({{0, 0}, {10, 5}}, 1.0, flags);  // two anchors: straight
  ASSERT_EQ(two.size(), 1u);
  EXPECT_TRUE(two[0].x[1] == 0.0 && two[0].x[2] == 10.0 && flags == (std::vector<uint8_t>{0, 0}));
  EXPECT_TRUE(smoothOpen({{1, 1}}, 1.0, flags).empty());
  EXPECT_EQ(flags.size(), 1u);
  // A 90-degree corner: its tangent is dropped, but it is not flagged.
  Curve right = smoothOpen({{0, 0}, {100, 0}, {100, 100}}, 1.0, flags);
  EXPECT_TRUE(right[0].x[2] == 100.0 && right[0].y[2] == 0.0 && right[1].x[1] == 100.0 &&
              right[1].y[1] == 0.0);
  EXPECT_EQ(flags, (std::vector<uint8_t>{0, 0, 0}));
  // A 120-degree turn is flagged; with three anchors the virtual end anchors repeat it.
  const CurvePoint ahead{100 * std::cos(2 * kPi / 3), 100 * std::sin(2 * kPi / 3)};
  smoothOpen({{0, 0}, {100, 0}, {200, 0}, CurvePoint{200, 0} + ahead, CurvePoint{200, 0} + ahead * 2}, 1.0,
             flags);
  EXPECT_EQ(flags, (std::vector<uint8_t>{0, 0, 1, 0, 0}));
  smoothOpen({{0, 0}, {100, 0}, CurvePoint{100, 0} + ahead}, 1.0, flags);
  EXPECT_EQ(flags, (std::vector<uint8_t>{1, 1, 1}));
  // Collinear anchors: the virtual ends continue the line, so the segments are straight thirds.
  Curve line = smoothOpen({{0, 0}, {30, 0}, {60, 0}}, 1.0, flags);
  EXPECT_NEAR(line[0].x[1], 0.6 * 15.0, 1e-12);
  EXPECT_NEAR(line[1].x[2], 60.0 - 0.6 * 15.0, 1e-9);
  EXPECT_NEAR(line[1].y[2], 0.0, 1e-9);
}

TEST(CurveGeometry, PointsOffsetsAndVectorHelpers) {
  const Curve c = {linear({0, 0}, {100, 0}), linear({100, 0}, {100, 50})};
  CurvePoint p;
  EXPECT_FALSE(pointOnCurve(c, -1, 0.5, p) || pointOnCurve(c, 2, 0.5, p) || offsetPoint(c, 2, 0.5, 1.0, p));
  ASSERT_TRUE(pointOnCurve(c, 1, 1.0, p));
  EXPECT_EQ(p, (CurvePoint{100, 50}));
  // The normal of a rightward segment points down (+y); t past the end of segment 0 continues on
  // segment 1 (downward: normal to -x); on the last segment t = 1 stays there.
  const struct {
    int i;
    double t;
    CurvePoint want;
  } offsets[] = {{0, 0.5, {50, 4}}, {0, 1.5, {96, 25}}, {1, 1.0, {96, 50}}};
  for (const auto& o : offsets) {
    ASSERT_TRUE(offsetPoint(c, o.i, o.t, 4.0, p));
    EXPECT_NEAR(p.x, o.want.x, 1e-6);
    EXPECT_NEAR(p.y, o.want.y, 1e-6);
  }
  const BezierSegment f = segmentFromFour({0, 0}, {10, 0}, {20, 10}, {40, 10}, 0.25);
  EXPECT_TRUE(f.x[0] == 10.0 && f.x[1] == 15.0 && f.y[1] == 2.5 && f.x[2] == 12.5 && f.y[2] == 7.5 &&
              f.x[3] == 20.0);

  // Zero lengths and zero vectors stay zero.
  EXPECT_TRUE(setVectorLength({3, 4}, 0.0) == (CurvePoint{0, 0}) &&
              setVectorLength({0, 0}, 7.0) == (CurvePoint{0, 0}));
  EXPECT_TRUE(setVectorLength({3, 4}, 1.0) == (CurvePoint{0.6, 0.8}) &&
              normalise({0, 0}) == (CurvePoint{0, 0}));
  EXPECT_TRUE(direction({1, 1}, {1, 1}) == 0.0 && direction({0, 0}, {0, 5}) == kPi / 2);
  // From heading 170 degrees to -170 degrees is a turn of 20 degrees, not 340.
  const double a = 170.0 * kPi / 180;
  const CurvePoint b{std::cos(a), std::sin(a)};
  EXPECT_NEAR(turningAngle({0, 0}, b, b + CurvePoint{std::cos(-a), std::sin(-a)}), 20.0 * kPi / 180, 1e-12);
}

TEST(CurveGeometry, DegenerateInputIsBounded) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  PointList pts;
  flattenSegment(straight({0, 0}, {nan, 0}), pts);
  EXPECT_EQ(pts.size(), 5u);
  for (const BezierSegment& s : {straight({0, 0}, {1e300, 0}), straight({-inf, 0}, {inf, 0})}) {
    pts.clear();
    flattenSegment(s, pts);
    EXPECT_LE(pts.size(), size_t(kMaxFlattenSteps) + 1);
  }
  EXPECT_EQ(hitSteps(straight({0, 0}, {nan, nan}), 3), 1);
  EXPECT_EQ(hitSteps(straight({0, 0}, {1e300, 0}), 3), kMaxFlattenSteps);
  std::vector<uint8_t> flags;
  for (const auto& s : smoothOpen({{5, 5}, {5, 5}, {5, 5}, {5, 5}}, 1.0, flags)) EXPECT_EQ(s.x[1], 5.0);
  const Curve same = smoothClosed({{1, 1}, {1, 1}, {1, 1}}, 1.0);
  CurvePoint p;
  EXPECT_TRUE(offsetPoint(same, 0, 0.5, 3.0, p));
  EXPECT_LE(vectorLength(p - CurvePoint{1, 1}), 3.0 + 1e-9);
}

}  // namespace
}  // namespace kanvo
