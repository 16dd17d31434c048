#pragma once
// The selection engine, the selection family of tool dispatch (tools/SelectionTool.h): it
// changes the document's current selection.
//
// Rectangle, ellipse and polygon: the shape is scan-converted into a coverage mask (the box of
// the drag with the selection's square constraint; a turned rectangle and every ellipse as
// polygons, with the selection antialias) and combined with the selection mask by the
// operation: replace clears the mask and adds the shape, add adds it (clamped at 255), remove
// subtracts it (clamped at 0, so a partly covered pixel keeps what the coverage left of it).
// The automatic selection combines the seed fill's region (the composite or the current layer,
// with the automatic-selection tolerance) the same way. A drag of zero width or height clears
// an existing selection under "Select (Clear)".
//
// Every change records the selection's undo step first (the whole mask, labelled "Select
// (Rect)", "Select (+Rect)", "Select (-Rect)" ... by the operation), then rebuilds the reduced
// masks over the changed rectangle, the outline and the thumbnail and redraws the view. The
// mode becomes kSelectionTurned after a replace made with the view turned and kSelectionMask
// otherwise; a result with no selected pixel leaves no selection (mode kSelectionNone).
//
// The colour range writes every composite pixel within the colour-range tolerance of the
// pressed pixel's colour into the selection mask (255, or 0 with Ctrl), connected or not, and
// records no undo step. Moving shifts the mask by whole pixels; what leaves the canvas is lost.
//
// Nothing happens (false) while the document is busy or when memory runs out before the mask
// changed. Document::busy is set while the automatic selection and the colour range work.
#include <cstdint>
#include <string_view>

#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "tools/RedrawSink.h"
#include "tools/SelectionTool.h"
#include "tools/ToolSettings.h"

namespace kanvo {

class SelectionEngine : public SelectionTool {
 public:
  // sink: the view's redraw; without one nothing is redrawn.
  SelectionEngine(Document& document, UndoHistory& history, const ToolSettings& settings,
                  RedrawSink* sink = nullptr);
  SelectionEngine(const SelectionEngine&) = delete;
  SelectionEngine& operator=(const SelectionEngine&) = delete;

  bool selectRect(const DragRect& drag, SelectionOperation operation) override;
  bool selectEllipse(const DragRect& drag, SelectionOperation operation) override;
  bool selectPolygon(const VertexList& vertices, SelectionOperation operation) override;
  bool selectAuto(CanvasPoint at, SelectionOperation operation) override;
  bool selectRange(CanvasPoint at, bool clearFirst, bool ctrlHeld) override;
  bool moveSelection(int32_t dx, int32_t dy) override;
  // Empties an existing selection under "Select (Clear)"; false when nothing was selected.
  bool clearSelection();

 private:
  // The current selection when the engine may change it (not busy, mask of the canvas size).
  Selection* target() const;
  // The working coverage mask, sized to the canvas and emptied; null when memory ran out.
  TiledImage8* coverage();
  bool selectBox(const DragRect& drag, SelectionOperation operation, bool ellipse);
  // Records the undo step and combines the coverage into the selection by the operation.
  // box: the unturned rectangle of a replace whose outline is its four sides; turned: the
  // shape was made with the view turned.
  bool combine(Selection& selection, SelectionOperation operation, std::string_view shape, const Rect* box,
               bool turned);
  // After the mask changed over rect: mode, reduced masks, outline (unless outlineBuilt) and
  // thumbnail.
  void finish(Selection& selection, const Rect& rect, int32_t mode, bool outlineBuilt);
  // Redraws the view when changed; returns changed.
  bool redrawn(bool changed);

  Document& document_;
  UndoHistory& history_;
  const ToolSettings& settings_;
  RedrawSink* sink_;
};

}  // namespace kanvo
