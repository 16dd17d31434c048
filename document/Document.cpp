#include "document/Document.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "raster/tiled/TiledCopy.h"
#include "strings/TextId.h"

namespace kanvo {

namespace {

int32_t clampSide(int32_t side) { return std::clamp(side, Document::kMinSide, Document::kMaxSide); }

}  // namespace

Document::Document(const StringTable& strings, const Clock* clock) : strings_(&strings), clock_(clock) {
  layers_.reserve(kMaxLayers);
  layerSelected_.reserve(kMaxLayers);
  selections_.reserve(kMaxSelections);
  selectionFlags_.reserve(kMaxSelections);
  setSize(10, 10);
}

Document::~Document() = default;

int32_t Document::indexOf(const Layer* layer) const {
  for (size_t i = 0; i < layers_.size(); ++i) {
    if (layers_[i].get() == layer) return int32_t(i);
  }
  return -1;
}

bool Document::resizeWorkingImages(int32_t width, int32_t height) {
  const uint32_t w = uint32_t(width), h = uint32_t(height);
  TiledImage8 coverage, mask, work, copy8;
  TiledImage32 colour, copy32, cache;
  TiledImage1 copy1;
  if (!coverage.resize(w, h) || !mask.resize(w, h) || !work.resize(w, h) || !copy8.resize(w, h) ||
      !colour.resize(w, h) || !copy32.resize(w, h) || !cache.resize(w, h) || !copy1.resize(w, h)) {
    return false;
  }
  std::vector<const uint8_t*> rows;
  try {
    rows.assign(size_t(height), nullptr);
  } catch (const std::bad_alloc&) {
    return false;
  }
  strokeCoverage = std::move(coverage);
  strokeMask = std::move(mask);
  workMask = std::move(work);
  currentCopy8 = std::move(copy8);
  strokeColour = std::move(colour);
  currentCopy32 = std::move(copy32);
  rowCache = std::move(cache);
  currentCopy1 = std::move(copy1);
  rowCacheRows.swap(rows);
  return true;
}

bool Document::setSize(int32_t width, int32_t height) {
  width = clampSide(width);
  height = clampSide(height);
  if (!resizeWorkingImages(width, height)) return false;
  width_ = width;
  height_ = height;
  // The preview is a cache: when it cannot be had it is left without pixels.
  if (!preview.resizeBuffer(width / 4, height / 4)) preview.releasePixels();
  return true;
}

std::unique_ptr<Layer> Document::makeLayer(int32_t kind, int32_t serial, int32_t width, int32_t height) {
  if (kind < kLayerKind1 || kind > kLayerKindVector) return nullptr;
  auto layer = std::unique_ptr<Layer>(new (std::nothrow) Layer(this));
  if (layer == nullptr) return nullptr;
  layer->kind = kind;
  layer->serial = serial;
  try {
    layer->name = std::string(strings_->GetString(TextId::Layer)) + std::to_string(serial);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (!layer->sizeStore(width, height)) return nullptr;
  return layer;
}

bool Document::replaceContents(int32_t width, int32_t height, std::unique_ptr<Layer> layer) {
  width = clampSide(width);
  height = clampSide(height);
  auto first = std::unique_ptr<Selection>(new (std::nothrow) Selection);
  if (first == nullptr || !first->resize(width, height)) return false;
  if (!setSize(width, height)) return false;
  layers_.clear();
  layerSelected_.clear();
  currentLayer_ = -1;
  selections_.clear();
  selectionFlags_.clear();
  selections_.push_back(std::move(first));
  selectionFlags_.push_back(0);
  currentSelection_ = 0;
  if (layer != nullptr) {
    layerSerial_ = std::max(layerSerial_, layer->serial);
    layers_.push_back(std::move(layer));
    layerSelected_.push_back(0);
    layers_[0]->refresh();
    selectLayer(0);
  }
  return true;
}

bool Document::initialise(int32_t width, int32_t height) { return replaceContents(width, height, nullptr); }

Layer* Document::newCanvas(int32_t width, int32_t height, int32_t kind) {
  std::unique_ptr<Layer> layer = makeLayer(kind, layerSerial_ + 1, clampSide(width), clampSide(height));
  if (layer == nullptr) return nullptr;
  Layer* raw = layer.get();
  if (!replaceContents(width, height, std::move(layer))) return nullptr;
  name = u"Untitled";
  return raw;
}

Layer* Document::newFromImage(const Image32& image) {
  if (!image.hasPixels()) return nullptr;
  std::unique_ptr<Layer> layer =
      makeLayer(kLayerKind32, layerSerial_ + 1, clampSide(image.width()), clampSide(image.height()));
  if (layer == nullptr) return nullptr;
  // A plain copy of the image's rows (the span copy at full opacity); all-zero slices over
  // absent tiles stay absent.
  TiledImage32& store = layer->pixels32;
  uint8_t* row = store.rowBuffer();
  const int32_t w = std::min<int32_t>(image.width(), int32_t(store.width()));
  const int32_t h = std::min<int32_t>(image.height(), int32_t(store.height()));
  for (int32_t y = 0; y < h; ++y) {
    std::memcpy(row, image.rowAddress(y), size_t(w) * 4);
    if (!writeRowChecked(store, row, 0, y, w)) return nullptr;
  }
  Layer* raw = layer.get();
  if (!replaceContents(image.width(), image.height(), std::move(layer))) return nullptr;
  name = u"Untitled";
  return raw;
}

Layer* Document::addLayer(int32_t kind, int32_t* index) {
  if (layers_.size() >= size_t(kMaxLayers)) return nullptr;
  std::unique_ptr<Layer> layer = makeLayer(kind, layerSerial_ + 1, width_, height_);
  if (layer == nullptr) return nullptr;
  layer->rebuildThumbnail();
  const int32_t at = currentLayer_ >= 0 ? currentLayer_ + 1 : 0;
  Layer* raw = layer.get();
  // Both lists have room for 64 entries reserved: inserting cannot fail.
  layers_.insert(layers_.begin() + at, std::move(layer));
  layerSelected_.insert(layerSelected_.begin() + at, 0);
  layerSerial_ = raw->serial;
  selectLayer(at);
  if (index != nullptr) *index = at;
  return raw;
}

bool Document::removeLayer(int32_t index) {
  if (uint32_t(index) >= layers_.size()) return false;
  layers_.erase(layers_.begin() + index);
  layerSelected_.erase(layerSelected_.begin() + index);
  const int32_t count = layerCount();
  if (count == 0) {
    currentLayer_ = -1;
    return true;
  }
  if (currentLayer_ >= count) currentLayer_ = std::max(currentLayer_ - 1, 0);
  std::fill(layerSelected_.begin(), layerSelected_.end(), 0);
  layerSelected_[size_t(currentLayer_)] = 1;
  takeCurrentCopy();
  return true;
}

bool Document::takeCurrentCopy() {
  const Layer* current = currentLayer();
  if (current == nullptr) return true;
  switch (current->kind) {
    case kLayerKind32: return currentCopy32.assign(current->pixels32);
    case kLayerKind8: return currentCopy8.assign(current->pixels8);
    case kLayerKind1: return currentCopy1.assign(current->pixels1);
    default: return true;
  }
}

bool Document::selectLayer(int32_t index) {
  if (layers_.empty()) return false;
  index = std::clamp<int32_t>(index, 0, layerCount() - 1);
  Layer* previous = currentLayer();
  currentLayer_ = index;
  if (size_t(index) < layerSelected_.size()) {
    std::fill(layerSelected_.begin(), layerSelected_.end(), 0);
    layerSelected_[size_t(index)] = 1;
  }
  const bool copied = takeCurrentCopy();
  strokeCoverage.clear();
  strokeColour.clear();
  if (previous != nullptr && previous->histogramsStale) previous->rebuildHistograms();
  return copied;
}

void Document::layerChanged(Layer& layer, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (width < 1 || height < 1) return;
  const Rect rect(x, y, width, height);
  layer.updateReducedImages(rect);
  if (&layer == currentLayer()) {
    const bool whole = int64_t(x) <= 0 && int64_t(y) <= 0 && int64_t(x) + width >= int64_t(layer.storeWidth()) &&
                       int64_t(y) + height >= int64_t(layer.storeHeight());
    switch (layer.kind) {
      case kLayerKind32:
        if (whole || currentCopy32.width() != layer.pixels32.width() || currentCopy32.height() != layer.pixels32.height()) {
          currentCopy32.assign(layer.pixels32);
        } else {
          copyPixels(layer.pixels32, x, y, width, height, currentCopy32, x, y);
        }
        break;
      case kLayerKind8:
        if (whole || currentCopy8.width() != layer.pixels8.width() || currentCopy8.height() != layer.pixels8.height()) {
          currentCopy8.assign(layer.pixels8);
        } else {
          copyPixels(layer.pixels8, x, y, width, height, currentCopy8, x, y);
        }
        break;
      case kLayerKind1:
        if (whole || currentCopy1.width() != layer.pixels1.width() || currentCopy1.height() != layer.pixels1.height()) {
          currentCopy1.assign(layer.pixels1);
        } else {
          copyPixels(layer.pixels1, x, y, width, height, currentCopy1, x, y);
        }
        break;
      default: break;
    }
  }
  // The rectangle on the canvas, clipped to it (offsets may put it anywhere).
  const int64_t left = std::max<int64_t>(int64_t(x) + layer.offsetX, 0);
  const int64_t top = std::max<int64_t>(int64_t(y) + layer.offsetY, 0);
  const int64_t right = std::min<int64_t>(int64_t(x) + width + layer.offsetX, width_);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + height + layer.offsetY, height_);
  if (left < right && top < bottom) {
    dirtyRect.unite(Rect(int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top)));
  }
  modified = 1;
  layer.markChanged();
}

