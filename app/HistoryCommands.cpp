#include "app/HistoryCommands.h"

#include "app/Application.h"
#include "document/undo/UndoSteps.h"

namespace kanvo {

namespace {

uint32_t applyStep(Application& app, UndoDirection direction) {
  // A stroke in progress (Q pressed while painting) ends first, as at its release, so that it
  // is one step of the history before the history moves.
  if (app.tools.buttonDown()) app.tools.Release(app.routing.last);
  if (direction == UndoDirection::kUndo ? !app.history.canUndo() : !app.history.canRedo()) return 0;
  WaitCursor wait(app.surface());
  UndoOutcome outcome;
  const uint32_t bits = app.history.applyStep(int32_t(direction), app.document, &outcome);
  app.view.showUndoOutcome(outcome);
  app.drawPanels();
  return bits;
}

}  // namespace

uint32_t undoStep(Application& app) { return applyStep(app, UndoDirection::kUndo); }

uint32_t redoStep(Application& app) { return applyStep(app, UndoDirection::kRedo); }

}  // namespace kanvo
