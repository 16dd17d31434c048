#include "app/ViewCommands.h"

#include "app/Application.h"
#include "tools/dispatch/ViewSteps.h"

namespace kanvo {

void zoomInCommand(Application& app) {
  WaitCursor wait(app.surface());
  zoomViewStep(app.view, true);
}

void zoomOutCommand(Application& app) {
  WaitCursor wait(app.surface());
  zoomViewStep(app.view, false);
}

}  // namespace kanvo
