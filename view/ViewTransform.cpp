#include "view/ViewTransform.h"

#include <cmath>

namespace kanvo {

std::vector<double> standardZoomSteps() {
  return {0.015625, 0.02078125, 0.03125, 0.0415625, 0.0625, 0.083125, 0.125, 0.16625, 0.25, 0.3325, 0.5,
          0.665,    1.0,        1.5,     2.0,       3.0,    4.0,      6.0,   8.0,     16.0, 32.0,   64.0};
}

std::vector<double> extendedZoomSteps() {
  std::vector<double> steps = {0.0009765625, 0.001953125, 0.00390625, 0.0078125};
  const std::vector<double> standard = standardZoomSteps();
  steps.insert(steps.end(), standard.begin(), standard.end());
  return steps;
}

namespace {

size_t nearestStep(const std::vector<double>& steps, double zoom) {
  size_t best = 0;
  for (size_t i = 1; i < steps.size(); ++i) {
    if (std::fabs(steps[i] - zoom) < std::fabs(steps[best] - zoom)) best = i;
  }
  return best;
}

}  // namespace

double nextZoomIn(const std::vector<double>& steps, double zoom) {
  if (steps.empty()) return zoom;
  const size_t i = nearestStep(steps, zoom);
  return steps[i + 1 < steps.size() ? i + 1 : i];
}

double nextZoomOut(const std::vector<double>& steps, double zoom) {
  if (steps.empty()) return zoom;
  const size_t i = nearestStep(steps, zoom);
  return steps[i > 0 ? i - 1 : 0];
}

bool normaliseAngle(double angle, double& out) {
  if (!std::isfinite(angle)) return false;
  double a = std::fmod(angle, kViewTurn);  // exact, in (-turn, turn)
  if (a < 0.0) a += kViewTurn;
  if (a >= kViewTurn) a -= kViewTurn;  // -tiny + turn rounds to the turn itself
  out = a;
  return true;
}

int32_t wholeDegrees(double angle) {
  const int32_t d = int32_t(std::lround(angle * kDegreesPerRadian)) % 360;
  return d < 0 ? d + 360 : d;
}

}  // namespace kanvo
