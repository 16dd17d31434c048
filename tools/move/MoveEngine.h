#pragma once
// The move family of tool dispatch (tools/MoveTool.h) for raster layers: "Move Layer" and
// "Move Layer Part".
//
// A press on the current raster layer (visible, unlocked, the document not busy) starts the
// move. While the stylus moves, the layer's pending offset (Layer::subPixelX, subPixelY, canvas
// pixels) is the stylus's way from the press point, and the view, which draws every layer at its
// offset plus the floor of the pending offset, is redrawn whenever that floor changes. The
// release takes the floor of the pending offset, resets it to 0 and, unless it is (0, 0),
// records "Move Layer" and moves the layer's content by it (Layer::moveContent). A move whose
// new store would be larger than a layer store may be is refused: the layer springs back.
//
// A press on a selected pixel (selection 0) lifts the selected pixels into the view's floating
// part instead (cut, or copied with Shift; view/FloatingPart.h); the stylus's way is the part's
// offset. The release takes its floor: (0, 0) puts the part back and changes nothing; otherwise
// "Move Layer Part" is recorded (the layer's pixels the part covered before and after, and the
// selection), the part's pixels that are not empty replace what lies under them at the new
// place, and the selection moves with it.
//
// Not handled (begin returns false, nothing moves): "Rotation" and vector layers, and a part
// move without a floating part to hold it. A press while a move is still open (its release
// never came) first puts that layer or part back.
#include <cstdint>

#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "tools/MoveTool.h"
#include "tools/RedrawSink.h"
#include "view/FloatingPart.h"

namespace kanvo {

class MoveEngine : public MoveTool {
 public:
  MoveEngine(Document& document, UndoHistory& history) : document_(document), history_(history) {}
  MoveEngine(const MoveEngine&) = delete;
  MoveEngine& operator=(const MoveEngine&) = delete;

  // The view's redraw; without one nothing is redrawn.
  void setRedrawSink(RedrawSink* sink) { sink_ = sink; }
  // Where a lifted part floats (the view's); without one parts are not moved.
  void setFloatingPart(FloatingPart* part) { floating_ = part; }

  bool begin(const MoveStart& start) override;
  void drag(CanvasPoint current) override;
  // True when the layer or part moved (a step was recorded).
  bool commit(CanvasPoint release) override;
  // While a layer moves: the whole pixels of its pending offset; while a part moves, the layer's
  // offset.
  bool statusOffset(int32_t& x, int32_t& y) const override;

 private:
  // Ends the open move without moving the layer: the pending offset back to 0, a part put back.
  void putBack();
  bool commitPart(Layer& layer);
  void redraw();

  Document& document_;
  UndoHistory& history_;
  RedrawSink* sink_ = nullptr;
  FloatingPart* floating_ = nullptr;
  bool part_ = false;       // the open move is a part's
  Layer* layer_ = nullptr;  // the layer being moved; null outside a move
  CanvasPoint press_;
  int32_t shownX_ = 0, shownY_ = 0;  // the whole pixels of the pending offset last shown
};

}  // namespace kanvo
