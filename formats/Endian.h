#pragma once
// Loading and storing 16- and 32-bit integers in a given byte order at unaligned addresses.
// The caller guarantees that the bytes exist; the bounded readers (ByteReader, FileStream)
// check that first.
#include <cstdint>

namespace kanvo {

inline uint16_t loadU16LE(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint16_t loadU16BE(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t loadU32LE(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint32_t loadU32BE(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void storeU16LE(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void storeU16BE(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
inline void storeU32LE(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void storeU32BE(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

}  // namespace kanvo
