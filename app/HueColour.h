#pragma once
// Hues of the hexcone colour model (HSV), as the palette and the bottom bar's colour strip
// show them.
//
// A hue in degrees becomes the fully saturated, full-value colour: with h taken modulo 360
// (so 360 is red again), sector i = floor(h / 60) and f = h / 60 - i in doubles, the three
// channels are 1, f or 1 - f, and 0 by the sector. Each channel becomes a byte as
// round-to-nearest of channel x 255 (halves away from zero): this rounding is the contract
// of both panels, so the same hue gives the same bytes in both.
#include <optional>

#include "raster/pixel/Color32.h"

namespace kanvo {

// The opaque colour of hue degrees (any finite value; it is taken modulo 360).
Color32 hueColour(double degrees);

// The hue of a colour in degrees, in [0, 360), by the hexcone model from its red, green and
// blue bytes; none for a grey (all three equal).
std::optional<double> hueOf(Color32 colour);

}  // namespace kanvo
