#pragma once
// Document: the canvas being edited. It holds the canvas size (1 ... 32760 each way) and
// resolution, the ordered list of layers (at most 64, bottom first) with the index of the
// current layer, the list of selections (at most 16; entry 0 exists after initialise) and the
// canvas-sized working images that tools and renderer share. The application owns one
// Document for the whole run: a new canvas, an opened file or the undo of a whole-document step
// re-fills the same object.
//
// Invariants:
// - currentLayer is -1 exactly when there is no layer; otherwise a valid index.
// - layerSelected runs parallel to the layers (1 for the current layer), selectionFlags
//   parallel to the selections.
// - Removing an entry from a list destroys it, moves the later entries down, and decreases the
//   list's current index by one when it is no longer below the new count (never below 0; -1
//   for an empty layer list).
// - layerSerial (the number of the last layer made by an add-layer operation) only grows for
//   the life of the object; initialise does not reset it.
//
// Services are handed in, never global: the string table (layer names; must outlive the
// document), an optional clock (change times of the histograms), an optional vector renderer
// (vector layers draw nothing without one) and progress receivers per long operation.
// Operations that fail for lack of memory return false (or null) and change nothing.
// Single-threaded.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/Clock.h"
#include "document/CompositeOptions.h"
#include "document/Layer.h"
#include "document/Progress.h"
#include "document/Selection.h"
#include "document/VectorRenderer.h"
#include "raster/image/Image32.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"
#include "strings/StringTable.h"

namespace kanvo {

class Document {
 public:
  static constexpr int32_t kMaxLayers = 64;
  static constexpr int32_t kMaxSelections = 16;
  static constexpr int32_t kMinSide = 1;
  static constexpr int32_t kMaxSide = 32760;
  static constexpr int32_t kDefaultResolution = 600;
  static constexpr int32_t kBandRows = 256;  // rows of a flatten band

  // A 10 x 10 canvas at 600 dpi without layers or selections, named "Untitled".
  explicit Document(const StringTable& strings, const Clock* clock = nullptr);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // ---- services ----
  const StringTable& strings() const { return *strings_; }
  void setStrings(const StringTable& strings) { strings_ = &strings; }
  const Clock* clock() const { return clock_; }
  void setClock(const Clock* clock) { clock_ = clock; }
  VectorRenderer* vectorRenderer() const { return vectorRenderer_; }
  void setVectorRenderer(VectorRenderer* renderer) { vectorRenderer_ = renderer; }
  // The clock's milliseconds, 0 without a clock.
  uint32_t now() const { return clock_ != nullptr ? clock_->milliseconds() : 0; }

  // ---- plain fields ----
  uint8_t modified = 0;              // set by layerChanged and layerChangedAll
  std::u16string name = u"Untitled";  // document name
  int32_t resolution = kDefaultResolution;  // dots per inch
  uint8_t busy = 0;                  // 1 while a whole-document operation runs
  Rect dirtyRect;                    // canvas area changed since the view last composited

  // Working images, all of the canvas size (emptied by setSize).
  Image32 preview;  // composite at a quarter size (width / 4 x height / 4)
  double previewScale = 0.25;
  TiledImage8 strokeCoverage;  // coverage of the stroke in progress
  TiledImage8 strokeMask;      // second 8-bit working image of the tools
  TiledImage32 strokeColour;   // colour of the stroke in progress
  // Copies of the current layer's store (by its depth), taken when it became current, after
  // each whole-layer change and after each undo or redo; the tools paint from them.
  TiledImage32 currentCopy32;
  TiledImage8 currentCopy8;
  TiledImage1 currentCopy1;
  TiledImage8 workMask;  // further 8-bit working image
  // Per-row cache of the composite for the view: emptied, with height null row entries,
  // whenever the size changes.
  TiledImage32 rowCache;
  std::vector<const uint8_t*> rowCacheRows;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t layerSerial() const { return layerSerial_; }

  // ---- layers ----
  int32_t layerCount() const { return int32_t(layers_.size()); }
  Layer* layer(int32_t index) const {
    return uint32_t(index) < layers_.size() ? layers_[size_t(index)].get() : nullptr;
  }
  int32_t currentLayerIndex() const { return currentLayer_; }
  Layer* currentLayer() const { return layer(currentLayer_); }
  const std::vector<uint8_t>& layerSelected() const { return layerSelected_; }
  // The index of the layer in the list, -1 when it is not one of this document's layers.
  int32_t indexOf(const Layer* layer) const;

