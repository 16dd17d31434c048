#pragma once
// The status-bar texts of tool dispatch, built from the string table in its language (8-bit
// CP932 strings). Whole-pixel values are the floor of the canvas points (the pixel under the
// stylus).
//   position:   "Position" " ( " x ", " y " )", then each hint preceded by " : ", then
//               "Layer is Locked" appended directly where the layer cannot be edited;
//   range/size: "Range" " " "( " x0 ", " y0 " ) - ( " x1 ", " y1 " )" "  " "Size" " " "( " |x1 - x0|
//               ", " |y1 - y0| " )";
//   distance:   "Range" " " "( " x0 ", " y0 " ) - ( " x1 ", " y1 " )" "  " "Distance" " ( " d
//               " pixel / " c " cm )" "  " "Angle" " ( " a " " "deg" " )", d the length truncated,
//               c the length in centimetres at the resolution truncated to hundredths (0.00 at a
//               resolution of 0 or less), a the angle anticlockwise on screen in whole degrees
//               [0, 360) (a vertical line 90 or 270);
//   colour:     "Combined RGB" " ( " r ", " g ", " b " )   " then the current layer's pixel:
//               "32bpp Layer RGB/A" " ( " r ", " g ", " b " / " a " )", "8bpp Layer Color" " ( " v
//               " )" or "1bpp Layer Color" " ( 1 )" / " ( 0 )";
//   offset:     "Moving Offset" " ( " dx ", " dy " )", optionally followed by a second " ( x, y )";
//   layer pick: text 116 " " then "[" name "] " for each layer with something at the pixel, or
//               " [ ]" when there is none.
#include <cstdint>
#include <string>
#include <vector>

#include "document/Document.h"
#include "raster/pixel/Color32.h"
#include "strings/StringTable.h"
#include "tools/ToolEvent.h"

namespace kanvo {

std::string positionText(const StringTable& strings, CanvasPoint at, const std::vector<uint32_t>& hintIds,
                         bool layerLocked);
std::string rangeText(const StringTable& strings, CanvasPoint from, CanvasPoint to);
std::string distanceText(const StringTable& strings, CanvasPoint from, CanvasPoint to, int32_t resolution);
// layer: the current layer (null: none); pixel the canvas pixel.
std::string colourText(const StringTable& strings, Color32 composite, const Layer* layer, int64_t x, int64_t y);
std::string offsetText(const StringTable& strings, int64_t dx, int64_t dy, const int64_t* second = nullptr);
std::string layerPickText(const StringTable& strings, const Document& document, const std::vector<int32_t>& layers);

// The angle of (dx, dy) anticlockwise on screen (y grows downward) in whole degrees, [0, 360).
int32_t screenAngleDegrees(double dx, double dy);

}  // namespace kanvo
