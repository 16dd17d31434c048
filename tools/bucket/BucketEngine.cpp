#include "tools/bucket/BucketEngine.h"

#include <cmath>

#include "document/BusyScope.h"
#include "tools/bucket/RegionSample.h"
#include "tools/fill/MaskFill.h"

namespace kanvo {

namespace {

constexpr const char* kBucketLabel = "Fill (Bucket)";

}  // namespace

BucketEngine::BucketEngine(Document& document, UndoHistory& history, const ToolSettings& settings,
                           RedrawSink* sink)
    : document_(document), history_(history), settings_(settings), sink_(sink) {}

bool BucketEngine::fill(CanvasPoint at) {
  if (document_.busy != 0) return false;
  Layer* layer = document_.currentLayer();
  if (layer == nullptr || !layer->isRaster() || layer->visible == 0 || layer->locked != 0) return false;
  if (!std::isfinite(at.x) || !std::isfinite(at.y)) return false;
  const double x = std::floor(at.x), y = std::floor(at.y);
  if (x < 0 || y < 0 || x >= document_.width() || y >= document_.height()) return false;
  Rect changed;
  {
    BusyScope busy(document_.busy);
    changed = fillAt(*layer, int32_t(x), int32_t(y));
    region_ = TiledImage8();  // a large region's tiles are not kept between fills
  }
  // The view draws nothing while the document is busy.
  if (changed.isEmpty()) return false;
  if (sink_ != nullptr) sink_->redrawCanvasRect(changed);
  return true;
}

Rect BucketEngine::fillAt(Layer& layer, int32_t x, int32_t y) {
  const ToolOptions& options = settings_.options;
  if (!fillRegion(document_, layer, options.bucketSampleSource == 0, region_, x, y, options.bucketTolerance))
    return Rect();
  return fillThroughMask(document_, history_, layer, region_, FillPaint{settings_.foreground(), 255},
                         kBucketLabel);
}

}  // namespace kanvo
