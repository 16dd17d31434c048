// Ops 12 and 23 of the 32-bit blend span, eight pixels at a time in vector registers (GCC/Clang
// vector extensions: SSE2, AVX2 or NEON code from one source). Within a block every case is
// computed and the right one selected per pixel with masks; whole blocks of transparent or
// opaque source pixels, and blocks onto transparent or opaque destinations, take short cuts.
#include "raster/span/SpanFast32.h"

#include <cstring>

// On x86-64 the row functions are also built for AVX2 and SSE4.1 and chosen at run time. The
// sanitizer build keeps the baseline code only, so that the test suite runs both the AVX2 (on
// this kind of machine) and the baseline code.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define KANVO_VECTOR_CLONES __attribute__((target_clones("avx2", "sse4.1", "default")))
#else
#define KANVO_VECTOR_CLONES
#endif

namespace kanvo::span_detail {

namespace {

constexpr int kBlock = 8;
using U32 = uint32_t __attribute__((vector_size(4 * kBlock)));
using I32 = int32_t __attribute__((vector_size(4 * kBlock)));
using F32 = float __attribute__((vector_size(4 * kBlock)));

// Vectors are passed by reference throughout, and the small lane helpers are macros: passing
// vectors by value would differ between the AVX2 and the baseline build of one function.
inline void load(U32& v, const uint8_t* p) { std::memcpy(&v, p, sizeof v); }
inline void store(uint8_t* p, const U32& v) { std::memcpy(p, &v, sizeof v); }

// Lane-wise x / 255 for 0 <= x <= 65534.
#define KANVO_DIV255(x) (((x) + 1u + ((x) >> 8)) >> 8)

// a where mask lanes are all ones, b where they are zero.
#define KANVO_SELECT(mask, a, b) (((a) & U32(mask)) | ((b) & ~U32(mask)))

#define KANVO_CHANNEL(p, i) (((p) >> (8 * (i))) & 255u)

// Op 23 onto opaque destination pixels: blendRgbByAlpha; a transparent source changes nothing.
inline void overOntoOpaque(U32& result, const U32& s, const U32& d, uint32_t w) {
  U32 sa = s >> 24;
  U32 k = KANVO_DIV255(sa * w);
  U32 keep = 255u - k, take = k + 1u;
  U32 out = U32{} + 0xFF000000u;
  for (int i = 0; i < 3; ++i) out |= ((KANVO_CHANNEL(d, i) * keep + KANVO_CHANNEL(s, i) * take) >> 8) << (8 * i);
  result = KANVO_SELECT(sa == 0u, d, out);
}

// Op 23 onto transparent destination pixels: the source with its alpha times w / 255 (which
// is the alpha itself at w = 255); a transparent source changes nothing.
inline void overOntoClear(U32& result, const U32& s, const U32& d, uint32_t w) {
  U32 sa = s >> 24;
  U32 out = (s & 0x00FFFFFFu) | (KANVO_DIV255(sa * w) << 24);
  result = KANVO_SELECT(sa == 0u, d, out);
}

// Op 23, any destination pixels. A transparent destination and an opaque source at full weight
// need no case of their own: the over formula gives exactly the source there. The division by
// the alpha sum takes a float estimate, within one of the quotient, and corrects it by the
// remainder.
inline void overAny(U32& result, const U32& s, const U32& d, uint32_t w) {
  U32 sa = s >> 24, da = d >> 24;
  U32 saw = sa * w;
  U32 k = KANVO_DIV255(saw);
  U32 keep = 255u - k, take = k + 1u;
  U32 sum = saw - k * da + da * 255u;   // 255 x the resulting alpha
  I32 den = I32(sum - U32(sum == 0u));  // sum is 0 only where the source is transparent
  U32 e = KANVO_DIV255(65025u - saw) * da;
  F32 reciprocal = 1.0f / __builtin_convertvector(den, F32);
  U32 blended = U32{} + 0xFF000000u, composed = KANVO_DIV255(sum) << 24;
  for (int i = 0; i < 3; ++i) {
    U32 dc = KANVO_CHANNEL(d, i), sc = KANVO_CHANNEL(s, i);
    blended |= ((dc * keep + sc * take) >> 8) << (8 * i);
    I32 num = I32(dc * e + sc * saw);
    I32 q = __builtin_convertvector(__builtin_convertvector(num, F32) * reciprocal, I32);
    I32 rem = num - q * den;
    q = q - I32(rem >= den) + I32(rem < 0);  // comparisons give -1 where true
    composed |= U32(q) << (8 * i);
  }
  result = KANVO_SELECT(sa == 0u, d, KANVO_SELECT(da == 255u, blended, composed));
}

// Op 12: k = 255 for an opaque source, s.a x w / 255 otherwise (0 for a transparent one, which
// leaves the pixel as it is); each colour byte (s.c k + d.c (255 - k)) / 255; alpha kept.
inline void replaceColour(U32& result, const U32& s, const U32& d, uint32_t w) {
  U32 sa = s >> 24;
  U32 k = KANVO_SELECT(sa == 255u, U32{} + 255u, KANVO_DIV255(sa * w));
  U32 keep = 255u - k;
  U32 out = d & 0xFF000000u;
  for (int i = 0; i < 3; ++i) {
    U32 mixed = KANVO_CHANNEL(s, i) * k + KANVO_CHANNEL(d, i) * keep;
    out |= KANVO_DIV255(mixed) << (8 * i);
  }
  result = out;
}

// The alpha bytes of the block at p: any not 0, all 255. Four scalar 64-bit reads.
struct AlphaSummary {
  bool anyVisible, allOpaque;
};
inline AlphaSummary summarise(const uint8_t* p) {
  constexpr uint64_t kAlphaBytes = 0xFF000000FF000000ull;
  uint64_t o = 0, a = ~0ull;
  for (int j = 0; j < kBlock / 2; ++j) {
    uint64_t v;
    std::memcpy(&v, p + 8 * j, 8);
    o |= v;
    a &= v;
  }
  return {(o & kAlphaBytes) != 0, (a & kAlphaBytes) == kAlphaBytes};
}

// The last count < kBlock pixels go through a zero-padded block.
template <class F>
inline void tail(const uint8_t* sp, uint8_t* dp, int32_t count, F f) {
  uint8_t sb[4 * kBlock] = {}, db[4 * kBlock] = {};
  std::memcpy(sb, sp, size_t(count) * 4);
  std::memcpy(db, dp, size_t(count) * 4);
  U32 s, d, out;
  load(s, sb);
  load(d, db);
  f(out, s, d);
  store(db, out);
  std::memcpy(dp, db, size_t(count) * 4);
}

}  // namespace

KANVO_VECTOR_CLONES void overRow32(const uint8_t* src, uint8_t* dst, int32_t count, int w) {
  const uint32_t wu = uint32_t(w);
  U32 s, d, out;
  int32_t i = 0;
  for (; i + kBlock <= count; i += kBlock) {
    const uint8_t* sp = src + size_t(i) * 4;
    uint8_t* dp = dst + size_t(i) * 4;
    AlphaSummary sum = summarise(sp);
    if (!sum.anyVisible) continue;  // all transparent: nothing changes
    load(s, sp);
    if (w == 255 && sum.allOpaque) {  // all opaque at full weight: copied
      store(dp, s);
      continue;
    }
    load(d, dp);
    AlphaSummary under = summarise(dp);
    if (under.allOpaque)
      overOntoOpaque(out, s, d, wu);
    else if (!under.anyVisible)
      overOntoClear(out, s, d, wu);
    else
      overAny(out, s, d, wu);
    store(dp, out);
  }
  if (i < count)
    tail(src + size_t(i) * 4, dst + size_t(i) * 4, count - i,
         [wu](U32& r, const U32& sv, const U32& dv) { overAny(r, sv, dv, wu); });
}

KANVO_VECTOR_CLONES void replaceColourRow32(const uint8_t* src, uint8_t* dst, int32_t count, int w) {
  const uint32_t wu = uint32_t(w);
  U32 s, d, out;
  int32_t i = 0;
  for (; i + kBlock <= count; i += kBlock) {
    const uint8_t* sp = src + size_t(i) * 4;
    uint8_t* dp = dst + size_t(i) * 4;
    AlphaSummary sum = summarise(sp);
    if (!sum.anyVisible) continue;
    load(s, sp);
    load(d, dp);
    if (sum.allOpaque)  // opaque sources replace the colour bytes outright
      out = (d & 0xFF000000u) | (s & 0x00FFFFFFu);
    else
      replaceColour(out, s, d, wu);
    store(dp, out);
  }
  if (i < count)
    tail(src + size_t(i) * 4, dst + size_t(i) * 4, count - i,
         [wu](U32& r, const U32& sv, const U32& dv) { replaceColour(r, sv, dv, wu); });
}

#undef KANVO_DIV255
#undef KANVO_SELECT
#undef KANVO_CHANNEL

}  // namespace kanvo::span_detail