  // ---- selections ----
  int32_t selectionCount() const { return int32_t(selections_.size()); }
  Selection* selection(int32_t index) const {
    return uint32_t(index) < selections_.size() ? selections_[size_t(index)].get() : nullptr;
  }
  int32_t currentSelectionIndex() const { return currentSelection_; }
  Selection* currentSelection() const { return selection(currentSelection_); }
  void setCurrentSelection(int32_t index) {
    if (uint32_t(index) < selections_.size()) currentSelection_ = index;
  }
  const std::vector<uint8_t>& selectionFlags() const { return selectionFlags_; }
  void setSelectionFlag(int32_t index, uint8_t flag) {
    if (uint32_t(index) < selectionFlags_.size()) selectionFlags_[size_t(index)] = flag;
  }
  // Appends a selection of the canvas size (mask empty, mode 0) and returns it; null when 16
  // exist or memory cannot be had.
  Selection* addSelection();
  // Removes a selection by the list rule; the last remaining selection is kept (false).
  bool removeSelection(int32_t index);

  // ---- lifecycle ----
  // setSize, then empty both lists and create selection 0. False (nothing changed) when
  // memory cannot be had.
  bool initialise(int32_t width, int32_t height);
  // Clamps each side to 1 ... 32760 and stores it; empties the row cache and re-creates its
  // row entries; resizes (and so empties) every working image; the preview becomes width / 4
  // x height / 4 (a cache: left without pixels when it cannot be had). Layers are not
  // touched. False (nothing changed) when the working images cannot be had.
  bool setSize(int32_t width, int32_t height);
  // initialise, name "Untitled", then one layer of the kind (a LayerKind) sized to the canvas,
  // named from the next serial number and current. Null when memory cannot be had.
  Layer* newCanvas(int32_t width, int32_t height, int32_t kind);
  // newCanvas of the image's size with a 32 bpp layer holding a copy of the image. Null when
  // the image has no pixels or memory cannot be had.
  Layer* newFromImage(const Image32& image);

  // A new layer of the kind just above the current one (at index 0 without layers), sized
  // to the canvas, numbered layerSerial + 1 and named string 62 followed by that number,
  // made current. Null (nothing changed) when 64 layers exist or memory cannot be had.
  Layer* addLayer32(int32_t* index = nullptr) { return addLayer(kLayerKind32, index); }
  Layer* addLayer8(int32_t* index = nullptr) { return addLayer(kLayerKind8, index); }
  Layer* addLayer1(int32_t* index = nullptr) { return addLayer(kLayerKind1, index); }
  Layer* addLayer(int32_t kind, int32_t* index = nullptr);
  // Destroys the layer at index by the list rule and selects the (new) current layer again.
  bool removeLayer(int32_t index);
  // Clamps index into the list and makes that layer current: the flags are updated, its store
  // is copied into the current copy of its depth, the stroke images are emptied, and the
  // previously current layer's stale histograms are rebuilt. With no layers nothing happens
  // (false). False also when the current copy could not be had completely.
  bool selectLayer(int32_t index);
  // After a tool changed the rectangle (store coordinates) of a layer: its reduced images (and
  // halftone image) are updated there, the current copy takes the rectangle when the layer is
  // current, the rectangle moved by the offset (clipped to the canvas) joins dirtyRect,
  // modified is set and the layer marked changed.
  void layerChanged(Layer& layer, int32_t x, int32_t y, int32_t width, int32_t height);
  // After a change of the whole layer: refresh, a new current copy, the stroke images
  // emptied, dirtyRect the whole canvas, modified set, the layer marked changed.
  void layerChangedAll(Layer& layer);
  // Exchanges two layers and their flags; the current index stays. False for a bad index.
  bool swapLayers(int32_t first, int32_t second);

  // ---- whole-document operations (DocumentResize.cpp) ----
  // Stretches every layer and selection to the new canvas size by nearest sampling, scaling
  // the layer offsets; progress after each layer and selection. False (nothing changed) when
  // memory cannot be had.
  bool resizeImage(int32_t width, int32_t height, Progress* progress = nullptr);
  // Makes the canvas the rectangle's size, moving every layer's and selection's content by
  // minus the rectangle's origin; content outside the new canvas is dropped. False (nothing
  // changed) when memory cannot be had.
  bool cropToRect(const Rect& rect, Progress* progress = nullptr);
  // Makes this document a deep copy of other: size, resolution, layers, selections and the
  // current indices (the name and services stay; layerSerial becomes the larger of the two).
  // False (nothing changed) when memory cannot be had.
  bool assign(const Document& other, Progress* progress = nullptr);
  // A snapshot of other to be written out while other goes on being edited: what assign takes,
  // but every store and selection mask shares other's tiles (Layer::shareFrom), so that it
  // costs the tile tables rather than the pixels, and the current layer is not copied for the
  // tools. The snapshot may then be used and destroyed on another thread. False (nothing
  // changed) when memory cannot be had.
  bool shareFrom(const Document& other);

