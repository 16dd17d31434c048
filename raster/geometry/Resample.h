#pragma once
// Image resampling: scales one Image32 onto another of a different size. The whole source
// always maps onto the whole destination; a destination rectangle only limits which
// destination pixels are computed, each still sampling the source at its own position in the
// whole destination. Averaging modes weight colours by alpha, so transparent pixels do not
// darken edges. All per-pixel work is 16.16 fixed point; doubles only derive the steps.
#include <cstdint>

#include "raster/image/Image32.h"

namespace kanvo {

enum ResampleMode : int32_t {
  kResampleNearest = 0,    // the source pixel under the destination pixel's corner
  kResampleBox = 1,        // alpha-weighted box average of the covered source area
  kResampleSixSample = 3,  // alpha-weighted mean of 3 x 2 samples across the area
};

// Told of every destination row, in order, once it is done (rows are done in bands on the
// worker pool, so several at a time): the row's index within the rectangle and the row count.
// Handed in by the caller (a progress display, or nothing); called on the calling thread.
class ResampleProgress {
 public:
  virtual ~ResampleProgress() = default;
  virtual void rowDone(int32_t row, int32_t rows) = 0;
};

// Computes the destination pixels of (x, y, width, height), clipped to the destination. When
// the destination is at least twice the source's size in either direction, nearest sampling is
// used whatever the mode. An unknown mode leaves the destination unchanged. Returns true;
// images without pixels are left alone. Bands of rows run on the worker pool; the result does
// not depend on the thread count.
bool resample(Image32& destination, const Image32& source, int32_t x, int32_t y, int32_t width, int32_t height,
              int32_t mode, ResampleProgress* progress = nullptr);
bool resampleWhole(Image32& destination, const Image32& source, int32_t mode,
                   ResampleProgress* progress = nullptr);

}  // namespace kanvo
