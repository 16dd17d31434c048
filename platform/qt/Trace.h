#pragma once
// A line per shell event on standard error while the environment variable KANVO_TRACE is set
// (scripts and the program's own tests watch a running window through it): "ready" when the
// first frame is painted, "raise" when another start asked the window to come forward,
// "opened PATH", "message CAPTION: TEXT", "document W x H, N layers, NAME".
#include <QString>

namespace kanvo {

bool tracing();
void trace(const QString& line);

}  // namespace kanvo
