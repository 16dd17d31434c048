#include "app/ViewCommands.h"

#include "app/Application.h"

namespace kanvo {

namespace {

void zoomKeepingCentre(Application& app, bool in) {
  WaitCursor wait(app.surface());
  View& view = app.view;
  const CurvePoint centre = view.windowToCanvas(view.windowWidth() / 2, view.windowHeight() / 2);
  if (in)
    view.zoomIn();
  else
    view.zoomOut();
  view.centreAndRedraw(centre.x, centre.y);
}

}  // namespace

void zoomInCommand(Application& app) { zoomKeepingCentre(app, true); }

void zoomOutCommand(Application& app) { zoomKeepingCentre(app, false); }

}  // namespace kanvo
