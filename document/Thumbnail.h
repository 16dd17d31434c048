#pragma once
// The small picture of a layer or a selection shown in layer rows: at most 50 x 50 pixels,
// the canvas's aspect kept (the longer side 50, the shorter one 50 x short / long, truncated,
// at least 1).
//
// Pixel (i, j) samples the canvas point (i x step, j x step) (16.16 fixed point, step = canvas
// side / thumbnail side per axis, nearest): the point is looked up in the pixel store at
// (point - layer offset). The picture holds the colour with its alpha; the mask holds the
// alpha (32 bpp), the coverage (8 bpp) or 255 / 0 (1 bpp). Only the sampled pixels are read, so
// building a thumbnail never scans the store.
#include <cstdint>

#include "raster/pixel/Color32.h"
#include "raster/image/Image32.h"
#include "raster/image/Image8.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

class Thumbnail {
 public:
  static constexpr int32_t kMaxSide = 50;

  const Image32& picture() const { return picture_; }
  const Image8& mask() const { return mask_; }

  // The thumbnail size for a canvas of width x height (both at least 1).
  static void sizeFor(int32_t width, int32_t height, int32_t& outWidth, int32_t& outHeight);

  // Rebuilds from a store placed at (offsetX, offsetY) on a canvas of width x height. 8 and
  // 1 bpp stores are shown in colour (its colour bytes, the coverage as alpha). False when
  // the images cannot be had (the thumbnail is then empty).
  bool build(const TiledImage32& store, int64_t offsetX, int64_t offsetY, int32_t canvasWidth, int32_t canvasHeight);
  bool build(const TiledImage8& store, Color32 colour, int64_t offsetX, int64_t offsetY, int32_t canvasWidth,
             int32_t canvasHeight);
  bool build(const TiledImage1& store, Color32 colour, int64_t offsetX, int64_t offsetY, int32_t canvasWidth,
             int32_t canvasHeight);
  // A transparent thumbnail of the canvas's proportions (vector layers until drawn).
  bool reset(int32_t canvasWidth, int32_t canvasHeight);
  bool assign(const Thumbnail& other);

 private:
  template <class Sample>
  bool buildWith(int32_t canvasWidth, int32_t canvasHeight, Sample sample);

  Image32 picture_;
  Image8 mask_;
};

}  // namespace kanvo
