#pragma once
// The marching-ants outline of a selection: the mask's boundary edges (Selection::outline) as
// window pixels, dashed black and white, the dashes moving one pixel per phase step.
//
// Each edge (x, y) is placed at (X, Y) = (x z, y z), turned by the angle when it is not 0 and
// truncated, at base + (-X when mirrored, else X, Y). Edges whose point lies outside the clip
// rectangle, or equals the previous edge's point with the same orientation, are skipped. A vertical edge on the selection's
// right border (x = width) is drawn one pixel to the left, a horizontal one on the bottom border
// (y = height) one pixel up, so that they stay inside. From z 1.0 up an edge is ceil(z) pixels
// long, running down (vertical) or right (horizontal), the step turned by the angle (and
// mirrored); below 1.0 one pixel. A pixel is black when ((phase + c) & 4) is not 0, white
// otherwise, c being its y for vertical edges and its x for horizontal ones, or the other
// coordinate where the dash axis swaps: d = trunc(angle in degrees) mod 360 with d - 45 or
// d - 225 in 0 ... 90. Pixels outside the clip rectangle are dropped.
#include <cstdint>
#include <vector>

#include "document/Selection.h"
#include "raster/image/Rect.h"
#include "view/DrawingSurface.h"

namespace kanvo {

struct OutlinePlacement {
  int32_t baseX = 0, baseY = 0;  // window position of canvas point (0, 0)
  double zoom = 1.0;
  double angle = 0.0;            // radians in [0, 6.2831854820251465): the picture's turn on screen
  bool mirrored = false;
  Rect clip;                     // window pixels that may be drawn
  int32_t selectionWidth = 0, selectionHeight = 0;
};

// Replaces out's runs with the outline's pixels (horizontal neighbours of one colour merged).
void buildSelectionOutline(const std::vector<SelectionEdge>& edges, const OutlinePlacement& placement, uint32_t phase,
                           Overlay& out);

}  // namespace kanvo
