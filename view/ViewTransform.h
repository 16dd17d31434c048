#pragma once
// ViewTransform: how canvas coordinates become screen coordinates. screen = zoom x canvas +
// origin; the picture on screen is then turned by angle and scaled by the two factors about
// the window centre (View.h has the exact mappings). Plain means no turning: angle 0 and both
// factors 1.0.
#include <cstdint>
#include <vector>

namespace kanvo {

// The full turn and the degree factor of the view, as single-precision values widened to double.
constexpr double kViewTurn = 6.2831854820251465;
constexpr double kDegreesPerRadian = 57.29577791868204;

struct ViewTransform {
  std::vector<double> zoomSteps;  // the zooms zoomIn and zoomOut offer, ascending
  double zoom = 1.0;              // screen pixels per canvas pixel
  double originX = 0.0, originY = 0.0;  // screen position of canvas point (0, 0)
  double angle = 0.0;             // radians, in [0, kViewTurn)
  double factorX = 1.0, factorY = 1.0;  // factorX -1.0 mirrors the picture horizontally

  bool isPlain() const { return angle == 0.0 && factorX == 1.0 && factorY == 1.0; }
  bool isMirrored() const { return factorX != 1.0; }
};

// The 22 zoom steps from 1/64 to 64 the view offers; the extended form puts 1/1024, 1/512,
// 1/256 and 1/128 in front (26 values).
std::vector<double> standardZoomSteps();
std::vector<double> extendedZoomSteps();

// The step after and before the one nearest zoom (smallest difference, the first of equal
// candidates), clamped to the list; zoom itself when the list is empty.
double nextZoomIn(const std::vector<double>& steps, double zoom);
double nextZoomOut(const std::vector<double>& steps, double zoom);

// Any finite angle brought into [0, kViewTurn); false (out untouched) for NaN or infinity.
bool normaliseAngle(double angle, double& out);

// The angle in whole degrees, rounded to the nearest (so that a stored 90-degree angle reads
// as 90 however its radians were rounded), in [0, 360).
int32_t wholeDegrees(double angle);

}  // namespace kanvo