  // The visible layers with opacity above 0 that have something at canvas point (x, y),
  // bottom first (indices); vector layers are drawn into a one-row scratch image. False, with
  // out untouched, outside the canvas; otherwise whether out (cleared first) is not empty.
  bool layersAtPoint(int32_t x, int32_t y, std::vector<int32_t>& out) const;

  // ---- the document compositor (DocumentCompositor.cpp) ----
  // Fills band (its width normally the canvas width, its height h the band height) with the
  // composite of canvas rows bandIndex x h ... bandIndex x h + h - 1, shifted right by x0.
  void compositeRow(Image32& band, const CompositeOptions& options, int32_t bandIndex, int32_t x0) const;
  // Composites the whole canvas into target (normally of the canvas size) in bands of 256
  // rows, reporting (band, height / 256) after each. False, doing nothing, while a flatten is
  // running (a progress receiver calling back) or when target has no pixels.
  bool flatten(Image32& target, const CompositeOptions& options, Progress* progress = nullptr);
  bool isFlattening() const { return flattening_; }
  // The composite colour at canvas point (x, y) over opaque white, 8 bpp layers from their
  // coverage; 0 outside the canvas.
  Color32 probeColour(int32_t x, int32_t y) const;

  // Draws every visible object of a vector layer into target through the renderer (if any):
  // object point p lands at (p + layer offset) x scale + translate, with the layer's anti-alias
  // mode. The compositors and the layer picker call it; without a renderer nothing is drawn.
  void drawVectorLayer(const Layer& layer, Image32& target, double translateX, double translateY,
                       double scale = 1.0) const;

  // Bytes held by the layers and selections (a document snapshot's cost).
  uint64_t byteEstimate() const;

 private:
  // compositeRow's work: fills rows with the composite of canvas rows top ... top + height - 1.
  void compositeRows(Image32& rows, const CompositeOptions& options, int64_t top, int32_t x0) const;
  bool takeCurrentCopy();
  // The common part of assign and shareFrom: every layer and selection copied (share: sharing
  // tiles), installed with the size and the current indices only when all could be had.
  bool takeContents(const Document& other, bool share, Progress* progress);
  // A layer of the kind sized to width x height, numbered serial and named from it; null when
  // memory cannot be had.
  std::unique_ptr<Layer> makeLayer(int32_t kind, int32_t serial, int32_t width, int32_t height);
  // The common end of initialise, newCanvas and newFromImage: the size, a fresh selection 0
  // and the layer list holding just layer (or nothing), made current. False (nothing changed)
  // when memory cannot be had.
  bool replaceContents(int32_t width, int32_t height, std::unique_ptr<Layer> layer);
  // Replaces the working images with empty ones of the given (clamped) size.
  bool resizeWorkingImages(int32_t width, int32_t height);
  // The common frame of resizeImage and cropToRect (DocumentResize.cpp): every layer's and
  // selection's new store is made first; only when all of them and the new size could be had
  // are they installed, with progress after each layer and selection.
  template <class MakeStore, class MakeMask, class PlaceLayer>
  bool replaceStores(int32_t width, int32_t height, Progress* progress, MakeStore makeStore, MakeMask makeMask,
                     PlaceLayer placeLayer);

  const StringTable* strings_;
  const Clock* clock_;
  VectorRenderer* vectorRenderer_ = nullptr;
  int32_t width_ = 0, height_ = 0;
  int32_t layerSerial_ = 0;
  std::vector<std::unique_ptr<Layer>> layers_;
  std::vector<uint8_t> layerSelected_;
  int32_t currentLayer_ = -1;
  std::vector<std::unique_ptr<Selection>> selections_;
  std::vector<uint8_t> selectionFlags_;
  int32_t currentSelection_ = 0;
  bool flattening_ = false;  // the flatten re-entry guard
};

}  // namespace kanvo
