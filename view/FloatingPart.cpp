#include "view/FloatingPart.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace kanvo {

namespace {

constexpr int32_t kFarthest = 1 << 30;  // offsets beyond this many pixels are taken as it

// A pixel that leaves what lies under it: alpha 0, coverage 0, no ink.
template <int Bpp>
bool emptyPixel(typename TiledImage<Bpp>::Value value) {
  if constexpr (Bpp == 32)
    return alphaOf(value) == 0;
  else
    return value == 0;
}

}  // namespace

bool FloatingPart::lift(const Layer& layer, const TiledImage8& mask, bool copy) {
  end();
  layer_ = &layer;
  bool lifted = false;
  switch (layer.kind) {
    case kLayerKind32: lifted = liftDepth(layer.pixels32, mask, copy); break;
    case kLayerKind8: lifted = liftDepth(layer.pixels8, mask, copy); break;
    case kLayerKind1: lifted = liftDepth(layer.pixels1, mask, copy); break;
    default: break;
  }
  if (!lifted) end();
  return lifted;
}

// Row by row through the row protocol: a row buffer is indexed by the image's x, so pixel x of
// every depth is Traits::get(row, x).
template <int Bpp>
bool FloatingPart::liftDepth(const TiledImage<Bpp>& store, const TiledImage8& mask, bool copy) {
  using Traits = typename TiledImage<Bpp>::Traits;
  Images<Bpp>& images = imagesOf<Bpp>(*this);
  const int32_t ox = layer_->offsetX, oy = layer_->offsetY;
  // The selected pixels' bounds, as store pixels.
  Rect bounds = mask.usedBounds();
  bounds = Rect::intersect(Rect(bounds.x - ox, bounds.y - oy, bounds.width, bounds.height),
                           Rect(0, 0, int32_t(store.width()), int32_t(store.height())));
  if (bounds.width <= 0 || bounds.height <= 0) return false;
  if (!images.base.shareFrom(store) || !images.part.resize(store.width(), store.height())) return false;
  std::vector<uint8_t> selected(mask.rowBufferBytes()), pixels(store.rowBufferBytes()), part(store.rowBufferBytes());
  const int32_t x0 = bounds.x, x1 = bounds.x + bounds.width, maskWidth = int32_t(mask.width());
  bool any = false;
  for (int32_t y = bounds.y; y < bounds.y + bounds.height; ++y) {
    if (!mask.readRow(selected.data(), x0 + ox, y + oy, bounds.width)) continue;
    store.readRow(pixels.data(), x0, y, bounds.width);
    std::memset(part.data(), 0, part.size());
    bool row = false;
    for (int32_t x = std::max(x0, -ox); x < std::min(x1, maskWidth - ox); ++x) {
      if (selected[size_t(x + ox)] == 0) continue;
      Traits::set(part.data(), x, Traits::get(pixels.data(), x));
      Traits::set(pixels.data(), x, 0);
      row = true;
    }
    if (!row) continue;
    any = true;
    images.part.writeRow(part.data(), x0, y, bounds.width);
    if (!copy) images.base.writeRow(pixels.data(), x0, y, bounds.width);
  }
  part_ = bounds;
  dx_ = dy_ = 0;
  return any && placeDepth<Bpp>();
}

bool FloatingPart::moveTo(double x, double y) {
  if (layer_ == nullptr || std::isnan(x) || std::isnan(y)) return false;
  const int32_t dx = int32_t(std::clamp(std::floor(x), double(-kFarthest), double(kFarthest)));
  const int32_t dy = int32_t(std::clamp(std::floor(y), double(-kFarthest), double(kFarthest)));
  if (dx == dx_ && dy == dy_) return false;
  dx_ = dx;
  dy_ = dy;
  return place();
}

bool FloatingPart::place() {
  switch (layer_->kind) {
    case kLayerKind32: return placeDepth<32>();
    case kLayerKind8: return placeDepth<8>();
    case kLayerKind1: return placeDepth<1>();
    default: return false;
  }
}

template <int Bpp>
bool FloatingPart::placeDepth() {
  using Traits = typename TiledImage<Bpp>::Traits;
  Images<Bpp>& images = imagesOf<Bpp>(*this);
  TiledImage<Bpp>& shown = images.shown;
  if (!shown.shareFrom(images.base)) return false;
  // The part's columns that land on the store.
  const int64_t width = shown.width(), height = shown.height();
  const int32_t x0 = int32_t(std::max<int64_t>(part_.x, -int64_t(dx_)));
  const int32_t x1 = int32_t(std::min<int64_t>(int64_t(part_.x) + part_.width, width - dx_));
  if (x0 >= x1) return true;
  std::vector<uint8_t> part(shown.rowBufferBytes()), row(shown.rowBufferBytes());
  for (int32_t y = part_.y; y < part_.y + part_.height; ++y) {
    const int64_t to = int64_t(y) + dy_;
    if (to < 0 || to >= height || !images.part.readRow(part.data(), x0, y, x1 - x0)) continue;
    shown.readRow(row.data(), x0 + dx_, int32_t(to), x1 - x0);
    for (int32_t x = x0; x < x1; ++x) {
      const auto value = Traits::get(part.data(), x);
      if (!emptyPixel<Bpp>(value)) Traits::set(row.data(), x + dx_, value);
    }
    shown.writeRow(row.data(), x0 + dx_, int32_t(to), x1 - x0);
  }
  return true;
}

Rect FloatingPart::touched() const {
  Rect r = part_;
  r.unite(Rect(int32_t(std::clamp<int64_t>(int64_t(part_.x) + dx_, -kFarthest, kFarthest)),
               int32_t(std::clamp<int64_t>(int64_t(part_.y) + dy_, -kFarthest, kFarthest)), part_.width,
               part_.height));
  return r;
}

void FloatingPart::end(Layer* write) {
  if (write != nullptr && write == layer_) {
    switch (write->kind) {
      case kLayerKind32: write->pixels32 = std::move(images32_.shown); break;
      case kLayerKind8: write->pixels8 = std::move(images8_.shown); break;
      case kLayerKind1: write->pixels1 = std::move(images1_.shown); break;
      default: break;
    }
  }
  layer_ = nullptr;
  part_ = Rect();
  dx_ = dy_ = 0;
  images32_ = {};
  images8_ = {};
  images1_ = {};
}

}  // namespace kanvo
