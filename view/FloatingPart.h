#pragma once
// The part of a raster layer lifted for a move, kept by the view while it floats: the selected
// pixels (mask value not 0) of the layer's store, cut out of it or copied, and their offset.
//
// The layer itself does not change while the part floats. The view draws the layer from
// shown(): the layer without the cut pixels (or as it is, for a copy) with the part's pixels
// at the offset's whole pixels (its floor), each replacing what lies under it unless it is
// empty (alpha 0, coverage 0, no ink), so that the part's clear pixels never erase. Ending the float
// with write makes shown() the layer's store; without, the layer stays as it was, so a part
// that returns to offset (0, 0) puts every pixel back unchanged. Pixels moved off the store
// are lost. Coordinates: the mask is in canvas pixels, the store's pixel (0, 0) lies at the
// layer's offset.
#include <cstdint>

#include "document/Layer.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

class FloatingPart {
 public:
  // Lifts the selected pixels of layer. False, with nothing floating, for a layer that is not
  // raster, a mask without selected pixels on the store, or no memory.
  bool lift(const Layer& layer, const TiledImage8& mask, bool copy);
  bool floating() const { return layer_ != nullptr; }
  const Layer* layer() const { return layer_; }

  // The offset in canvas pixels. True when its whole pixels changed (shown() changed).
  bool moveTo(double x, double y);
  int32_t dx() const { return dx_; }
  int32_t dy() const { return dy_; }
  // The store rectangle the part covered at the lift, joined with where it lies now.
  Rect touched() const;

  // The store the view draws for the layer, of the layer kind's depth.
  template <int Bpp>
  const TiledImage<Bpp>& shown() const {
    return imagesOf<Bpp>(*this).shown;
  }

  // Ends the float. With write (the layer the part was lifted from), the layer's store becomes
  // shown(); the caller refreshes the layer. Without, nothing changes.
  void end(Layer* write = nullptr);

 private:
  template <int Bpp>
  bool liftDepth(const TiledImage<Bpp>& store, const TiledImage8& mask, bool copy);
  template <int Bpp>
  bool placeDepth();
  bool place();

  const Layer* layer_ = nullptr;
  Rect part_;          // the part's store rectangle at the lift
  int32_t dx_ = 0, dy_ = 0;
  // Per depth (only the layer kind's is used): the layer without the part, the part's pixels
  // (store-sized, present only about part_) and the store shown.
  template <int Bpp>
  struct Images {
    TiledImage<Bpp> base, part, shown;
  };
  Images<32> images32_;
  Images<8> images8_;
  Images<1> images1_;
  template <int Bpp, class Self>
  static auto& imagesOf(Self& self) {
    if constexpr (Bpp == 32)
      return self.images32_;
    else if constexpr (Bpp == 8)
      return self.images8_;
    else
      return self.images1_;
  }
};

}  // namespace kanvo
