#pragma once
// The window's stylus and key events, routed as a painting program's user expects: every
// stylus event goes to the tools first (at the canvas-relative point, in the view's device
// pixels), then to the panels around the canvas (the colour palette, the bottom bar and the
// tool panel); keys go to the key table and the tools, with Q (redo), D (default colours) and
// X (swap colours) handled here.
//
// Points are the window's logical pixels (the layout's units); the tools get (x - canvasX,
// y) times the device scale, so that a view rendered in device pixels shows one canvas pixel
// per screen pixel at 100 %.
#include <cstdint>
#include <vector>

#include "app/ToolChooser.h"
#include "app/TwoFingerGesture.h"

namespace kanvo {

class Application;

struct PointerEvent {
  double x = 0, y = 0;     // window point, logical pixels
  double pressure = 1.0;   // 0 ... 1; 1.0 for devices without pressure
  int32_t button = 0;      // 0 the pen tip or left button, 1 the pen's eraser end or barrel button
};

// What a press asks of the window.
enum class PressResult : int { kNone = -1, kPaletteButton = 0, kBrushButton = 1 };

PressResult stylusPress(Application& app, const PointerEvent& event);
void stylusMove(Application& app, const PointerEvent& event);
void stylusRelease(Application& app, const PointerEvent& event);

// The tool-panel button under window point (x, y), -1 for none.
int toolButtonAt(const Application& app, double x, double y);
// What a long press or a right click on button offers to choose from (ToolChooser.h), named in
// the current language; empty when the button offers fewer than two tools.
std::vector<ToolOffer> toolMenu(const Application& app, int button);
// The user chose tool from button's offers: the button keeps it and is pressed, so that the
// tool is selected as by a plain press. An offer the button does not make changes nothing.
void chooseTool(Application& app, int button, ToolChoice tool);

// A multi-click shape (polygon, line, frame, polygon selection) is finished, as by a double
// click: its collected vertices are filled or selected.
void finishShape(Application& app);

// Keys are virtual-key codes (letters and digits as upper-case ASCII; platform/qt/KeyMapping.h).
// autoRepeat: the press repeats a key already held.
void keyDown(Application& app, int32_t key, bool autoRepeat = false);
void keyUp(Application& app, int32_t key);

// The window lost the keyboard or stopped being active: every held key is released (without
// running a tapped key's command), so that Alt+Tab leaves no Alt held.
void releaseKeys(Application& app);

// A second finger landed during a one-finger stroke: the stroke is taken back (its pixels go
// back to what they were, no step is recorded) and the stylus is up.
void cancelStroke(Application& app);

// Two fingers on the canvas (window points, logical pixels): a pinch steps the zoom and a
// twist turns the view about the point between them (TwoFingerGesture.h). Nothing is painted.
void twoFingersBegin(Application& app, const TwoFingerGesture::Fingers& fingers);
void twoFingersMove(Application& app, const TwoFingerGesture::Fingers& fingers);

}  // namespace kanvo
