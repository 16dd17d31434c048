#pragma once
// View: shows the Document in the canvas window. It maps canvas coordinates to the screen
// through a zoom, a scroll origin and an optional rotation and mirror (ViewTransform), keeps the
// images the canvas is composited into, and presents the finished picture on its DrawingSurface.
// Tools convert stylus positions through it and ask it to redraw after each change; the undo
// history's outcomes and the shell's view commands do the same.
//
// Images. display holds the composited picture: the window's size when the transform is plain,
// a square of side floor(hypot(window width, window height) + 8) when it is turned, so that the
// turned window always lies inside it. displayMargin (display plus 128 pixels on every side,
// made when a scroll first needs it) serves scrolls of less than 128 pixels without
// compositing. rotatedOutput (the window's size when turned, 1 x 1 otherwise) receives the
// turned display. canvasImage holds the part of the zoomed canvas being composited, never more
// than the part inside the target image. rulerTop and rulerLeft are the ruler strips. The
// picture presented is rotatedOutput when turned, display otherwise, at window position (0, 0).
//
// Mappings (doubles, exact). Screen coordinates are display coordinates:
//   canvasToScreen (cx, cy) = (zoom cx + originX, zoom cy + originY); screenToCanvas inverts it.
//   canvasToWindow and windowToCanvas equal them when the transform is plain. Turned, with
//   (Dw, Dh) the display's size, (Ow, Oh) the window's, halves truncated to integers and
//   rotate(v, a) = (x cos a - y sin a, x sin a + y cos a):
//     canvas to window: d = (zoom cx + originX - Dw / 2, zoom cy + originY - Dh / 2),
//       r = rotate(d, -angle), window = (Ow / 2 + r.x factorX, Oh / 2 + r.y factorY);
//     window to canvas: v = ((wx - Ow / 2) factorX, (wy - Oh / 2) factorY), r = rotate(v, angle),
//       canvas = ((Dw / 2 - originX + r.x) / zoom, (Dh / 2 - originY + r.y) / zoom).
// A window pixel shows the canvas pixel its centre maps to; the zoomed canvas, floor(zoom x
// size) made even below zoom 1.0, ends at floor(origin) plus that size and starts at the first
// pixel whose centre maps into it, the rest is grey (ViewCompositor.h has the sampling;
// the turned picture is sampled nearest at the pixel centres, so a mirror is an exact flip).
//
// Updates do nothing while the document's busy flag is set, and composite nothing until the
// geometry is valid (set by invalidate, which resize calls). Single-threaded: the interface
// thread only.
#include <cstdint>

#include "document/Document.h"
#include "document/undo/UndoSteps.h"
#include "raster/geometry/CurveGeometry.h"
#include "raster/image/DibImage.h"
#include "raster/image/Image32.h"
#include "view/CanvasOverlay.h"
#include "view/DisplaySettings.h"
#include "view/DrawingSurface.h"
#include "view/FloatingPart.h"
#include "view/ViewTransform.h"

namespace kanvo {

class View {
 public:
  static constexpr int32_t kMargin = 128;          // the scroll margin on every side
  static constexpr int32_t kRulerThickness = 20;
  static constexpr int32_t kMaxWindowSide = 16384;  // larger windows are taken as this size
  static constexpr Color32 kOutsideColour = 0xFF707070u;
  static constexpr Color32 kCheckerLight = 0xFFF8F8F8u;
  static constexpr Color32 kCheckerDark = 0xFFE8E8E8u;
  static constexpr Color32 kPaperColour = 0xFFFFFFFFu;

  // A 1 x 1 window with the 22 standard zoom steps at zoom 1; nothing valid until resize.
  View(Document& document, DisplaySettings& settings);
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // ---- services ----
  void setSurface(DrawingSurface* surface) { surface_ = surface; }
  DrawingSurface* surface() const { return surface_; }
  Document& document() const { return *document_; }
  DisplaySettings& settings() const { return *settings_; }
  // The tool's and the document's overlays, drawn over the layers in that order (null: none).
  void setOverlays(CanvasOverlay* tool, CanvasOverlay* document) {
    toolOverlay_ = tool;
    documentOverlay_ = document;
  }

