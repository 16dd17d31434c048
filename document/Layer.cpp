#include "document/Layer.h"

#include <algorithm>
#include <new>

#include "document/Document.h"

namespace kanvo {

Layer::~Layer() = default;

uint32_t Layer::storeWidth() const {
  switch (kind) {
    case kLayerKind32: return pixels32.width();
    case kLayerKind8: return pixels8.width();
    case kLayerKind1: return pixels1.width();
    default: return 0;
  }
}

uint32_t Layer::storeHeight() const {
  switch (kind) {
    case kLayerKind32: return pixels32.height();
    case kLayerKind8: return pixels8.height();
    case kLayerKind1: return pixels1.height();
    default: return 0;
  }
}

int32_t Layer::canvasWidth() const { return document != nullptr ? document->width() : 1; }
int32_t Layer::canvasHeight() const { return document != nullptr ? document->height() : 1; }

VectorObject* Layer::insertStroke(std::unique_ptr<VectorObject> object, int32_t index) {
  if (object == nullptr || strokes_.size() >= size_t(kMaxStrokes)) return nullptr;
  index = std::clamp<int32_t>(index, 0, strokeCount());
  try {
    strokes_.reserve(strokes_.size() + 1);
    strokeSelected_.reserve(strokes_.size() + 1);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  VectorObject* raw = object.get();
  strokes_.insert(strokes_.begin() + index, std::move(object));
  strokeSelected_.insert(strokeSelected_.begin() + index, 0);
  return raw;
}

bool Layer::hasContentAt(int64_t x, int64_t y) const {
  if (x < 0 || y < 0 || x > INT32_MAX || y > INT32_MAX) return false;
  switch (kind) {
    case kLayerKind32: return alphaOf(pixels32.getPixel(int32_t(x), int32_t(y))) != 0;
    case kLayerKind8: return pixels8.getPixel(int32_t(x), int32_t(y)) != 0;
    case kLayerKind1: return pixels1.getPixel(int32_t(x), int32_t(y)) != 0;
    default: return false;
  }
}

bool Layer::sizeStore(int32_t width, int32_t height) {
  const uint32_t w = uint32_t(std::max(width, 1)), h = uint32_t(std::max(height, 1));
  pixels32 = TiledImage32();
  pixels8 = TiledImage8();
  pixels1 = TiledImage1();
  pyramid32.release();
  pyramid8.release();
  pyramid1.release();
  switch (kind) {
    case kLayerKind32: return pixels32.resize(w, h) && pyramid32.prepare(w, h);
    case kLayerKind8:
      if (!pixels8.resize(w, h) || !pyramid8.prepare(w, h)) return false;
      return toneMode == 0 || makeHalftone();
    case kLayerKind1: return pixels1.resize(w, h) && pyramid1.prepare(w, h);
    default:
      vectorWidth = int32_t(w);
      vectorHeight = int32_t(h);
      return true;
  }
}

// The halftone image of an 8 bpp layer in tone mode: pixels1 of the size of pixels8, every
// pixel the bit of the tone pattern for its coverage, and its reduced images.
bool Layer::makeHalftone() {
  const double resolution = document != nullptr ? document->resolution : Document::kDefaultResolution;
  if (!halftone.isBuilt() && !halftone.build(double(std::max(toneLines, kMinToneLines)), resolution)) return false;
  if (!pixels1.resize(pixels8.width(), pixels8.height())) return false;
  halftone.convert(pixels8, pixels1, Rect(0, 0, int32_t(pixels8.width()), int32_t(pixels8.height())));
  return pyramid1.rebuild(pixels1);
}

bool Layer::rebuildReducedImages() {
  switch (kind) {
    case kLayerKind32: return pyramid32.rebuild(pixels32);
    case kLayerKind8: {
      const bool ok = pyramid8.rebuild(pixels8);
      return (toneMode == 0 || makeHalftone()) && ok;
    }
    case kLayerKind1: return pyramid1.rebuild(pixels1);
    default: return true;
  }
}

bool Layer::updateReducedImages(const Rect& rect) {
  switch (kind) {
    case kLayerKind32: return pyramid32.update(pixels32, rect);
    case kLayerKind8: {
      const bool ok = pyramid8.update(pixels8, rect);
      if (toneMode == 0) return ok;
      if (!halftone.isBuilt() || pixels1.width() != pixels8.width() || pixels1.height() != pixels8.height()) {
        return makeHalftone() && ok;
      }
      halftone.convert(pixels8, pixels1, rect);
      Rect whole = rect;
      whole.alignOutward(kTileSize);
      return pyramid1.update(pixels1, whole) && ok;
    }
    case kLayerKind1: return pyramid1.update(pixels1, rect);
    default: return true;
  }
}

bool Layer::rebuildThumbnail() {
  const int32_t w = canvasWidth(), h = canvasHeight();
  switch (kind) {
    case kLayerKind32: return thumbnail.build(pixels32, offsetX, offsetY, w, h);
    case kLayerKind8: return thumbnail.build(pixels8, colour, offsetX, offsetY, w, h);
    case kLayerKind1: return thumbnail.build(pixels1, colour, offsetX, offsetY, w, h);
    default: return thumbnail.reset(w, h);
  }
}

bool Layer::refresh() {
  const bool thumb = rebuildThumbnail();
  return rebuildReducedImages() && thumb;
}

bool Layer::setTone(int32_t mode, int32_t lines) {
  if (kind != kLayerKind8) return false;
  toneLines = std::max(lines, kMinToneLines);
  toneMode = mode;
  halftone.release();
  if (mode == 0) {
    pixels1 = TiledImage1();
    pyramid1.release();
    return true;
  }
  if (!makeHalftone()) {
    toneMode = 0;
    halftone.release();
    pixels1 = TiledImage1();
    pyramid1.release();
    return false;
  }
  return true;
}

void Layer::markChanged() {
  histogramsStale = 1;
  staleSince = document != nullptr ? document->now() : 0;
}

void Layer::rebuildHistograms() {
  switch (kind) {
    case kLayerKind32: histograms.count(pixels32); break;
    case kLayerKind8: histograms.count(pixels8); break;
    case kLayerKind1: histograms.count(pixels1); break;
    default: histograms.clear(); break;
  }
  histogramsStale = 0;
}

bool Layer::copyFrom(const Layer& other, Document* owner) {
  if (&other == this) return true;
  bool ok = copyAttributes(other, owner);
  ok = pixels32.assign(other.pixels32) && ok;
  ok = pixels8.assign(other.pixels8) && ok;
  ok = pixels1.assign(other.pixels1) && ok;
  ok = pyramid32.assign(other.pyramid32) && ok;
  ok = pyramid8.assign(other.pyramid8) && ok;
  ok = pyramid1.assign(other.pyramid1) && ok;
  ok = thumbnail.assign(other.thumbnail) && ok;
  halftone.release();
  if (kind == kLayerKind8 && toneMode != 0) {
    const double resolution = owner != nullptr ? owner->resolution : Document::kDefaultResolution;
    ok = halftone.build(double(std::max(toneLines, kMinToneLines)), resolution) && ok;
  }
  return ok;
}

bool Layer::shareFrom(const Layer& other, Document* owner) {
  if (&other == this) return true;
  bool ok = copyAttributes(other, owner);
  ok = pixels32.shareFrom(other.pixels32) && ok;
  ok = pixels8.shareFrom(other.pixels8) && ok;
  ok = pixels1.shareFrom(other.pixels1) && ok;
  return ok;
}

bool Layer::copyAttributes(const Layer& other, Document* owner) {
  document = owner;
  kind = other.kind;
  blendMode = other.blendMode;
  visible = other.visible;
  opacity = other.opacity;
  colour = other.colour;
  locked = other.locked;
  reservedFlag = other.reservedFlag;
  offsetX = other.offsetX;
  offsetY = other.offsetY;
  subPixelX = other.subPixelX;
  subPixelY = other.subPixelY;
  toneMode = other.toneMode;
  toneLines = other.toneLines;
  antialiasMode = other.antialiasMode;
  serial = other.serial;
  currentStroke = other.currentStroke;
  vectorWidth = other.vectorWidth;
  vectorHeight = other.vectorHeight;
  histograms = other.histograms;
  histogramsStale = other.histogramsStale;
  staleSince = other.staleSince;
  bool ok = true;
  try {
    name = other.name;
    strokes_.clear();
    strokeSelected_.clear();
    strokes_.reserve(other.strokes_.size());
    strokeSelected_ = other.strokeSelected_;
    for (const auto& object : other.strokes_) {
      std::unique_ptr<VectorObject> copy = object->clone();
      if (copy == nullptr) {
        ok = false;
        break;
      }
      strokes_.push_back(std::move(copy));
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) {
    strokes_.clear();
    strokeSelected_.clear();
  }
  return ok;
}

uint64_t Layer::byteEstimate() const {
  uint64_t bytes = sizeof(Layer);
  bytes += uint64_t(pixels32.presentTileCount()) * 4 * kTileSize * kTileSize;
  bytes += uint64_t(pixels8.presentTileCount()) * kTileSize * kTileSize;
  bytes += uint64_t(pixels1.presentTileCount()) * kTileSize * kTileSize / 8;
  bytes += pyramid32.tileBytes() + pyramid8.tileBytes() + pyramid1.tileBytes();
  for (const auto& object : strokes_) bytes += object->byteEstimate();
  return bytes;
}

}  // namespace kanvo
