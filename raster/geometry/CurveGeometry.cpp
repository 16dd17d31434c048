#include "raster/geometry/CurveGeometry.h"

#include <cmath>
#include <numbers>

namespace kanvo {

double vectorLength(CurvePoint v) { return std::sqrt(v.x * v.x + v.y * v.y); }

CurvePoint setVectorLength(CurvePoint v, double L) {
  if (L == 0.0) return {0.0, 0.0};
  double sq = v.x * v.x + v.y * v.y;
  if (sq == 0.0) return v;
  if (L == 1.0) return normalise(v);
  double k = std::sqrt(L / sq * L);
  return {v.x * k, v.y * k};
}

CurvePoint normalise(CurvePoint v) {
  double len = vectorLength(v);
  if (len == 0.0) return v;
  return {v.x / len, v.y / len};
}

CurvePoint rotate(CurvePoint v, double a) {
  double c = std::cos(a), s = std::sin(a);
  return {v.x * c - v.y * s, v.y * c + v.x * s};
}

double direction(CurvePoint from, CurvePoint to) {
  if (from == to) return 0.0;
  return std::atan2(to.y - from.y, to.x - from.x);
}

double turningAngle(CurvePoint a, CurvePoint b, CurvePoint c) {
  double d = std::fabs(direction(b, c) - direction(a, b));
  if (d >= kPiSingle) d = 2.0 * std::numbers::pi - d;
  return d;
}

double evaluate(const double c[4], double t) {
  double u = 1.0 - t;
  return u * u * u * c[0] + 3.0 * u * u * t * c[1] + 3.0 * u * t * t * c[2] + t * t * t * c[3];
}

CurvePoint evaluate(const BezierSegment& s, double t) { return {evaluate(s.x, t), evaluate(s.y, t)}; }

double estimateLength(const BezierSegment& s, int n) {
  if (n < 1) return 0.0;
  double step = 1.0 / n, t = 0.0, sum = 0.0;
  CurvePoint prev = evaluate(s, t);
  for (int k = 0; k < n; ++k) {
    t += step;
    CurvePoint cur = evaluate(s, t);
    sum += vectorLength(cur - prev);
    prev = cur;
  }
  return sum;
}

namespace {

// int(length x factor) for a length already known to be large; NaN and overflow are bounded.
int boundedSteps(double length, double factor) {
  double v = length * factor;
  if (!(v < double(kMaxFlattenSteps))) return kMaxFlattenSteps;  // also NaN
  return int(v);
}

bool firstThreeCoincide(const double c[4]) { return c[0] == c[1] && c[1] == c[2]; }

}  // namespace

int flattenSteps(const BezierSegment& s) {
  double len = estimateLength(s, 5);
  if (len <= 40.0) return 5;
  if (std::isnan(len)) return 5;
  return boundedSteps(len, 0.1);
}

int hitSteps(const BezierSegment& s, int defaultSteps) {
  double len = estimateLength(s, 5);
  if (std::isnan(len)) return 1;
  int steps = len < 4.0 ? 1 : defaultSteps;
  if (len > 15.0) steps = boundedSteps(len, 0.2);
  if (len > 30.0) steps = boundedSteps(len, 0.1);
  return steps;
}

void flattenSegment(const BezierSegment& s, PointList& out) {
  if (firstThreeCoincide(s.x) && firstThreeCoincide(s.y)) {
    out.push_back({s.x[3], s.y[3]});
    return;
  }
  int n = flattenSteps(s);
  double step = 1.0 / n;
  for (double t = 0.0; t < 1.0; t += step) out.push_back(evaluate(s, t));
}

void flattenCurve(const Curve& curve, PointList& out) {
  for (const BezierSegment& s : curve) flattenSegment(s, out);
}

namespace {

BezierSegment segmentWithTangents(CurvePoint pc, CurvePoint pn, CurvePoint t1, CurvePoint t2, double s1,
                                  double s2) {
  BezierSegment seg;
  CurvePoint c1 = pc + t1 * s1, c2 = pn - t2 * s2;
  seg.x[0] = pc.x, seg.x[1] = c1.x, seg.x[2] = c2.x, seg.x[3] = pn.x;
  seg.y[0] = pc.y, seg.y[1] = c1.y, seg.y[2] = c2.y, seg.y[3] = pn.y;
  return seg;
}

// The virtual anchor continuing C past the end with the length of B-C and the turn of A-B-C.
CurvePoint virtualAnchor(CurvePoint a, CurvePoint b, CurvePoint c) {
  double q = 2.0 * direction(b, c) - direction(a, b);
  double len = vectorLength(b - c);
  return c + CurvePoint{std::cos(q), std::sin(q)} * len;
}

}  // namespace

Curve smoothClosed(const std::vector<CurvePoint>& p, double smoothness) {
  Curve out;
  size_t n = p.size();
  if (n < 3) return out;
  double s = smoothness * 0.7;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    CurvePoint pp = p[(i + n - 1) % n], pc = p[i], pn = p[(i + 1) % n], pnn = p[(i + 2) % n];
    double L = vectorLength(pn - pc) / 2.0;
    CurvePoint t1 = setVectorLength(pn - pp, L), t2 = setVectorLength(pnn - pc, L);
    out.push_back(segmentWithTangents(pc, pn, t1, t2, s, s));
  }
  return out;
}

