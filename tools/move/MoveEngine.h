#pragma once
// The move family of tool dispatch (tools/MoveTool.h) for raster layers: "Move Layer".
//
// A press on the current raster layer (visible, unlocked, the document not busy) starts the
// move. While the stylus moves, the layer's pending offset (Layer::subPixelX, subPixelY, canvas
// pixels) is the stylus's way from the press point, and the view, which draws every layer at its
// offset plus the floor of the pending offset, is redrawn whenever that floor changes. The
// release takes the floor of the pending offset, resets it to 0 and, unless it is (0, 0),
// records "Move Layer" and moves the layer's content by it (Layer::moveContent). A move whose
// new store would be larger than a layer store may be is refused: the layer springs back.
//
// Not handled (begin returns false, nothing moves): a press on a selected pixel (moving only
// the selected part), "Rotation", and vector layers. A press while a move is still open (its
// release never came) first puts that layer back.
#include <cstdint>

#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "tools/MoveTool.h"
#include "tools/RedrawSink.h"

namespace kanvo {

class MoveEngine : public MoveTool {
 public:
  MoveEngine(Document& document, UndoHistory& history) : document_(document), history_(history) {}
  MoveEngine(const MoveEngine&) = delete;
  MoveEngine& operator=(const MoveEngine&) = delete;

  // The view's redraw; without one nothing is redrawn.
  void setRedrawSink(RedrawSink* sink) { sink_ = sink; }

  bool begin(const MoveStart& start) override;
  void drag(CanvasPoint current) override;
  // True when the layer moved (a step was recorded).
  bool commit(CanvasPoint release) override;
  // While a layer moves: the whole pixels of its pending offset.
  bool statusOffset(int32_t& x, int32_t& y) const override;

 private:
  // Ends the open move without moving the layer: the pending offset back to 0.
  void putBack();
  void redraw();

  Document& document_;
  UndoHistory& history_;
  RedrawSink* sink_ = nullptr;
  Layer* layer_ = nullptr;  // the layer being moved; null outside a move
  CanvasPoint press_;
  int32_t shownX_ = 0, shownY_ = 0;  // the whole pixels of the pending offset last shown
};

}  // namespace kanvo
