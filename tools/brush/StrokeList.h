#pragma once
// The samples of the brush stroke in progress and the rules that filter them. One list per
// ToolSettings; every stroke start sets its parameters again, so a stroke keeps the values it
// started with.
#include <cstdint>
#include <vector>

#include "tools/BrushParams.h"

namespace kanvo {

// One stylus sample. x and y are canvas pixels relative to the layer's origin (the store's
// pixel (0, 0)); pressure is 0 ... 1 (1 when the device gives none).
struct StrokeSample {
  double x = 0.0, y = 0.0;
  double pressure = 1.0;
  double extra0 = 0.0, extra1 = 0.0;
  double eraserMark = 0.0;  // -1 when the sample comes from the pen's second button
  uint32_t tick = 0;        // clock milliseconds
};

struct StrokeList {
  std::vector<StrokeSample> samples;
  uint32_t minInterval = 50;   // milliseconds
  double minDistance = 5.0;    // screen pixels
  uint8_t keepDuplicates = 0;  // 0: a sample at the last sample's position is dropped
  uint8_t spline = 1;          // 1: segments follow a spline through the samples
  uint8_t smoothing = 1;       // 1: each sample is averaged with its neighbours before drawing
  BrushParams* params = nullptr;  // the brush of the stroke (not owned)

  int32_t count() const { return int32_t(samples.size()); }
};

}  // namespace kanvo
