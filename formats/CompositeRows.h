#pragma once
// The composite of a whole document handed out row by row, for writers that take rows in
// order: the document compositor fills bands of 256 rows (Document::compositeRow), as many at
// once as bandsAtOnce allows, each on a thread of the worker pool, so a picture of any size
// costs that many bands of memory. The rows equal those of Document::flatten with the same
// options.
//
// Rows are asked for with increasing y (0 ... height - 1); asking for a row outside the bands
// held composites the bands from the one that holds it. Progress (optional) is reported after
// each band as (band index, height / 256), as flatten reports it.
#include <cstdint>
#include <deque>

#include "document/CompositeOptions.h"
#include "document/Document.h"
#include "document/Progress.h"
#include "raster/pixel/Color32.h"
#include "raster/image/Image32.h"

namespace kanvo {

class CompositeRows {
 public:
  // The document must outlive this object and stay unchanged while rows are taken.
  CompositeRows(const Document& document, const CompositeOptions& options, Progress* progress = nullptr);

  // False when the band could not be had (no row is then given).
  bool ready() const { return ready_; }
  // Row y of the composite (document width pixels, valid until the next call); null for a y
  // outside the canvas or without a band.
  const Color32* row(int32_t y);

 private:
  const Document& document_;
  CompositeOptions options_;
  Progress* progress_;
  std::deque<Image32> bands_;
  bool ready_ = true;
  int32_t firstBand_ = 0;  // bands_[0 ... heldBands_) hold the bands from this one
  int32_t heldBands_ = 0;
};

// The options for pictures that leave the program (exports and flat saves): the document's
// look as shown, over the background given.
CompositeOptions exportCompositeOptions(Color32 background);

}  // namespace kanvo