  // ---- the transform ----
  const ViewTransform& transform() const { return transform_; }
  double zoom() const { return transform_.zoom; }
  bool isTurned() const { return !transform_.isPlain(); }

  CurvePoint canvasToScreen(double cx, double cy) const;
  CurvePoint screenToCanvas(double sx, double sy) const;
  CurvePoint canvasToWindow(double cx, double cy) const;
  CurvePoint windowToCanvas(double wx, double wy) const;

  // Origins are finite and kept within +-2^30; other values are refused or clamped.
  void scrollBy(double dx, double dy);
  void setOrigin(double x, double y);
  // Below zoom 1.0 the origin is truncated to whole pixels, so that reduced levels map onto
  // screen pixels.
  void snapOrigin();
  // Puts canvas point (cx, cy) at the display centre: origin = display size / 2 (integer
  // halves) - zoom c.
  void centreOn(double cx, double cy);
  void centreDocument();
  // Sets the zoom (finite, clamped to [1/1024, 64]); the origin stays.
  void setZoom(double zoom);
  // The next larger and smaller of the zoom steps (the nearest step's neighbour).
  void zoomIn();
  void zoomOut();
  // centreOn, invalidate, redraw.
  void centreAndRedraw(double cx, double cy, bool full = true);
  // Sets the zoom and moves the origin so that the canvas point under window point (wx, wy)
  // stays under it.
  void zoomAt(double wx, double wy, double zoom);
  // Moves the origin so that canvas point c lies under window point (wx, wy).
  void placeCanvasPointAt(CurvePoint c, double wx, double wy);

  // The angle brought into [0, 6.2831854820251465); false (nothing changed) for a non-finite one.
  bool setAngle(double angle);
  // Mirrors the picture horizontally (factorX -1.0) or not (1.0).
  void setMirrored(bool mirrored);
  // Between plain and turned, and when a turned view's window changes size, the display changes
  // size: the canvas point under the window centre stays there (the origin moves by the change
  // of the display's half size). A plain view keeps its origin when the window changes size.

  // ---- updates ----
  // Makes the geometry valid (rebuildLayers, forScroll and layerIndex are kept for the
  // callers' sake: the view keeps no per-layer caches) and drops the scroll margin's picture.
  void invalidate(bool rebuildLayers = true, bool forScroll = false, int32_t layerIndex = -1);
  // Composites the whole picture and presents it. forScroll: served from the margin image when
  // the whole-pixel origin moved by less than 128 pixels each way since the margin was
  // composited (and not force); otherwise the margin is composited again first.
  void redraw(bool full = true, bool forScroll = false, bool force = false);
  // Composites and presents the part of the picture that shows the canvas rectangle.
  void redrawRect(int32_t x, int32_t y, int32_t width, int32_t height);
  // The window's new size (each side clamped to [0, 16384]; images are at least 1 x 1), then
  // invalidate.
  void resize(int32_t width, int32_t height);
  // Presents the whole picture.
  void present();
  // The selection outline of the current selection as a dashed black-and-white line on the
  // surface's outline slot (SelectionOutline.h), the dashes moving with phase; scrollX and
  // scrollY shift it by canvas pixels (and a floating part's offset moves it too). An empty
  // overlay when there is nothing to show. While an
  // outline is shown, every full redraw (a scroll, zoom or turn) moves it with the picture at once,
  // at the last phase, rather than at the next tick.
  void animateSelectionOutline(uint32_t phase, double scrollX = 0.0, double scrollY = 0.0);
  // What an undo or redo changed: the canvas centred when its size changed, then the whole
  // view or the rectangle redrawn.
  void showUndoOutcome(const UndoOutcome& outcome);

