// The document compositor: Document::compositeRow, Document::flatten, Document::probeColour.
#include "document/DocumentCompositor.h"

#include <algorithm>

#include "document/Document.h"
#include "raster/parallel/WorkerPool.h"

namespace kanvo {

namespace {

// Runs span(params, tileRow, tileX, targetRow, targetX, count) for every present tile row of
// the store that overlaps the target, the store's (0, 0) lying at (destX, destY).
template <int Bpp, class Span>
void compositeTiles(Image32& target, const SpanParams& params, int64_t destX, int64_t destY,
                    const TiledImage<Bpp>& store, Span span) {
  if (!target.hasPixels() || store.presentTileCount() == 0 || opChangesWhereSourceEmpty(params.op) ||
      params.op == kOpCopy) {
    return;
  }
  const int64_t x0 = std::max<int64_t>(0, -destX), x1 = std::min<int64_t>(store.width(), target.width() - destX);
  const int64_t y0 = std::max<int64_t>(0, -destY), y1 = std::min<int64_t>(store.height(), target.height() - destY);
  if (x0 >= x1 || y0 >= y1) return;
  // Tile by tile, each tile's rows in order: a tile is read front to back, as the memory's
  // prefetching expects, and looked up once.
  const int32_t tx0 = int32_t(x0 >> kTileShift), tx1 = int32_t((x1 - 1) >> kTileShift);
  const int32_t ty0 = int32_t(y0 >> kTileShift), ty1 = int32_t((y1 - 1) >> kTileShift);
  for (int32_t ty = ty0; ty <= ty1; ++ty) {
    const int64_t top = int64_t(ty) << kTileShift;
    const int64_t rowFrom = std::max(y0, top), rowTo = std::min(y1, top + kTileSize);
    for (int32_t tx = tx0; tx <= tx1; ++tx) {
      const auto* tile = store.tile(tx, ty);
      if (tile == nullptr) continue;
      const int64_t left = int64_t(tx) << kTileShift;
      const int32_t from = int32_t(std::max(x0, left) - left);
      const int32_t to = int32_t(std::min(x1, left + kTileSize) - left);
      for (int64_t y = rowFrom; y < rowTo; ++y)
        span(params, tile->bits() + size_t(y - top) * TileTraits<Bpp>::kRowBytes, from,
             target.rowAddress(int32_t(y + destY)), int32_t(left + from + destX), to - from);
    }
  }
}

}  // namespace

void compositeStore(Image32& target, const SpanParams& params, int64_t destX, int64_t destY,
                    const TiledImage32& store) {
  compositeTiles(target, params, destX, destY, store, blendSpan32);
}

void compositeStore(Image32& target, const SpanParams& params, int64_t destX, int64_t destY,
                    const TiledImage8& store) {
  compositeTiles(target, params, destX, destY, store, coverageSpan32);
}

void compositeStore(Image32& target, const SpanParams& params, int64_t destX, int64_t destY,
                    const TiledImage1& store) {
  compositeTiles(target, params, destX, destY, store, bitSpan32);
}

CompositeSource compositeSourceOf(const Layer& layer, bool coverageAsIs) {
  switch (layer.kind) {
    case kLayerKind32: return CompositeSource::kColour32;
    case kLayerKind8:
      return layer.toneMode != 0 && !coverageAsIs ? CompositeSource::kBits1 : CompositeSource::kCoverage8;
    case kLayerKind1: return CompositeSource::kBits1;
    case kLayerKindVector: return CompositeSource::kVector;
    default: return CompositeSource::kNothing;
  }
}

namespace {

bool drawsVectorLayer(const Document& document) {
  for (int32_t i = 0; i < document.layerCount(); ++i) {
    const Layer& layer = *document.layer(i);
    if (layer.visible != 0 && layer.kind == kLayerKindVector) return true;
  }
  return false;
}

}  // namespace

int32_t bandsAtOnce(const Document& document) { return drawsVectorLayer(document) ? 1 : parallel::threadCount(); }

void Document::compositeRow(Image32& band, const CompositeOptions& options, int32_t bandIndex, int32_t x0) const {
  compositeRows(band, options, int64_t(band.height()) * bandIndex, x0);
}

void Document::compositeRows(Image32& band, const CompositeOptions& options, int64_t top, int32_t x0) const {
  if (!band.hasPixels()) return;
  band.fill(options.background);
  const int64_t dy = -top;
  for (const auto& entry : layers_) {
    const Layer& layer = *entry;
    if (layer.visible == 0) continue;
    SpanParams params;
    params.op = documentBlendOp(layer.blendMode);
    params.opacity = layer.opacity;
    params.paint = options.monochrome != 0 ? monochromeColour(layer.colour) : layer.colour;
    const int64_t destX = int64_t(layer.offsetX) + x0, destY = int64_t(layer.offsetY) + dy;
    switch (compositeSourceOf(layer, options.coverageAsIs != 0)) {
      case CompositeSource::kColour32: compositeStore(band, params, destX, destY, layer.pixels32); break;
      case CompositeSource::kCoverage8: compositeStore(band, params, destX, destY, layer.pixels8); break;
      case CompositeSource::kBits1: compositeStore(band, params, destX, destY, layer.pixels1); break;
      case CompositeSource::kVector:
        // The one place where the band compositor draws vector objects: each visible object
        // goes to the renderer with scale 1, the band's translation and the layer's offset.
        drawVectorLayer(layer, band, double(x0), double(dy));
        break;
      default: break;
    }
  }
}

namespace {

// Sets a flag for the duration of a scope.
class GuardScope {
 public:
  explicit GuardScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~GuardScope() { flag_ = false; }
  GuardScope(const GuardScope&) = delete;
  GuardScope& operator=(const GuardScope&) = delete;

