#pragma once
// Undo and Redo, as the bottom bar's buttons, the Q and Z keys and the Edit menu run them: one
// step of the history applied to the document under the wait cursor, the view redrawn as the
// step's outcome says, and the panels drawn again (the undo and redo buttons follow the
// history).
#include <cstdint>

namespace kanvo {

class Application;

// The history's result bits (document/undo/UndoSteps.h); 0 when there was nothing to do.
uint32_t undoStep(Application& app);
uint32_t redoStep(Application& app);

}  // namespace kanvo