  // ---- state ----
  uint8_t useCurrentCopy = 0;   // the current 32 bpp layer is drawn from currentCopy32
  uint8_t suppressOutline = 0;  // the outline animation draws nothing while set

  // ---- images and geometry, for the surface and the tests ----
  int32_t windowWidth() const { return windowWidth_; }
  int32_t windowHeight() const { return windowHeight_; }
  // The display's size by the rule above (also when its pixels could not be had).
  int32_t displayWidth() const { return displayWidth_; }
  int32_t displayHeight() const { return displayHeight_; }
  const DibImage& display() const { return display_; }
  const DibImage& displayMargin() const { return displayMargin_; }
  const DibImage& rotatedOutput() const { return rotatedOutput_; }
  const DibImage& picture() const { return isTurned() ? rotatedOutput_ : display_; }
  const Image32& canvasImage() const { return canvasImage_; }
  const Image32& rulerTop() const { return rulerTop_; }
  const Image32& rulerLeft() const { return rulerLeft_; }
  bool geometryValid() const { return geometryValid_; }
  // Screen position of the canvas's top-left corner, each at least 0 (as of the last invalidate).
  int32_t canvasLeft() const { return canvasLeft_; }
  int32_t canvasTop() const { return canvasTop_; }

  // The part of a layer lifted by the move tool; while it floats the view draws its layer from
  // it (FloatingPart.h).
  FloatingPart& floatingPart() { return floating_; }

 private:
  // Sizes the images for the window and the transform; moves the origin by the change of the
  // display's half size.
  void applyGeometry();
  // The zoomed canvas's size in screen pixels (made even below zoom 1.0).
  int64_t zoomedWidth() const;
  int64_t zoomedHeight() const;
  // Composites the target rectangle area of target, whose pixel is screen pixel + shift.
  void compose(Image32& target, int64_t shiftX, int64_t shiftY, const Rect& area);
  // A turned full redraw composites only the part of the display the window shows.
  void composeWindowFootprint();
  // View::compositeLayers: the layers and overlays into canvasImage for the frame.
  void compositeLayers(const ViewFrame& frame);
  // Copies displayMargin into display for the current whole-pixel origin.
  void copyFromMargin();
  // After display changed inside rect (display pixels): the turned picture follows, rulers are
  // drawn, and the window area is presented.
  void finishUpdate(const Rect& displayRect);
  // Draws the rulers into the picture when they are on; false when they are off.
  bool drawRulersInto(DibImage& picture);
  // The window rectangle that shows the display rectangle (clipped to the window).
  Rect windowRectOf(const Rect& displayRect) const;
  bool canUpdate() const { return document_->busy == 0 && geometryValid_; }
  // After a full redraw: the shown selection outline again, for the new transform.
  void followWithOutline();

  Document* document_;
  DisplaySettings* settings_;
  DrawingSurface* surface_ = nullptr;
  FloatingPart floating_;
  CanvasOverlay* toolOverlay_ = nullptr;
  CanvasOverlay* documentOverlay_ = nullptr;
  ViewTransform transform_;
  DibImage display_, displayMargin_, rotatedOutput_;
  Image32 canvasImage_, rulerTop_, rulerLeft_;
  int32_t windowWidth_ = 1, windowHeight_ = 1;
  int32_t displayWidth_ = 1, displayHeight_ = 1;
  bool displayTurned_ = false;  // the display was sized for a turned transform
  int64_t lastOriginX_ = 0, lastOriginY_ = 0;  // floor of the origin the margin was composited at
  bool marginValid_ = false;
  uint32_t outlinePhase_ = 0;  // the phase of the outline last sent to the surface
  bool outlineShown_ = false;  // and whether it showed anything
  bool geometryValid_ = false;
  int32_t canvasLeft_ = 0, canvasTop_ = 0;
};

}  // namespace kanvo
