#pragma once
// "Move" and "Rotation" as tool dispatch drives them: a press starts moving the selected part of
// the current raster layer (lifted, or copied with Shift), the whole layer, or the selected
// objects of a vector layer, or starts rotating the selected vector objects; moves follow the
// stylus; the release commits one undo step. Without an implementation nothing moves.
#include <cstdint>

#include "tools/ToolEvent.h"

namespace kanvo {

struct MoveStart {
  CanvasPoint at;           // the press point (snapped)
  bool rotate = false;      // "Rotation" (vector objects only)
  bool liftPart = false;    // the pixel under the point is selected on a raster layer
  bool copyPart = false;    // Shift is held: the lifted part is copied, not cut
};

class MoveTool {
 public:
  virtual ~MoveTool() = default;
  // False when nothing can be moved (then no drag and no commit follow).
  virtual bool begin(const MoveStart& start) = 0;
  // The stylus at the current point: shows the moved layer or part.
  virtual void drag(CanvasPoint current) = 0;
  // The release: commits the move or rotation. True when the document changed.
  virtual bool commit(CanvasPoint release) = 0;
  // The second offset of the status text: the layer's offset while a part moves, or the
  // view-based offset while the whole layer moves; false when there is none (vector layers).
  virtual bool statusOffset(int32_t& x, int32_t& y) const = 0;
};

}  // namespace kanvo
