#include "app/BrushPresets.h"

#include <cmath>

namespace kanvo {

int nearestBrushPreset(double size) {
  int best = 0;
  for (int i = 1; i < kBrushPresetCount; ++i)
    if (std::abs(kBrushPresets[i] - size) < std::abs(kBrushPresets[best] - size)) best = i;
  return best;
}

}  // namespace kanvo
