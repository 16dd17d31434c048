#pragma once
// Grid and ruler snapping of canvas points, applied by dispatch to every converted point while
// a guide mode is on (off by default; commands set it).
//
// Pitch by mode: the grid's x and y pitch in pixels; the grid's pitch in centimetres converted
// at the document resolution; 1 cm (ruler in centimetres) or 0.1 cm (ruler in millimetres) at
// the document resolution. A coordinate v snaps to a pitch s in thousandths: n = trunc(v x 1000),
// q = trunc(s x 1000), r = n - (n / q) q (truncating division); the result is (n / q) q, moved a
// further q away from 0 when |r| exceeds q / 2, times 0.001. So 12.6 at pitch 5 gives 15 and
// -12.6 gives -15 (the rule mirrored for negative values). A pitch below 0.001 (q = 0), or a
// coordinate beyond the range of the thousandths, leaves the coordinate as it is.
#include <cstdint>

#include "tools/ToolEvent.h"

namespace kanvo {

enum class GuideMode : int32_t {
  kNone = 0,
  kGridPixels = 1,
  kGridCentimetres = 2,
  kRulerCentimetres = 3,
  kRulerMillimetres = 4,
};

struct SnapSettings {
  GuideMode mode = GuideMode::kNone;
  double gridPitchX = 0.0, gridPitchY = 0.0;  // pixels, or centimetres for kGridCentimetres
};

double snapCoordinate(double v, double pitch);
// The point snapped by the settings at the resolution (dots per inch; 0 or less leaves
// centimetre modes unsnapped).
CanvasPoint snapPoint(CanvasPoint p, const SnapSettings& settings, int32_t resolution);

}  // namespace kanvo
