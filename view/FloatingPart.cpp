#include "view/FloatingPart.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kanvo {

namespace {

constexpr int32_t kFarthest = 1 << 30;  // offsets beyond this many pixels are taken as it

// Calls f(x, y) for every selected pixel of mask inside rect, skipping absent mask tiles.
template <class F>
void forEachSelected(const TiledImage8& mask, const Rect& rect, F f) {
  const int32_t x1 = rect.x + rect.width, y1 = rect.y + rect.height;
  for (int32_t ty = rect.y >> 6; ty <= (y1 - 1) >> 6; ++ty)
    for (int32_t tx = rect.x >> 6; tx <= (x1 - 1) >> 6; ++tx) {
      if (!mask.tileExists(tx, ty)) continue;
      for (int32_t y = std::max(rect.y, ty * 64); y < std::min(y1, ty * 64 + 64); ++y)
        for (int32_t x = std::max(rect.x, tx * 64); x < std::min(x1, tx * 64 + 64); ++x)
          if (mask.getPixel(x, y) != 0) f(x, y);
    }
}

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
  if (mask_.shareFrom(mask)) {
    switch (layer.kind) {
      case kLayerKind32: lifted = liftDepth(layer.pixels32, copy); break;
      case kLayerKind8: lifted = liftDepth(layer.pixels8, copy); break;
      case kLayerKind1: lifted = liftDepth(layer.pixels1, copy); break;
      default: break;
    }
  }
  if (!lifted) end();
  return lifted;
}

template <int Bpp>
bool FloatingPart::liftDepth(const TiledImage<Bpp>& store, bool copy) {
  TiledImage<Bpp>& base = imagesOf<Bpp>(*this).base;
  TiledImage<Bpp>& part = imagesOf<Bpp>(*this).part;
  const int32_t ox = layer_->offsetX, oy = layer_->offsetY;
  // The selected pixels' bounds, as store pixels.
  Rect bounds = mask_.usedBounds();
  bounds = Rect::intersect(Rect(bounds.x - ox, bounds.y - oy, bounds.width, bounds.height),
                           Rect(0, 0, int32_t(store.width()), int32_t(store.height())));
  if (bounds.width <= 0 || bounds.height <= 0) return false;
  if (!base.shareFrom(store) || !part.resize(uint32_t(bounds.width), uint32_t(bounds.height))) return false;
  bool any = false;
  forEachSelected(mask_, Rect(bounds.x + ox, bounds.y + oy, bounds.width, bounds.height), [&](int32_t x, int32_t y) {
    const int32_t sx = x - ox, sy = y - oy;
    part.setPixel(sx - bounds.x, sy - bounds.y, store.getPixel(sx, sy));
    if (!copy) base.setPixel(sx, sy, 0);
    any = true;
  });
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
  Images<Bpp>& images = imagesOf<Bpp>(*this);
  const TiledImage<Bpp>& base = images.base;
  const TiledImage<Bpp>& part = images.part;
  TiledImage<Bpp>& shown = images.shown;
  if (!shown.shareFrom(base)) return false;
  const int32_t ox = layer_->offsetX, oy = layer_->offsetY;
  forEachSelected(mask_, Rect(part_.x + ox, part_.y + oy, part_.width, part_.height), [&](int32_t x, int32_t y) {
    const int32_t sx = x - ox, sy = y - oy;
    const auto value = part.getPixel(sx - part_.x, sy - part_.y);
    if (!emptyPixel<Bpp>(value)) shown.setPixel(int32_t(int64_t(sx) + dx_), int32_t(int64_t(sy) + dy_), value);
  });
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
  mask_ = TiledImage8();
  images32_ = {};
  images8_ = {};
  images1_ = {};
}

}  // namespace kanvo
