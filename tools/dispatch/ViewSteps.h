#pragma once
// The view's keyed steps, shared by the keys of tool dispatch and the shell's menu commands.
// Each redraws the view.
#include <cstdint>

#include "view/View.h"

namespace kanvo {

// Turns the picture on screen clockwise (or anticlockwise) to the next multiple of stepDegrees
// of the view's angle in whole degrees. A positive angle turns the picture anticlockwise, a
// mirrored picture the other way, so the angle's direction depends on the mirror.
void turnViewStep(View& view, bool clockwise, int32_t stepDegrees);
// Angle 0 and no mirror.
void resetViewTurn(View& view);
// The next zoom step in or out, keeping the canvas point under the window centre.
void zoomViewStep(View& view, bool in);

}  // namespace kanvo
