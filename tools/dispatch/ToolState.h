#pragma once
// ToolState: tool dispatch. Everything between a stylus event in window coordinates and the
// tool operation that changes the document: the shell forwards press, move and release (with
// the point relative to the canvas area, in the view's window pixels, a pressure and a button)
// and the key events; dispatch decides from the ToolMode and the held keys what runs, keeps the
// stroke-in-progress state, draws the live feedback (rubber bands on the surface's feedback
// slot), builds the status text and chooses the cursor.
//
// The operations themselves belong to the tool families (ToolFamilies below); a family that is
// absent does nothing. The view tools (hand, rotation, zoom, colour pick, layer pick, ruler)
// and the brush-size drag are dispatch's own.
//
// Press, in order: points outside the canvas area are ignored (0); a press that arrives while the
// previous one is still open runs that release first; the status texts are rebuilt and Move runs
// with the point; the layer is editable when visible and unlocked; the press point is stored in
// window, canvas and snapped canvas form; then the brush stroke (no key, or only Z), the
// brush-size drag (override 3), the layer pick (11), the stamp source (9) or pending stamp
// offset, the straight line (10), the vector edit, the zooms (6, 7, the zoom tools with no key),
// the colour pick ("Spoit" with no key, or 8 with any tool but the stamp; the point inside the
// document), move and rotate, the selection drag, the multi-click vertices, the bucket, the
// automatic and colour-range selections; the hand and the view rotation start their drags.
// Release commits dragged operations, ends the brush-size drag (no drag: the size returns to the
// saved size), and clears the button state; keys released during the press clear the key state.
//
// Whole-pixel tools take the floor of canvas points; insideness is tested on the unrounded point.
// Positions that are not finite or lie beyond +-2^30 window pixels are not used: such a press
// or move is ignored, such a release ends the operation at the last usable point.
// Single-threaded.
#include <cstdint>
#include <string>

#include "document/Clock.h"
#include "document/Document.h"
#include "tools/BrushTool.h"
#include "tools/BucketTool.h"
#include "tools/GradientTool.h"
#include "tools/MoveTool.h"
#include "tools/SelectionTool.h"
#include "tools/ShapeTool.h"
#include "tools/ToolSettings.h"
#include "tools/VectorTool.h"
#include "tools/dispatch/KeyState.h"
#include "tools/dispatch/SnapPoint.h"
#include "tools/dispatch/ToolMode.h"
#include "view/DrawingSurface.h"
#include "view/View.h"

namespace kanvo {

// Result bits of Press, Release and the key events (several may be combined).
enum ToolResult : uint32_t {
  kResultColourPicked = 0x1000,   // the foreground colour changed by a colour pick
  kResultStampSource = 0x10000,   // the stamp source was set
  kResultLayerPicked = 0x100002,  // the current layer changed by the layer pick
  kResultZoomed = 0x214,
  kResultBucket = 0x23,
  kResultAutoSelect = 0x220,
  kResultRangeSelect = 0x40220,
  kResultViewChanged = 16,
  kResultBrushSize = 0x404,
  kResultVectorEdit = 0x113,
  kResultGradient = 0x8291,
  kResultShapeFinished = 32787,
};

// The tool families dispatch calls; null members are absent families.
struct ToolFamilies {
  BrushTool* brush = nullptr;
  ShapeTool* shapes = nullptr;
  BucketTool* bucket = nullptr;
  GradientTool* gradient = nullptr;
  SelectionTool* selections = nullptr;
  MoveTool* move = nullptr;
  VectorTool* vector = nullptr;
};

// One stylus event: the point relative to the canvas area in window pixels, the pressure (1.0
// when the device gives none) and the button (0 the tip, 1 the second button).
struct StylusEvent {
  double x = 0.0, y = 0.0;
  double pressure = 1.0;
  int32_t button = 0;
};

class ToolState {
 public:
  // Binds dispatch to the document, its view and the tool settings (borrowed; they outlive
  // it). clock: milliseconds for the press ticks and the non-convert tap (null: always 0).
  ToolState(Document& document, View& view, ToolSettings& settings, const Clock* clock = nullptr);
  ToolState(const ToolState&) = delete;
  ToolState& operator=(const ToolState&) = delete;

  void setFamilies(const ToolFamilies& families) { families_ = families; }
  const ToolFamilies& families() const { return families_; }
  // The shell's plain key table (null: the key state's own snapshot serves).
  void setKeyTable(const KeyStateTable* table) { keyTable_ = table; }

