#pragma once
// Row access shared by the span routines (internal to raster/Span*.cpp): unaligned pixel loads
// and stores, source readers for the plain and the scaled (16.16 nearest) forms, and the
// per-span argument checks. A reader is called with the destination index i = 0..count-1.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/pixel/Color32.h"

namespace kanvo::span_detail {

inline uint32_t load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

inline uint8_t* pixel32(uint8_t* row, int32_t x) { return row + size_t(x) * 4; }
inline const uint8_t* pixel32(const uint8_t* row, int32_t x) { return row + size_t(x) * 4; }

// Reads bit x of a least-significant-bit-first row.
inline int bitAt(const uint8_t* row, int64_t x) { return (row[size_t(x >> 3)] >> (x & 7)) & 1; }

// True when a span with these arguments has work to do: rows present, offsets not negative,
// count positive.
inline bool spanArgsOk(const void* dst, int32_t dstX, int32_t count) {
  return dst != nullptr && dstX >= 0 && count > 0;
}

// Plain sources: pixel srcX + i.
struct Source32 {
  const uint8_t* row;
  uint32_t operator()(int32_t i) const { return load32(row + size_t(i) * 4); }
};
struct Source8 {
  const uint8_t* row;
  int operator()(int32_t i) const { return row[i]; }
};
struct Source1 {
  const uint8_t* row;
  int64_t bitX;
  int operator()(int32_t i) const { return bitAt(row, bitX + i); }
};

// Scaled sources: destination pixel i reads source pixel (start + i * step) >> 16. Positions
// are computed in 64 bits, so long spans cannot wrap.
inline int64_t scaledIndex(int64_t start16, int64_t step16, int32_t i) { return (start16 + i * step16) >> 16; }

// The first and last source positions of a scaled span are both non-negative (the positions
// are linear in i, so every position in between is too).
inline bool scaledRangeOk(int32_t start16, int32_t step16, int32_t count) {
  return start16 >= 0 && scaledIndex(start16, step16, count - 1) >= 0;
}

struct ScaledSource32 {
  const uint8_t* row;
  int64_t start16, step16;
  uint32_t operator()(int32_t i) const { return load32(row + size_t(scaledIndex(start16, step16, i)) * 4); }
};
struct ScaledSource8 {
  const uint8_t* row;
  int64_t start16, step16;
  int operator()(int32_t i) const { return row[size_t(scaledIndex(start16, step16, i))]; }
};
struct ScaledSource1 {
  const uint8_t* row;
  int64_t start16, step16;
  int operator()(int32_t i) const { return bitAt(row, scaledIndex(start16, step16, i)); }
};

// The loop every 32-bit destination span runs: op(pixel&, source value) for each pixel.
template <class Source, class Op>
inline void forEachPixel32(uint8_t* dst, int32_t count, Source src, Op op) {
  for (int32_t i = 0; i < count; ++i) {
    uint8_t* q = dst + size_t(i) * 4;
    Color32 d = load32(q);
    op(d, src(i));
    store32(q, d);
  }
}

template <class Source, class Op>
inline void forEachByte(uint8_t* dst, int32_t count, Source src, Op op) {
  for (int32_t i = 0; i < count; ++i) op(dst[i], src(i));
}

// Applies f(destinationByte, sourceByte) to the three colour bytes; alpha from d.
template <class F>
inline Color32 mapColour(Color32 d, Color32 s, F f) {
  uint32_t out = d & 0xFF000000u;
  for (int i = 0; i < 3; ++i) {
    int dc = int((d >> (8 * i)) & 0xFF), sc = int((s >> (8 * i)) & 0xFF);
    out |= uint32_t(f(dc, sc) & 0xFF) << (8 * i);
  }
  return out;
}

}  // namespace kanvo::span_detail
