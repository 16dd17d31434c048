// Ops 12 and 23 of the 32-bit blend span, eight pixels at a time in vector registers (GCC/Clang
// vector extensions: SSE2, AVX2 or NEON code from one source). Within a block every case is
// computed and the right one selected per pixel with masks; whole blocks of transparent or
// opaque source pixels, and blocks onto transparent or opaque destinations, take short cuts.
#include "raster/span/SpanFast32.h"

#include <cstring>

// On x86-64 the row functions are also built for AVX2 with FMA (x86-64-v3) and for SSE4.1 and
// chosen at run time. The sanitizer build keeps the baseline code only, so that the test suite
// runs both the AVX2 (on this kind of machine) and the baseline code.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#ifndef KANVO_VECTOR_CLONES  // defined empty where the clones cannot be had
#define KANVO_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "sse4.1", "default")))
#endif
#else
#define KANVO_VECTOR_CLONES
#endif

namespace kanvo::span_detail {

namespace {

constexpr int kBlock = 8;
using U32 = uint32_t __attribute__((vector_size(4 * kBlock)));
using I32 = int32_t __attribute__((vector_size(4 * kBlock)));
using F32 = float __attribute__((vector_size(4 * kBlock)));
using U16 = uint16_t __attribute__((vector_size(4 * kBlock)));

// Vectors are passed by reference throughout, and the small lane helpers are macros: passing
// vectors by value would differ between the AVX2 and the baseline build of one function.
inline void load(U32& v, const uint8_t* p) { std::memcpy(&v, p, sizeof v); }
inline void store(uint8_t* p, const U32& v) { std::memcpy(p, &v, sizeof v); }

// Lane-wise x / 255 for 0 <= x <= 65279 (x + 1 + (x >> 8) stays below 65536, so 16-bit lanes
// give the same as 32-bit ones).
#define KANVO_DIV255(x) (((x) + 1u + ((x) >> 8)) >> 8)

// a where mask lanes are all ones, b where they are zero.
#define KANVO_SELECT(mask, a, b) (((a) & U32(mask)) | ((b) & ~U32(mask)))

#define KANVO_CHANNEL(p, i) (((p) >> (8 * (i))) & 255u)

// Products of two numbers below 256 in 32-bit lanes, taken in 16-bit lanes (the high halves
// are zero and stay zero): a 16-bit multiply costs a fraction of a 32-bit one.
#define KANVO_SMALL_PRODUCT(a, b) U32(U16(a) * U16(b))

// The colour bytes of each pixel in 16-bit lanes: blue and red (the even bytes), green and
// alpha (the odd ones). KANVO_BOTH_HALVES puts a per-pixel factor below 256 in both lanes.
#define KANVO_EVEN_BYTES(p) U16((p) & 0x00FF00FFu)
#define KANVO_ODD_BYTES(p) U16(((p) >> 8) & 0x00FF00FFu)
#define KANVO_BOTH_HALVES(x) U16((x) | ((x) << 16))
#define KANVO_JOIN_BYTES(even, odd) (U32(even) | (U32(odd) << 8))

// The colour bytes of d keep / 256 + s take / 256 with keep + take = 256, alpha 255: products
// and their sum stay below 65536, two channels in a 16-bit multiply.
inline void blendOntoOpaque(U32& result, const U32& s, const U32& d, const U32& k) {
  U16 k16 = KANVO_BOTH_HALVES(k);
  U16 keep = 255 - k16, take = k16 + 1;
  U16 even = (KANVO_EVEN_BYTES(d) * keep + KANVO_EVEN_BYTES(s) * take) >> 8;
  U16 odd = (KANVO_ODD_BYTES(d) * keep + KANVO_ODD_BYTES(s) * take) >> 8;
  result = (KANVO_JOIN_BYTES(even, odd) & 0x00FFFFFFu) | 0xFF000000u;
}

// Op 23 onto opaque destination pixels: blendRgbByAlpha; a transparent source changes nothing.
inline void overOntoOpaque(U32& result, const U32& s, const U32& d, const U16& w) {
  U32 sa = s >> 24;
  U32 k = KANVO_DIV255(KANVO_SMALL_PRODUCT(sa, w));
  U32 out;
  blendOntoOpaque(out, s, d, k);
  result = KANVO_SELECT(sa == 0u, d, out);
}

// Op 23 onto transparent destination pixels: the source with its alpha times w / 255 (which
// is the alpha itself at w = 255); a transparent source changes nothing.
inline void overOntoClear(U32& result, const U32& s, const U32& d, const U16& w) {
  U32 sa = s >> 24;
  U32 out = (s & 0x00FFFFFFu) | (KANVO_DIV255(KANVO_SMALL_PRODUCT(sa, w)) << 24);
  result = KANVO_SELECT(sa == 0u, d, out);
}

// Op 23, any destination pixels; anyOpaque tells whether some destination pixel is opaque. A
// transparent destination and an opaque source at full weight need no case of their own: the
// over formula gives exactly the source there. The division by the alpha sum takes a float
// estimate, within one of the quotient, and corrects it by the remainder. Its numerators,
// products and remainders are whole numbers below 2^24, so float arithmetic on them is exact
// and gives the same steps as the integer form of divideByAlphaSum.
inline void overAny(U32& result, const U32& s, const U32& d, const U16& w, bool anyOpaque) {
  U32 sa = s >> 24, da = d >> 24;
  U32 saw = KANVO_SMALL_PRODUCT(sa, w);
  U32 k = KANVO_DIV255(saw);
  U32 sum = saw - KANVO_SMALL_PRODUCT(k, da) + ((da << 8) - da);  // 255 x the resulting alpha
  I32 den = I32(sum - U32(sum == 0u));  // sum is 0 only where the source is transparent
  U32 e = KANVO_SMALL_PRODUCT(KANVO_DIV255(65025u - saw), da);
  F32 denF = __builtin_convertvector(den, F32);
  F32 eF = __builtin_convertvector(I32(e), F32), sawF = __builtin_convertvector(I32(saw), F32);
  F32 reciprocal = 1.0f / denF;
  U32 composed = KANVO_DIV255(sum) << 24;
  for (int i = 0; i < 3; ++i) {
    F32 dc = __builtin_convertvector(I32(KANVO_CHANNEL(d, i)), F32);
    F32 sc = __builtin_convertvector(I32(KANVO_CHANNEL(s, i)), F32);
    F32 num = dc * eF + sc * sawF;
    I32 q = __builtin_convertvector(num * reciprocal, I32);
    F32 rem = num - __builtin_convertvector(q, F32) * denF;
    q = q - I32(rem >= denF) + I32(rem < 0.0f);  // comparisons give -1 where true
    composed |= U32(q) << (8 * i);
  }
  if (anyOpaque) {
    U32 blended;
    blendOntoOpaque(blended, s, d, k);
    composed = KANVO_SELECT(da == 255u, blended, composed);
  }
  result = KANVO_SELECT(sa == 0u, d, composed);
}

// Op 12: k = 255 for an opaque source, s.a x w / 255 otherwise (0 for a transparent one, which
// leaves the pixel as it is); each colour byte (s.c k + d.c (255 - k)) / 255; alpha kept. The
// sums stay below 65026: two channels in a 16-bit multiply.
inline void replaceColour(U32& result, const U32& s, const U32& d, const U16& w) {
  U32 sa = s >> 24;
  U32 k = KANVO_SELECT(sa == 255u, U32{} + 255u, KANVO_DIV255(KANVO_SMALL_PRODUCT(sa, w)));
  U16 k16 = KANVO_BOTH_HALVES(k), keep = 255 - k16;
  U16 even = KANVO_EVEN_BYTES(s) * k16 + KANVO_EVEN_BYTES(d) * keep;
  U16 odd = KANVO_ODD_BYTES(s) * k16 + KANVO_ODD_BYTES(d) * keep;
  result = (KANVO_JOIN_BYTES(KANVO_DIV255(even), KANVO_DIV255(odd)) & 0x00FFFFFFu) | (d & 0xFF000000u);
}

// The alpha bytes of the block at p: any not 0, all 255. Four scalar 64-bit reads.
struct AlphaSummary {
  bool anyVisible, allOpaque;
};
constexpr uint64_t kAlphaBytes = 0xFF000000FF000000ull;
inline AlphaSummary summarise(const uint8_t* p) {
  uint64_t o = 0, a = ~0ull;
  for (int j = 0; j < kBlock / 2; ++j) {
    uint64_t v;
    std::memcpy(&v, p + 8 * j, 8);
    o |= v;
    a &= v;
  }
  return {(o & kAlphaBytes) != 0, (a & kAlphaBytes) == kAlphaBytes};
}

// Whether some alpha byte of the block at p is 255.
inline bool anyOpaque(const uint8_t* p) {
  bool any = false;
  for (int j = 0; j < kBlock / 2; ++j) {
    uint64_t v;
    std::memcpy(&v, p + 8 * j, 8);
    const uint64_t missing = ~v & kAlphaBytes;  // zero alpha lanes of this are 255 in v
    any |= uint32_t(missing) == 0 || (missing >> 32) == 0;
  }
  return any;
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
  const U16 wu = U16{} + uint16_t(w);
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
      overAny(out, s, d, wu, anyOpaque(dp));
    store(dp, out);
  }
  if (i < count)
    tail(src + size_t(i) * 4, dst + size_t(i) * 4, count - i,
         [wu](U32& r, const U32& sv, const U32& dv) { overAny(r, sv, dv, wu, true); });
}

KANVO_VECTOR_CLONES void replaceColourRow32(const uint8_t* src, uint8_t* dst, int32_t count, int w) {
  const U16 wu = U16{} + uint16_t(w);
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
#undef KANVO_SMALL_PRODUCT
#undef KANVO_EVEN_BYTES
#undef KANVO_ODD_BYTES
#undef KANVO_BOTH_HALVES
#undef KANVO_JOIN_BYTES

}  // namespace kanvo::span_detail
