// The whole-document operations of Document: resizeImage (nearest stretch of every layer and
// selection), cropToRect (crop or extend) and assign (deep copy). Each builds every new
// pixel store first and changes the document only when all of them could be had.
#include <algorithm>
#include <new>
#include <vector>

#include "document/BusyScope.h"
#include "document/Document.h"
#include "raster/tiled/TiledCopy.h"
#include "raster/tiled/TiledResample.h"

namespace kanvo {

namespace {

// The new stores of one layer while a whole-document operation is being prepared.
struct NewStores {
  TiledImage32 s32;
  TiledImage8 s8;
  TiledImage1 s1;
};

// side x to / from, truncated, at least 1.
uint32_t scaleSide(uint32_t side, int32_t to, int32_t from) {
  return uint32_t(std::max<int64_t>(int64_t(side) * to / from, 1));
}

template <int Bpp>
bool stretchStore(const TiledImage<Bpp>& store, TiledImage<Bpp>& out, int32_t newW, int32_t oldW, int32_t newH,
                  int32_t oldH) {
  return out.resize(scaleSide(store.width(), newW, oldW), scaleSide(store.height(), newH, oldH)) &&
         resampleNearest(store, out);
}

template <int Bpp>
bool cropStore(const TiledImage<Bpp>& store, TiledImage<Bpp>& out, int32_t width, int32_t height, int64_t dx,
               int64_t dy) {
  if (!out.resize(uint32_t(width), uint32_t(height))) return false;
  if (!copyPixels(store, 0, 0, store.width(), store.height(), out, dx, dy)) return false;
  out.dropEmptyTiles();
  return true;
}

void report(Progress* progress, int32_t done, int32_t total) {
  if (progress != nullptr) progress->report(done, total);
}

}  // namespace

// Each layer's new store is made by makeStore(layer, store, newStore) for the store of its
// kind and each selection's new mask by makeMask(mask, newMask); only when all of them and the
// new canvas size could be had are they installed, placeLayer(layer) adjusting each layer
// after its new store is in.
template <class MakeStore, class MakeMask, class PlaceLayer>
bool Document::replaceStores(int32_t width, int32_t height, Progress* progress, MakeStore makeStore,
                             MakeMask makeMask, PlaceLayer placeLayer) {
  BusyScope busyScope(busy);
  std::vector<NewStores> stores;
  std::vector<TiledImage8> masks;
  try {
    stores.resize(layers_.size());
    masks.resize(selections_.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (size_t i = 0; i < layers_.size(); ++i) {
    const Layer& layer = *layers_[i];
    NewStores& to = stores[i];
    bool ok = true;
    switch (layer.kind) {
      case kLayerKind32: ok = makeStore(layer, layer.pixels32, to.s32); break;
      case kLayerKind8: ok = makeStore(layer, layer.pixels8, to.s8); break;
      case kLayerKind1: ok = makeStore(layer, layer.pixels1, to.s1); break;
      default: break;
    }
    if (!ok) return false;
  }
  for (size_t i = 0; i < selections_.size(); ++i) {
    if (!makeMask(selections_[i]->mask, masks[i])) return false;
  }
  if (!setSize(width, height)) return false;

  const int32_t total = layerCount() + selectionCount();
  int32_t done = 0;
  for (size_t i = 0; i < layers_.size(); ++i) {
    Layer& layer = *layers_[i];
    switch (layer.kind) {
      case kLayerKind32: layer.pixels32 = std::move(stores[i].s32); break;
      case kLayerKind8: layer.pixels8 = std::move(stores[i].s8); break;
      case kLayerKind1: layer.pixels1 = std::move(stores[i].s1); break;
      default: break;
    }
    placeLayer(layer);
    layer.refresh();
    report(progress, done++, total);
  }
  for (size_t i = 0; i < selections_.size(); ++i) {
    selections_[i]->mask = std::move(masks[i]);
    selections_[i]->refresh();
    report(progress, done++, total);
  }
  if (!layers_.empty()) selectLayer(currentLayer_);
  return true;
}

bool Document::resizeImage(int32_t width, int32_t height, Progress* progress) {
  const int32_t newW = std::clamp(width, kMinSide, kMaxSide), newH = std::clamp(height, kMinSide, kMaxSide);
  const int32_t oldW = width_, oldH = height_;
  return replaceStores(
      newW, newH, progress,
      [&](const Layer&, const auto& store, auto& out) { return stretchStore(store, out, newW, oldW, newH, oldH); },
      [&](const TiledImage8& mask, TiledImage8& out) {
        return out.resize(uint32_t(newW), uint32_t(newH)) && resampleNearest(mask, out);
      },
      [&](Layer& layer) {
        layer.offsetX = int32_t(int64_t(layer.offsetX) * newW / oldW);
        layer.offsetY = int32_t(int64_t(layer.offsetY) * newH / oldH);
      });
}

bool Document::cropToRect(const Rect& rect, Progress* progress) {
  const int32_t newW = std::clamp(rect.width, kMinSide, kMaxSide);
  const int32_t newH = std::clamp(rect.height, kMinSide, kMaxSide);
  return replaceStores(
      newW, newH, progress,
      [&](const Layer& layer, const auto& store, auto& out) {
        const int64_t dx = int64_t(layer.offsetX) - rect.x, dy = int64_t(layer.offsetY) - rect.y;
        return cropStore(store, out, newW, newH, dx, dy);
      },
      [&](const TiledImage8& mask, TiledImage8& out) {
        return mask.presentTileCount() > 0 ? cropStore(mask, out, newW, newH, -int64_t(rect.x), -int64_t(rect.y))
                                           : out.resize(uint32_t(newW), uint32_t(newH));
      },
      [&](Layer& layer) {
        if (layer.isRaster()) layer.setOffset(0, 0);
        for (int32_t k = 0; k < layer.strokeCount(); ++k) layer.stroke(k)->translate(-double(rect.x), -double(rect.y));
        layer.vectorWidth = newW;
        layer.vectorHeight = newH;
      });
}

bool Document::assign(const Document& other, Progress* progress) {
  if (&other == this) return true;
  BusyScope busyScope(busy);
  if (!takeContents(other, false, progress)) return false;
  if (!layers_.empty()) selectLayer(currentLayer_);
  return true;
}

bool Document::shareFrom(const Document& other) {
  if (&other == this) return true;
  return takeContents(other, true, nullptr);
}

bool Document::takeContents(const Document& other, bool share, Progress* progress) {
  // The copies are made for this document at other's resolution (tone patterns depend on it).
  const int32_t oldResolution = resolution;
  resolution = other.resolution;
  std::vector<std::unique_ptr<Layer>> layers;
  std::vector<std::unique_ptr<Selection>> selections;
  std::vector<uint8_t> layerFlags, selectionFlags;
  bool ok = true;
  try {
    layers.reserve(kMaxLayers);
    selections.reserve(kMaxSelections);
    layerFlags.reserve(kMaxLayers);
    selectionFlags.reserve(kMaxSelections);
    layerFlags.assign(other.layerSelected_.begin(), other.layerSelected_.end());
    selectionFlags.assign(other.selectionFlags_.begin(), other.selectionFlags_.end());
    const int32_t total = other.layerCount() + other.selectionCount();
    int32_t done = 0;
    for (const auto& from : other.layers_) {
      auto layer = std::unique_ptr<Layer>(new (std::nothrow) Layer(this));
      if (layer == nullptr || !(share ? layer->shareFrom(*from, this) : layer->copyFrom(*from, this))) {
        ok = false;
        break;
      }
      layers.push_back(std::move(layer));
      report(progress, done++, total);
    }
    for (size_t i = 0; ok && i < other.selections_.size(); ++i) {
      auto selection = std::unique_ptr<Selection>(new (std::nothrow) Selection);
      const Selection& from = *other.selections_[i];
      if (selection == nullptr || !(share ? selection->shareFrom(from) : selection->copyFrom(from))) {
        ok = false;
        break;
      }
      selections.push_back(std::move(selection));
      report(progress, done++, total);
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok || !setSize(other.width_, other.height_)) {
    resolution = oldResolution;
    return false;
  }
  layers_.swap(layers);
  selections_.swap(selections);
  layerSelected_.swap(layerFlags);
  selectionFlags_.swap(selectionFlags);
  currentLayer_ = other.currentLayer_;
  currentSelection_ = other.currentSelection_;
  layerSerial_ = std::max(layerSerial_, other.layerSerial_);
  return true;
}

}  // namespace kanvo
