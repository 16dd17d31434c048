#include "app/TwoFingerGesture.h"

#include <cmath>

namespace kanvo {

namespace {

constexpr double kMinSpread = 2.0;  // pixels between the fingers for a meaningful ratio

double spread(const TwoFingerGesture::Fingers& f) { return std::hypot(f.x1 - f.x0, f.y1 - f.y0); }
double heading(const TwoFingerGesture::Fingers& f) { return std::atan2(f.y1 - f.y0, f.x1 - f.x0); }

}  // namespace

void TwoFingerGesture::begin(const Fingers& fingers, double zoom, double angle) {
  start_ = fingers;
  zoom_ = zoom;
  angle_ = angle;
}

double TwoFingerGesture::zoomFor(const Fingers& now, std::span<const double> steps) const {
  const double before = spread(start_);
  if (before < kMinSpread || steps.empty()) return zoom_;
  const double wanted = zoom_ * spread(now) / before;
  double best = steps[0];
  for (double s : steps)
    if (std::abs(s - wanted) < std::abs(best - wanted)) best = s;
  return best;
}

double TwoFingerGesture::angleFor(const Fingers& now, bool mirrored) const {
  if (spread(start_) < kMinSpread || spread(now) < kMinSpread) return angle_;
  const double turned = heading(now) - heading(start_);
  return mirrored ? angle_ + turned : angle_ - turned;
}

}  // namespace kanvo