Curve smoothOpen(const std::vector<CurvePoint>& p, double smoothness, std::vector<uint8_t>& cornerFlags) {
  Curve out;
  long n = long(p.size());
  cornerFlags.assign(p.size(), 0);
  if (n < 2) return out;
  double s = n == 2 ? 0.0 : smoothness * 0.6;
  auto anchorAt = [&](long k) -> CurvePoint {
    if (k >= 0 && k < n) return p[size_t(k)];
    if (n < 3) return k >= n ? p[size_t(n - 1)] : p[0];
    if (k >= n) return virtualAnchor(p[size_t(n - 3)], p[size_t(n - 2)], p[size_t(n - 1)]);
    return virtualAnchor(p[2], p[1], p[0]);
  };
  out.reserve(size_t(n - 1));
  for (long i = 0; i + 1 < n; ++i) {
    CurvePoint pp = anchorAt(i - 1), pc = p[size_t(i)], pn = p[size_t(i + 1)], pnn = anchorAt(i + 2);
    double L = vectorLength(pn - pc) / 2.0;
    CurvePoint t1 = setVectorLength(pn - pp, L), t2 = setVectorLength(pnn - pc, L);
    double a1 = turningAngle(pp, pc, pn), a2 = turningAngle(pc, pn, pnn);
    double s1 = a1 > kCornerIgnoreAngle ? 0.0 : s;
    double s2 = a2 > kCornerIgnoreAngle ? 0.0 : s;
    if (a1 > kCornerFlagAngle) cornerFlags[size_t(i)] = 1;
    if (a2 > kCornerFlagAngle) cornerFlags[size_t(i + 1)] = 1;
    out.push_back(segmentWithTangents(pc, pn, t1, t2, s1, s2));
  }
  return out;
}

bool pointOnCurve(const Curve& curve, int i, double t, CurvePoint& out) {
  if (i < 0 || size_t(i) >= curve.size()) return false;
  out = evaluate(curve[size_t(i)], t);
  return true;
}

bool offsetPoint(const Curve& curve, int i, double t, double d, CurvePoint& out) {
  if (i < 0 || size_t(i) >= curve.size()) return false;
  // Walks forward over whole segments while t reaches past the end of one (bounded by the curve).
  while (t >= 1.0 && size_t(i) + 1 < curve.size()) {
    ++i;
    t -= 1.0;
  }
  CurvePoint p, ahead;
  pointOnCurve(curve, i, t, p);
  pointOnCurve(curve, i, t + 0.001, ahead);
  CurvePoint normal = normalise(rotate(ahead - p, kHalfPiSingle));
  out = p + normal * d;
  return true;
}

BezierSegment segmentFromFour(CurvePoint p0, CurvePoint p1, CurvePoint p2, CurvePoint p3, double tension) {
  return segmentWithTangents(p1, p2, p2 - p0, p3 - p1, tension, tension);
}

}  // namespace kanvo
