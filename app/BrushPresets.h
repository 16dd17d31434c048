#pragma once
// The eight brush sizes of the bottom bar's preset buttons, smallest first.
namespace kanvo {

inline constexpr int kBrushPresetCount = 8;
inline constexpr double kBrushPresets[kBrushPresetCount] = {1.5, 3, 5, 7, 10, 13, 18, 25};

// The preset nearest a size (the first of two equally near).
int nearestBrushPreset(double size);

}  // namespace kanvo
