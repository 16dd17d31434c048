#pragma once
// Starting without a display: instead of Qt's abort (a fatal message and a core dump), the
// program says in one line that no display could be reached and how to get one, and exits
// with status 1.
namespace kanvo {

// Call before the QApplication is made; ends the process when no display is configured.
void requireDisplay();
// Brackets the making of the QApplication: a fatal message from the windowing plugin in
// between ends the process the same way.
void beginDisplayConnection();
void endDisplayConnection();

}  // namespace kanvo