void Document::layerChangedAll(Layer& layer) {
  layer.refresh();
  takeCurrentCopy();
  strokeCoverage.clear();
  strokeMask.clear();
  strokeColour.clear();
  dirtyRect = Rect(0, 0, width_, height_);
  modified = 1;
  layer.markChanged();
}

bool Document::swapLayers(int32_t first, int32_t second) {
  if (uint32_t(first) >= layers_.size() || uint32_t(second) >= layers_.size()) return false;
  std::swap(layers_[size_t(first)], layers_[size_t(second)]);
  std::swap(layerSelected_[size_t(first)], layerSelected_[size_t(second)]);
  return true;
}

Selection* Document::addSelection() {
  if (selections_.size() >= size_t(kMaxSelections)) return nullptr;
  auto selection = std::unique_ptr<Selection>(new (std::nothrow) Selection);
  if (selection == nullptr || !selection->resize(width_, height_)) return nullptr;
  Selection* raw = selection.get();
  selections_.push_back(std::move(selection));
  selectionFlags_.push_back(0);
  return raw;
}

bool Document::removeSelection(int32_t index) {
  if (uint32_t(index) >= selections_.size() || selections_.size() == 1) return false;
  selections_.erase(selections_.begin() + index);
  selectionFlags_.erase(selectionFlags_.begin() + index);
  if (currentSelection_ >= selectionCount()) currentSelection_ = std::max(currentSelection_ - 1, 0);
  return true;
}

