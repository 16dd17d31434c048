#include "tools/dispatch/SnapPoint.h"

#include <cmath>

namespace kanvo {

namespace {

constexpr double kCentimetresPerInch = 2.54;
constexpr double kThousandthsLimit = 9.0e15;  // well inside int64 and exact in double

}  // namespace

double snapCoordinate(double v, double pitch) {
  const double nv = std::trunc(v * 1000.0), qv = std::trunc(pitch * 1000.0);
  if (!(std::fabs(nv) < kThousandthsLimit) || !(qv >= 1.0 && qv < kThousandthsLimit)) return v;
  const int64_t n = int64_t(nv), q = int64_t(qv);
  int64_t snapped = (n / q) * q;
  const int64_t r = n - snapped;
  if (r > q / 2) snapped += q;
  if (-r > q / 2) snapped -= q;
  return double(snapped) * 0.001;
}

CanvasPoint snapPoint(CanvasPoint p, const SnapSettings& settings, int32_t resolution) {
  double sx = 0.0, sy = 0.0;
  const double perCentimetre = resolution > 0 ? double(resolution) / kCentimetresPerInch : 0.0;
  switch (settings.mode) {
    case GuideMode::kGridPixels:
      sx = settings.gridPitchX;
      sy = settings.gridPitchY;
      break;
    case GuideMode::kGridCentimetres:
      sx = settings.gridPitchX * perCentimetre;
      sy = settings.gridPitchY * perCentimetre;
      break;
    case GuideMode::kRulerCentimetres: sx = sy = perCentimetre; break;
    case GuideMode::kRulerMillimetres: sx = sy = 0.1 * perCentimetre; break;
    default: return p;
  }
  return {snapCoordinate(p.x, sx), snapCoordinate(p.y, sy)};
}

}  // namespace kanvo