 private:
  bool& flag_;
};

// Rows first ... first + count - 1 of an image (all inside it), addressed as an image of their
// own; it owns nothing and cannot be resized.
class RowsOf final : public Image32 {
 public:
  RowsOf(Image32& image, int32_t first, int32_t count) : Image32(NoPixels{}) {
    info_ = ImageInfo::make(image.width(), count, kBytesPerPixel);
    data_ = image.rowAddress(first);
  }
  ~RowsOf() override { RowsOf::releasePixels(); }
  void releasePixels() override {
    data_ = nullptr;
    info_ = ImageInfo();
  }
  bool resizeBuffer(int32_t, int32_t) override { return false; }
};

}  // namespace

bool Document::flatten(Image32& target, const CompositeOptions& options, Progress* progress) {
  if (flattening_ || !target.hasPixels()) return false;
  GuardScope guard(flattening_);
  // Each band is composited straight into the target's rows, a round of bandsAtOnce bands at a
  // time, and the progress is reported between rounds on this thread. Within a band the rows go
  // a tile row at a time, which stays in the cache while every layer is laid over it; with a
  // vector layer the whole band at once, as the vector renderer draws it.
  const int32_t bands = target.height() / kBandRows;
  const int32_t perRound = std::min(bandsAtOnce(*this), bands + 1);
  const int32_t step = drawsVectorLayer(*this) ? kBandRows : kTileSize;
  // Bands 0 ... height / 256 inclusive: a height that is a multiple of 256 gets a last band
  // lying wholly below the target, which composites nothing.
  for (int32_t first = 0; first <= bands; first += perRound) {
    const int32_t count = std::min(perRound, bands + 1 - first);
    parallel::parallelFor(size_t(count), [&](size_t k) {
      const int64_t top = int64_t(first + int32_t(k)) * kBandRows;
      const int64_t end = std::min<int64_t>(top + kBandRows, target.height());
      for (int64_t y = top; y < end; y += step) {
        RowsOf rows(target, int32_t(y), int32_t(std::min<int64_t>(step, end - y)));
        compositeRows(rows, options, y, 0);
      }
    });
    if (progress != nullptr)
      for (int32_t b = first; b < first + count; ++b) progress->report(b, bands);
  }
  return true;
}

Color32 Document::probeColour(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  Image32 row(width_, 1);
  if (!row.hasPixels()) return 0;
  CompositeOptions options;
  options.background = kOpaqueWhite;
  options.monochrome = 0;
  options.coverageAsIs = 1;
  compositeRow(row, options, y, 0);
  return row.getPixel(x, 0);
}

}  // namespace kanvo