  ToolMode mode;
  SnapSettings snap;  // grid and ruler snapping: off until a command sets it

  uint32_t Press(const StylusEvent& event);
  void Move(const StylusEvent& event);
  uint32_t Release(const StylusEvent& event);
  uint32_t KeyDown(int32_t key);
  uint32_t KeyUp(int32_t key);
  int32_t CursorKind() const;
  // Ends whatever is in progress: button, drags, the stroke (discarded), the vertex list, the
  // temporary view drags, the brush-size drag, the feedback band; a running move is committed as
  // at a release. clearKeys: the key state too, and the override 0.
  void ResetStroke(bool clearKeys);

  // The finishing step of the multi-click tools: the collected vertices become "Fill Polygon",
  // "Fill Line" or "Fill Frame", or the polygon selection, under the wait cursor; the list is
  // emptied and the view redrawn. 32787 when there were vertices, 0 otherwise. The Return key
  // runs it too (Escape drops the vertices).
  uint32_t finishShape();

  const std::string& statusText() const { return status_; }
  int32_t keyOverride() const { return override_; }
  const KeyState& keys() const { return keys_; }
  const VertexList& shapeVertices() const { return vertices_; }
  bool buttonDown() const { return buttonDown_; }

 private:
  // The canvas point of a window point, and its snapped form.
  CanvasPoint toCanvas(double x, double y) const { return view_->windowToCanvas(x, y); }
  CanvasPoint snapped(CanvasPoint p) const { return snapPoint(p, snap, document_->resolution); }
  bool insideDocument(CanvasPoint p) const;
  bool editableLayer() const;
  // The key state that selection and move tools accept: none, Shift, Ctrl or both.
  bool allowedKeys() const;
  SelectionOperation selectionOperation() const;
  bool brushCategory() const { return mode.category() == kCategoryBrush; }
  bool multiClickTool() const;
  bool selectedAt(CanvasPoint p) const;
  ToolEvent toolEvent(CanvasPoint at, double pressure, int32_t button) const;
  BrushStart brushStart(CanvasPoint at, double pressure, int32_t button) const;
  DragRect dragRect() const;

  void recomputeOverride();
  void rebuildPositionText();
  std::vector<int32_t> layersUnder(CanvasPoint p) const;
  void setFeedback(const Overlay& overlay);
  void clearFeedback();
  void drawOpenPolygon();
  void redrawView();

  // The view's own tools.
  void beginViewDrag(double x, double y, bool rotate);
  void dragView(double x, double y);
  void zoomAtPoint(double x, double y, bool in);
  uint32_t zoomKey(bool in);

  Document* document_;
  View* view_;
  ToolSettings* settings_;
  const Clock* clock_;
  ToolFamilies families_;
  const KeyStateTable* keyTable_ = nullptr;
  KeyState keys_;
  int32_t override_ = kOverrideNone;
  std::string status_;

  // The press and the stylus.
  bool buttonDown_ = false;
  int32_t button_ = 0;
  uint32_t pressTick_ = 0;
  bool noKeyAtPress_ = false;
  bool pressEditable_ = false;
  bool pressForTool_ = false;  // no view or pick override was active at the press
  bool keysReleasedDuringPress_ = false;
  double pressWindowX_ = 0.0, pressWindowY_ = 0.0;
  CanvasPoint pressCanvas_, pressSnapped_;
  double windowX_ = 0.0, windowY_ = 0.0;
  double pressure_ = 1.0;
  CanvasPoint canvas_, canvasSnapped_;

  bool strokeStarted_ = false;
  bool dragging_ = false;  // the selection is dragged
  bool moving_ = false;    // a move or rotate began
  bool vectorEditing_ = false;
  // Brush-size drag.
  bool sizeDrag_ = false, sizeDragged_ = false;
  double sizeDragX_ = 0.0;
  // The hand and the view rotation: the canvas point held under the stylus, or the angles.
  bool handDrag_ = false, rotateDrag_ = false;
  CanvasPoint handAnchor_;
  double rotateStartAngle_ = 0.0, rotateStartStylus_ = 0.0;
  bool temporaryHand_ = false, temporaryRotate_ = false;
  CanvasPoint temporaryStart_;
  // The stamp.
  bool stampSourceSet_ = false, stampOffsetPending_ = false;
  int32_t stampSourceX_ = 0, stampSourceY_ = 0;
  uint32_t nonConvertTick_ = 0;

  VertexList vertices_;
};

}  // namespace kanvo
