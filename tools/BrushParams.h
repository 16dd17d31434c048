#pragma once
// One brush: its dab kind, size and opacity, and how they follow the stylus pressure.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace kanvo {

struct BrushParams {
  int32_t kind = 0;              // dab kind: 0 round, 2 paint mixing, 3, 4, 6 further kinds, 5 stamp
  std::string name = "NONAME";   // display name (CP932)
  double size = 10.0;            // diameter in pixels at full pressure
  double savedSize = 10.0;       // restored when a brush-size press ends without a drag
  double alpha = 1.0;            // opacity, 0 to 1
  double minimumRatio = 0.0;     // diameter fraction kept at zero pressure
  uint8_t sizeFollowsPressure = 1;
  uint8_t alphaFollowsPressure = 0;
  double pressureExponent = 1.0;
  int32_t word = 0;
  int32_t stampOffsetX = 0;      // source offset of the stamp
  int32_t stampOffsetY = 0;
  int32_t dotSize = 1;           // copied from the tool settings when the dot brush starts
  uint8_t flag = 1;

  // The pressure as the brush uses it: clamped to [0, 1], then raised to the exponent.
  double curvedPressure(double pressure) const {
    return std::pow(std::clamp(pressure, 0.0, 1.0), pressureExponent);
  }
  // Diameter at a pressure already curved by curvedPressure.
  double diameterAt(double curved) const {
    if (!sizeFollowsPressure) return size;
    return size * (minimumRatio + (1.0 - minimumRatio) * curved);
  }
};

// The brush-size drag keeps sizes within these bounds.
constexpr double kMinBrushSize = 0.5;
constexpr double kMaxBrushSize = 500.0;

}  // namespace kanvo
