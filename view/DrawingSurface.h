#pragma once
// The drawing surface: the view's one way onto the screen. The platform layer implements it on
// its canvas widget; tests record what reaches it. Nothing else draws on the window.
//
// Coordinates are window pixels: device pixels of the canvas area, (0, 0) its top-left, x to
// the right and y down. Zoom 1 shows one canvas pixel per device pixel, also on screens that
// scale their interface.
//
// The picture. present(picture, pictureX, pictureY, rect) says that the window pixels of rect
// show from now on the picture's pixels, window pixel (x, y) taking picture pixel (x - pictureX,
// y - pictureY); window pixels outside the picture are not covered by it and show the
// platform's background. The picture is one of the view's DibImages: opaque (its alpha bytes
// are 255 and may be ignored; on Qt a QImage of Format_RGB32 wrapping bits() with stride()
// without a copy), alive as long as the view, and changed only inside the view's own calls on
// the interface thread. The surface keeps a reference to the last picture presented and reads
// its pixels whenever it repaints (an expose after another window covered it included); it
// schedules a repaint of rect and does not have to copy anything. A resize of the view may
// reallocate the picture's pixels; the view presents again after it.
//
// The overlays. Over the picture the surface keeps two overlay slots, drawn in this order:
// tool feedback (rubber bands, previews) and the selection outline. Each slot holds one
// Overlay, replaced as a whole by setOverlay: the new content is shown and the old one is gone
// (a band that moves replaces the previous band; nothing accumulates). An empty Overlay clears
// the slot. Overlays stay where they are in the window when the picture changes under them.
//
// The cursor. setCursor(kind): kind 12 the cross, 2 the four-way move cursor, 3 the open hand,
// any other kind the arrow. beginWait/endWait bracket a long operation (counted, so they nest):
// while the count is above 0 the wait cursor is shown instead; the kind set meanwhile shows when
// the count returns to 0. Use the WaitCursor scope below rather than the pair.
#include <cstdint>
#include <vector>

#include "raster/image/DibImage.h"
#include "raster/image/Rect.h"
#include "raster/pixel/Color32.h"

namespace kanvo {

// A one-pixel-wide line from (x0, y0) to (x1, y1), both end points drawn.
struct OverlayLine {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  Color32 colour = kOpaqueBlack;
  bool operator==(const OverlayLine&) const = default;
};

// The one-pixel outline (never filled) of the ellipse inscribed in the box whose pixels are
// columns left ... right - 1 and rows top ... bottom - 1 (a box given in the other order is
// normalised first).
struct OverlayEllipse {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  Color32 colour = kOpaqueBlack;
  bool operator==(const OverlayEllipse&) const = default;
};

// length pixels of one colour, from (x, y) to the right.
struct OverlayRun {
  int32_t x = 0, y = 0, length = 1;
  Color32 colour = kOpaqueBlack;
  bool operator==(const OverlayRun&) const = default;
};

// The content of one overlay slot, drawn in this order: runs, lines, ellipses.
struct Overlay {
  std::vector<OverlayRun> runs;
  std::vector<OverlayLine> lines;
  std::vector<OverlayEllipse> ellipses;
  bool empty() const { return runs.empty() && lines.empty() && ellipses.empty(); }
  void clear() {
    runs.clear();
    lines.clear();
    ellipses.clear();
  }
  bool operator==(const Overlay&) const = default;
};

enum class OverlaySlot : int32_t { kToolFeedback = 0, kSelectionOutline = 1 };

// The cursor kinds the surface tells apart; any other kind shows the arrow.
enum CursorKind : int32_t { kCursorArrow = 0, kCursorMove = 2, kCursorHand = 3, kCursorCross = 12 };

class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;
  virtual void present(const DibImage& picture, int32_t pictureX, int32_t pictureY, const Rect& rect) = 0;
  virtual void setOverlay(OverlaySlot slot, const Overlay& overlay) = 0;
  virtual void setCursor(int32_t kind) = 0;
  virtual void beginWait() = 0;
  virtual void endWait() = 0;
};

// Shows the wait cursor for the life of the scope; a null surface does nothing.
class WaitCursor {
 public:
  explicit WaitCursor(DrawingSurface* surface) : surface_(surface) {
    if (surface_ != nullptr) surface_->beginWait();
  }
  ~WaitCursor() {
    if (surface_ != nullptr) surface_->endWait();
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  DrawingSurface* surface_;
};

}  // namespace kanvo
