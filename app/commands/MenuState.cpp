#include "app/commands/MenuState.h"

#include "app/Application.h"
#include "app/commands/CommandIds.h"

namespace kanvo {

MenuState::Item MenuState::of(int32_t id) const {
  switch (id) {
    case kCmdSave: return {canSave, false};
    case kCmdQuickSave: return {canQuickSave, false};
    case kCmdUndo: return {canUndo, false};
    case kCmdRedo: return {canRedo, false};
    case kCmdCopyFilename: return {canCopyName, false};
    case kCmdAntialias: return {true, antialias};
    case kCmdBezier: return {true, bezier};
    case kCmdResetView: return {canResetView, false};
    case kCmdTrimming: return {canTrim, false};
    case kCmdMirror: return {true, mirrored};
    case kCmdLayerExchange: return {canExchangeLayers, false};
    case kCmdCamera: return {cameraAvailable, false};
    case kCmdRedraw: return {false, false};
    default: return {};
  }
}

MenuState menuStateOf(const Application& app, bool cameraAvailable) {
  MenuState s;
  const bool untitled = app.fileName == Application::kUntitled;
  s.canUndo = app.history.canUndo();
  s.canRedo = app.history.canRedo();
  s.canSave = s.canUndo && !untitled;
  s.canQuickSave = app.history.changeCount() >= 1;
  s.canCopyName = !untitled;
  s.antialias = app.settings.options.antialias != 0;
  s.bezier = app.settings.options.bezierInterpolation != 0;
  const ViewTransform& t = app.view.transform();
  s.canResetView = !(t.angle == 0.0 && !t.isMirrored());
  s.mirrored = t.isMirrored();
  const Selection* selection = app.document.currentSelection();
  s.canTrim = selection != nullptr && !selection->outline.empty();
  s.canExchangeLayers = app.document.layerCount() >= 2;
  s.cameraAvailable = cameraAvailable;
  return s;
}

}  // namespace kanvo