bool Document::layersAtPoint(int32_t x, int32_t y, std::vector<int32_t>& out) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
  out.clear();
  Image32 scratch;  // one row of the canvas for vector layers, made when first needed
  bool scratchReady = false;
  for (int32_t i = 0; i < layerCount(); ++i) {
    const Layer& layer = *layers_[size_t(i)];
    if (!layer.visible || layer.opacity == 0) continue;
    bool hit = false;
    if (layer.kind == kLayerKindVector) {
      // The one place where the picker draws vector objects: each visible object of the layer
      // is rendered into a one-row image at row y and the pixel at x is tested.
      if (vectorRenderer_ == nullptr) continue;
      if (!scratchReady) {
        if (!scratch.resizeBuffer(width_, 1)) continue;
        scratchReady = true;
      }
      scratch.fill(0);
      drawVectorLayer(layer, scratch, 0.0, -double(y));
      hit = alphaOf(scratch.getPixel(x, 0)) != 0;
    } else {
      hit = layer.hasContentAt(int64_t(x) - layer.offsetX, int64_t(y) - layer.offsetY);
    }
    if (hit) out.push_back(i);
  }
  return !out.empty();
}

void Document::drawVectorLayer(const Layer& layer, Image32& target, double translateX, double translateY,
                               double scale) const {
  if (vectorRenderer_ == nullptr) return;
  RenderTransform transform;
  transform.translateX = translateX;
  transform.translateY = translateY;
  transform.scaleX = scale;
  transform.scaleY = scale;
  transform.antialiasOverride = layer.antialiasMode;
  transform.offsetX = layer.offsetX;
  transform.offsetY = layer.offsetY;
  for (int32_t k = 0; k < layer.strokeCount(); ++k) {
    VectorObject* object = layer.stroke(k);
    if (object->visible) vectorRenderer_->draw(*object, target, transform);
  }
}

uint64_t Document::byteEstimate() const {
  uint64_t bytes = sizeof(Document);
  for (const auto& layer : layers_) bytes += layer->byteEstimate();
  for (const auto& selection : selections_) bytes += selection->byteEstimate();
  return bytes;
}

}  // namespace kanvo
