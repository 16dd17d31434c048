#include "formats/CompositeRows.h"

#include <algorithm>

#include "document/DocumentCompositor.h"
#include "raster/parallel/WorkerPool.h"

namespace kanvo {

CompositeRows::CompositeRows(const Document& document, const CompositeOptions& options, Progress* progress)
    : document_(document), options_(options), progress_(progress) {
  const int32_t bandCount = (document.height() + Document::kBandRows - 1) / Document::kBandRows;
  for (int32_t i = std::min(bandsAtOnce(document), bandCount); i > 0 && ready_; --i)
    ready_ = bands_.emplace_back(document.width(), Document::kBandRows).hasPixels();
}

const Color32* CompositeRows::row(int32_t y) {
  if (!ready() || y < 0 || y >= document_.height()) return nullptr;
  const int32_t band = y / Document::kBandRows;
  if (band < firstBand_ || band >= firstBand_ + heldBands_) {
    const int32_t last = (document_.height() - 1) / Document::kBandRows;
    const int32_t count = std::min(int32_t(bands_.size()), last + 1 - band);
    parallel::parallelFor(size_t(count), [&](size_t k) {
      document_.compositeRow(bands_[k], options_, band + int32_t(k), 0);
    });
    firstBand_ = band;
    heldBands_ = count;
    if (progress_ != nullptr)
      for (int32_t b = band; b < band + count; ++b) progress_->report(b, document_.height() / Document::kBandRows);
  }
  return bands_[size_t(band - firstBand_)].pixelAddress(0, y - band * Document::kBandRows);
}

CompositeOptions exportCompositeOptions(Color32 background) {
  CompositeOptions options;
  options.background = background;
  options.monochrome = 0;
  options.coverageAsIs = 0;
  return options;
}

}  // namespace kanvo
