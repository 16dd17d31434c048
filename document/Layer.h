#pragma once
// Layer: one sheet of the picture. A layer has a kind (32 bpp colour, 8 bpp single-colour
// coverage, 1 bpp single-colour ink, or vector objects), display attributes, a name, and for
// the raster kinds a tiled pixel store with a pyramid of six reduced copies for zoomed-out
// display.
//
// Layers are made and destroyed only through the Document's layer list; `document` points back
// at the owner (not owned). The pixel store of the layer's kind normally has the canvas size;
// moveContent gives it its own size and an offset that are multiples of 64 and cover the canvas.
// The stores of the other two depths stay empty, except pixels1 of an 8 bpp layer in tone mode,
// which holds its halftone image (the same size as pixels8).
//
// Attributes are plain fields that tools, readers and the shell set directly; the vector object
// list is private so that its parallel selection flags and the 1024 limit hold.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/Histogram.h"
#include "document/LayerPyramid.h"
#include "document/Thumbnail.h"
#include "document/VectorObject.h"
#include "raster/pixel/Color32.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"
#include "raster/tone/ToneSet.h"

namespace kanvo {

class Document;

// Layer kind codes, shared by memory, undo records and files.
enum LayerKind : int32_t {
  kLayerKind1 = 0,       // 1 bpp ink in the layer colour
  kLayerKind8 = 1,       // 8 bpp coverage of the layer colour
  kLayerKind32 = 2,      // 32 bpp colour
  kLayerKindVector = 3,  // vector objects
};

// Blend mode codes (the span operations are chosen by the compositors).
enum BlendMode : int32_t {
  kBlendNormal = 0,
  kBlendMultiply = 1,
  kBlendAdd = 2,
  kBlendInverse = 3,
};

class Layer {
 public:
  static constexpr int32_t kMaxStrokes = 1024;
  static constexpr int32_t kMinToneLines = 5;
  static constexpr int32_t kDefaultToneLines = 60;
  // The largest side moveContent gives a store (four times the largest canvas): moves that
  // would need more are refused.
  static constexpr int64_t kMaxStoreSide = 131072;

  explicit Layer(Document* owner = nullptr) : document(owner) {}
  ~Layer();
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  Document* document = nullptr;  // the owner, not owned
  int32_t kind = kLayerKind32;
  int32_t blendMode = kBlendNormal;
  uint8_t visible = 1;
  uint8_t opacity = 255;
  Color32 colour = kOpaqueBlack;  // the single colour of 8 bpp and 1 bpp layers
  uint8_t locked = 0;             // 1: no tool may edit the layer
  uint8_t reservedFlag = 0;
  int32_t offsetX = 0, offsetY = 0;  // canvas position of the store's pixel (0, 0)
  double subPixelX = 0.0, subPixelY = 0.0;
  // 8 bpp layers: 0 the coverage is shown directly; 1 it is shown as the halftone screen of
  // toneLines lines per inch held in pixels1.
  int32_t toneMode = 0;
  int32_t toneLines = kDefaultToneLines;
  ToneSet halftone;
  // Vector layers: 0 each object's own anti-alias setting, 1 all anti-aliased, 2 none.
  int32_t antialiasMode = 0;
  std::string name;  // CP932 bytes
  int32_t serial = 0;
  Thumbnail thumbnail;
  TiledImage32 pixels32;
  TiledImage8 pixels8;
  TiledImage1 pixels1;
  int32_t currentStroke = -1;
  int32_t vectorWidth = 1, vectorHeight = 1;
  LayerHistograms histograms;
  uint8_t histogramsStale = 0;
  uint32_t staleSince = 0;  // clock milliseconds of the change that made them stale
  LayerPyramid<32> pyramid32;
  LayerPyramid<8> pyramid8;
  LayerPyramid<8> pyramid1;  // 8 bpp levels reduced from pixels1

  bool isRaster() const { return kind == kLayerKind32 || kind == kLayerKind8 || kind == kLayerKind1; }
  // The size of the store of the layer's kind (0 x 0 for vector layers).
  uint32_t storeWidth() const;
  uint32_t storeHeight() const;

  // Vector objects, in drawing order, each with a selection flag.
  int32_t strokeCount() const { return int32_t(strokes_.size()); }
  VectorObject* stroke(int32_t index) const {
    return uint32_t(index) < strokes_.size() ? strokes_[size_t(index)].get() : nullptr;
  }
  uint8_t strokeSelected(int32_t index) const {
    return uint32_t(index) < strokeSelected_.size() ? strokeSelected_[size_t(index)] : 0;
  }
  void setStrokeSelected(int32_t index, uint8_t flag) {
    if (uint32_t(index) < strokeSelected_.size()) strokeSelected_[size_t(index)] = flag;
  }
  // Inserts the object at index (clamped to 0 ... count) with its flag 0 and returns it; null
  // (and the object destroyed, nothing changed) when the list holds 1024 objects or the object
  // is null.
  VectorObject* insertStroke(std::unique_ptr<VectorObject> object, int32_t index);

