#include "tools/dispatch/ViewSteps.h"

#include "view/ViewTransform.h"

namespace kanvo {

namespace {

void redraw(View& view) {
  view.invalidate();
  view.redraw();
}

}  // namespace

void turnViewStep(View& view, bool clockwise, int32_t step) {
  if (step < 1) return;
  const int32_t d = wholeDegrees(view.transform().angle);
  // Clockwise on screen lowers the angle of a plain picture and raises that of a mirrored one.
  const bool lower = clockwise != view.transform().isMirrored();
  const int32_t target = lower ? ((d + 360 - 1) / step) * step - 360 : (d / step + 1) * step;
  view.setAngle(double(target) / kDegreesPerRadian);
  redraw(view);
}

void resetViewTurn(View& view) {
  view.setAngle(0.0);
  view.setMirrored(false);
  redraw(view);
}

void zoomViewStep(View& view, bool in) {
  const ViewTransform& t = view.transform();
  view.zoomAt(double(view.windowWidth() / 2), double(view.windowHeight() / 2),
              in ? nextZoomIn(t.zoomSteps, t.zoom) : nextZoomOut(t.zoomSteps, t.zoom));
  redraw(view);
}

}  // namespace kanvo
