#pragma once
// Key codes: the Windows virtual-key numbers, which the platform layer maps its keys onto
// (letters and digits are their upper-case ASCII codes).
#include <cstdint>

namespace kanvo::keys {

constexpr int32_t kShift = 0x10;
constexpr int32_t kControl = 0x11;
constexpr int32_t kAlt = 0x12;
constexpr int32_t kReturn = 0x0D;
constexpr int32_t kEscape = 0x1B;
constexpr int32_t kNonConvert = 0x1D;
constexpr int32_t kSpace = 0x20;
constexpr int32_t kPageUp = 0x21;
constexpr int32_t kPageDown = 0x22;
constexpr int32_t kLeft = 0x25;
constexpr int32_t kUp = 0x26;
constexpr int32_t kRight = 0x27;
constexpr int32_t kDown = 0x28;
constexpr int32_t kA = 'A';
constexpr int32_t kD = 'D';
constexpr int32_t kF = 'F';
constexpr int32_t kV = 'V';
constexpr int32_t kZ = 'Z';
constexpr int32_t kNumpadPlus = 0x6B;
constexpr int32_t kNumpadMinus = 0x6D;
constexpr int32_t kF5 = 0x74;
constexpr int32_t kF6 = 0x75;
constexpr int32_t kPlus = 0xBB;
constexpr int32_t kMinus = 0xBD;

}  // namespace kanvo::keys
