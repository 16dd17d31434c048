#pragma once
// Scripted input for the program's own tests, which run it offscreen where no user can reach it:
// when the environment variable KANVO_INPUT_SCRIPT names a file, its lines are played into the
// canvas once the first frame is painted, as a mouse would give them, and "kanvo: script done"
// goes to the trace. Lines (points in the canvas area's logical pixels):
//   press X Y | move X Y | release X Y   the left button
//   tool CATEGORY SUBTOOL                 the tool mode (tools/dispatch/ToolMode.h codes), which
//                                         reaches the tools the shell offers no button for
//   copy PATH                             the document as it stands, written to PATH in the
//                                         native format (its name and changed state untouched);
//                                         traces "copied NAME, changed" (or "unchanged")
// A line it does not understand or cannot carry out ends the script with "kanvo: script failed
// at line N" (line 0: the file could not be read).
#include <QString>

namespace kanvo {

class Application;
class CanvasWidget;

// Plays the script at path into canvas; false when a line failed.
bool playInputScript(const QString& path, CanvasWidget& canvas, Application& app);

}  // namespace kanvo
