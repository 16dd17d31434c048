#pragma once
// A 32-bit colour: bytes blue, green, red, alpha in memory (0xAARRGGBB read as a little-endian
// 32-bit value), straight alpha. Colour arithmetic treats bytes 0, 1 and 2 alike.
#include <cstdint>

namespace kanvo {

using Color32 = uint32_t;

constexpr uint32_t kOpaqueBlack = 0xFF000000u;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;

constexpr int blueOf(Color32 c) { return int(c & 0xFF); }
constexpr int greenOf(Color32 c) { return int((c >> 8) & 0xFF); }
constexpr int redOf(Color32 c) { return int((c >> 16) & 0xFF); }
constexpr int alphaOf(Color32 c) { return int(c >> 24); }
// Byte i (0 blue, 1 green, 2 red, 3 alpha).
constexpr int byteOf(Color32 c, int i) { return int((c >> (8 * i)) & 0xFF); }

constexpr Color32 makeColor(int b, int g, int r, int a) {
  return uint32_t(b & 0xFF) | uint32_t(g & 0xFF) << 8 | uint32_t(r & 0xFF) << 16 | uint32_t(a & 0xFF) << 24;
}
constexpr Color32 rgba(int r, int g, int b, int a = 255) { return makeColor(b, g, r, a); }

}  // namespace kanvo
