#pragma once
// Curve geometry: cubic Bezier segments through anchor lists, their evaluation and flattening
// into point lists, offset points for stroke outlines, and the small 2-D vector helpers they use.
// All coordinates are doubles in canvas (or view) pixels; angles are radians.
//
// A curve is a sequence of BezierSegment, each segment ending where the next one starts.
// Flattening appends each segment's points without its end point, so a flattened closed curve
// is a closed point list ready for the polygon filler.
//
// Degenerate input is safe: non-finite or absurdly long segments flatten to a bounded number of
// points (at most kMaxFlattenSteps per segment); coordinates are carried through unchanged, so
// NaN anchors give NaN points that the filler ignores.
#include <cstdint>
#include <vector>

namespace kanvo {

struct CurvePoint {
  double x = 0.0, y = 0.0;
};

inline CurvePoint operator+(CurvePoint a, CurvePoint b) { return {a.x + b.x, a.y + b.y}; }
inline CurvePoint operator-(CurvePoint a, CurvePoint b) { return {a.x - b.x, a.y - b.y}; }
inline CurvePoint operator*(CurvePoint a, double k) { return {a.x * k, a.y * k}; }
inline bool operator==(CurvePoint a, CurvePoint b) { return a.x == b.x && a.y == b.y; }

// One cubic Bezier: control values c0..c3 for x and for y.
struct BezierSegment {
  double x[4] = {0, 0, 0, 0};
  double y[4] = {0, 0, 0, 0};
};

using Curve = std::vector<BezierSegment>;
using PointList = std::vector<CurvePoint>;

// Angles the curve code compares with, as single-precision values widened to double.
constexpr double kHalfPiSingle = 1.5707963705062866;      // pi / 2
constexpr double kPiSingle = 3.1415927410125732;          // pi
constexpr double kCornerIgnoreAngle = 0.7853981852531433;  // 45 degrees: tangent not used above
constexpr double kCornerFlagAngle = 1.919862230618795;     // 110 degrees: anchor flagged above

// Upper bound on the points one segment flattens to (a segment of ~650000 pixels).
constexpr int kMaxFlattenSteps = 65536;

// --- vector helpers -------------------------------------------------------------------------
double vectorLength(CurvePoint v);
// Scales v to length L: L = 0 gives (0, 0); a zero vector stays unchanged; L = 1 normalises.
CurvePoint setVectorLength(CurvePoint v, double L);
// v / |v|; a zero vector stays unchanged.
CurvePoint normalise(CurvePoint v);
// (x cos a - y sin a, y cos a + x sin a).
CurvePoint rotate(CurvePoint v, double a);
// atan2 of to - from; 0 when the points coincide.
double direction(CurvePoint from, CurvePoint to);
// |direction(b, c) - direction(a, b)| folded into [0, pi].
double turningAngle(CurvePoint a, CurvePoint b, CurvePoint c);

// --- segments ---------------------------------------------------------------------------------
// (1 - t)^3 c0 + 3 (1 - t)^2 t c1 + 3 (1 - t) t^2 c2 + t^3 c3.
double evaluate(const double c[4], double t);
CurvePoint evaluate(const BezierSegment& s, double t);
// Sum of n chords at t = k / n (t advancing by adding 1 / n); 0 for n < 1.
double estimateLength(const BezierSegment& s, int n);
// Steps used for flattening: 5 up to length 40, else int(length x 0.1) (at most kMaxFlattenSteps).
int flattenSteps(const BezierSegment& s);
// Steps used for hit testing, from a default.
int hitSteps(const BezierSegment& s, int defaultSteps);
// Appends the segment's points for t = 0, 1/n, ... while t < 1 (not the end point); a segment
// whose first three control values coincide in x and y appends only its end point.
void flattenSegment(const BezierSegment& s, PointList& out);
void flattenCurve(const Curve& curve, PointList& out);

// One segment per anchor of a closed list (n >= 3; fewer gives no segments).
Curve smoothClosed(const std::vector<CurvePoint>& anchors, double smoothness);
// n - 1 segments for an open list (n >= 2; fewer gives none). cornerFlags is resized to n and
// set to 1 for anchors where the outline turns by more than 110 degrees.
Curve smoothOpen(const std::vector<CurvePoint>& anchors, double smoothness, std::vector<uint8_t>& cornerFlags);

// Point of segment i at t; false when i is out of range.
bool pointOnCurve(const Curve& curve, int i, double t, CurvePoint& out);
// The point of segment i at t moved by d along the unit normal (tangent turned by pi / 2).
// t >= 1 continues on segment i + 1 at t - 1 when that segment exists. False when i is out of
// range. A zero tangent leaves the point unmoved.
bool offsetPoint(const Curve& curve, int i, double t, double d, CurvePoint& out);
// The segment from p1 to p2 with control points p1 + (p2 - p0) tension, p2 - (p3 - p1) tension.
BezierSegment segmentFromFour(CurvePoint p0, CurvePoint p1, CurvePoint p2, CurvePoint p3, double tension);

}  // namespace kanvo