  void setOffset(int32_t x, int32_t y) {
    offsetX = x;
    offsetY = y;
  }
  void addSubPixel(double dx, double dy) {
    subPixelX += dx;
    subPixelY += dy;
  }

  // Moves the content of a raster layer by (dx, dy) canvas pixels and rebuilds the store
  // around it: afterwards the offset is (newX, newY), both multiples of 64 and at most 0, and
  // the store covers the canvas and the content. (0, 0) only normalises the store. The reduced
  // images (and the halftone image) are rebuilt. A vector layer, or a store without tiles, is
  // not changed. False, with nothing changed, when the new store cannot be had (a side above
  // kMaxStoreSide, or no memory).
  bool moveContent(int32_t dx, int32_t dy);
  // Whether moveContent(dx, dy) would stay within kMaxStoreSide (memory aside).
  bool moveFits(int32_t dx, int32_t dy) const;

  // A deep copy of other's attributes, name, stores, objects, reduced images, thumbnail and
  // histograms; the copy belongs to owner. False when memory ran out (the copy is then
  // incomplete and should be discarded).
  bool copyFrom(const Layer& other, Document* owner);
  // What a snapshot to be written out needs: other's attributes, name and objects as copyFrom
  // takes them, and its three stores sharing other's tiles (TiledImage::shareFrom); the
  // reduced images, thumbnail and tone patterns stay empty. False when memory ran out.
  bool shareFrom(const Layer& other, Document* owner);

  // Marks the histograms stale with the owner's clock time.
  void markChanged();
  // Recomputes the thumbnail, the reduced images of the layer's depth and, for an 8 bpp layer
  // in tone mode, the halftone image. False when memory ran out.
  bool refresh();
  // 8 bpp layers only (others return false and change nothing). Lines below 5 become 5; both
  // values are stored. Mode 0 releases the patterns and the halftone image; any other mode
  // builds the patterns for the line count and the owner's resolution and makes the halftone
  // image (pixels1, the size of pixels8) with its reduced images. False when the patterns
  // cannot be built; the layer is then left in mode 0.
  bool setTone(int32_t mode, int32_t lines);
  // Counts the histograms again from the store; clears histogramsStale.
  void rebuildHistograms();

  // Pixel probes in store coordinates; 0 outside the store or in an absent tile.
  Color32 pixel32(int32_t x, int32_t y) const { return pixels32.getPixel(x, y); }
  uint8_t pixel8(int32_t x, int32_t y) const { return pixels8.getPixel(x, y); }
  int pixel1(int32_t x, int32_t y) const { return pixels1.getPixel(x, y); }
  // Whether the store of the layer's kind has something at the store point (x, y): alpha not
  // 0 (32 bpp), coverage not 0 (8 bpp), a set bit (1 bpp). False for vector layers.
  bool hasContentAt(int64_t x, int64_t y) const;

  // The owner's services and canvas (1 x 1, 600 dpi, no clock without an owner).
  int32_t canvasWidth() const;
  int32_t canvasHeight() const;

  // Sizes the store of the layer's kind to width x height (emptying it) and prepares its
  // reduced images; the other stores are released. Vector layers take it as their canvas size.
  bool sizeStore(int32_t width, int32_t height);
  // Rebuilds the reduced images of the layer's depth and the halftone image from the store.
  bool rebuildReducedImages();
  // The same after a change of the store inside rect (store coordinates).
  bool updateReducedImages(const Rect& rect);
  // Rebuilds the thumbnail from the store as placed on the canvas.
  bool rebuildThumbnail();

  // Bytes held by the stores', reduced images' and objects' memory (for undo budgets).
  uint64_t byteEstimate() const;

 private:
  template <int Bpp>
  bool moveStore(TiledImage<Bpp>& store, int32_t dx, int32_t dy);
  template <int Bpp>
  bool storeMoveFits(const TiledImage<Bpp>& store, int32_t dx, int32_t dy) const;
  bool makeHalftone();
  // The attributes, name, objects and histograms of copyFrom; false when memory ran out (the
  // objects are then left out).
  bool copyAttributes(const Layer& other, Document* owner);

  std::vector<std::unique_ptr<VectorObject>> strokes_;
  std::vector<uint8_t> strokeSelected_;
};

}  // namespace kanvo
