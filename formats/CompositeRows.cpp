#include "formats/CompositeRows.h"

namespace kanvo {

CompositeRows::CompositeRows(const Document& document, const CompositeOptions& options, Progress* progress)
    : document_(document),
      options_(options),
      progress_(progress),
      band_(document.width(), Document::kBandRows) {}

const Color32* CompositeRows::row(int32_t y) {
  if (!ready() || y < 0 || y >= document_.height()) return nullptr;
  const int32_t band = y / Document::kBandRows;
  if (band != bandIndex_) {
    document_.compositeRow(band_, options_, band, 0);
    bandIndex_ = band;
    if (progress_ != nullptr) progress_->report(band, document_.height() / Document::kBandRows);
  }
  return band_.pixelAddress(0, y - band * Document::kBandRows);
}

CompositeOptions exportCompositeOptions(Color32 background) {
  CompositeOptions options;
  options.background = background;
  options.monochrome = 0;
  options.coverageAsIs = 0;
  return options;
}

}  // namespace kanvo
