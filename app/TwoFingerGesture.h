#pragma once
// Two fingers on the canvas: spreading or pinching them zooms through the view's zoom steps
// (the step nearest the start zoom times the ratio of their distances), turning them turns the
// view by the change of the angle between them, and the canvas point that lay between them at
// the start stays between them (the caller moves the view so).
//
// Points are window device pixels, y down. The view's angle turns the picture anticlockwise
// on screen; a mirrored view turns it the other way, which the mirrored flag accounts for.
#include <span>

namespace kanvo {

class TwoFingerGesture {
 public:
  struct Fingers {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double midX() const { return (x0 + x1) / 2; }
    double midY() const { return (y0 + y1) / 2; }
  };

  void begin(const Fingers& fingers, double zoom, double angle);
  // The zoom step for the fingers as they are now (the start zoom while they are as close as
  // a pixel or two at the start).
  double zoomFor(const Fingers& now, std::span<const double> steps) const;
  // The view angle for the fingers as they are now.
  double angleFor(const Fingers& now, bool mirrored) const;
  const Fingers& start() const { return start_; }

 private:
  Fingers start_;
  double zoom_ = 1.0, angle_ = 0.0;
};

}  // namespace kanvo
