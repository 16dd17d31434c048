// Ops 12 and 23 of the 32-bit blend span, a block of pixels at a time in vector registers
// (GCC/Clang vector extensions: SSE2, AVX2, AVX-512 or NEON code from one source). Within a
// block every case is computed and the right one selected per pixel with masks; whole blocks of
// transparent or opaque source pixels, and blocks onto transparent or opaque destinations, take
// short cuts.
#include "raster/span/SpanFast32.h"

#include <algorithm>
#include <cstring>

// On x86-64 the rows are also built for AVX-512 (x86-64-v4, sixteen pixels a block), AVX2 with
// FMA (x86-64-v3) and SSE4.1, and the best the machine runs is chosen once. The sanitizer
// builds keep the baseline code only, so that the test suite also runs that.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define KANVO_SPAN_VARIANTS 1
#endif

namespace kanvo::span_detail {

namespace {

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

// Vectors of Bytes bytes of T (the typedef form: an alias declaration drops the attribute).
template <class T, int Bytes>
struct Vector {
  typedef T type __attribute__((vector_size(Bytes)));
};

// The rows over blocks of kBlock pixels. Every member is inlined into the row functions below,
// which are built once per instruction set; vectors are passed by reference throughout. kAvx:
// the AVX2 and AVX-512 forms, which have fused multiply-adds and byte shuffles across a block.
template <int kBlock, bool kAvx>
struct Rows {
  using U32 = typename Vector<uint32_t, 4 * kBlock>::type;
  using I32 = typename Vector<int32_t, 4 * kBlock>::type;
  using F32 = typename Vector<float, 4 * kBlock>::type;
  using U16 = typename Vector<uint16_t, 4 * kBlock>::type;

  [[gnu::always_inline]] static void load(U32& v, const uint8_t* p) { std::memcpy(&v, p, sizeof v); }
  [[gnu::always_inline]] static void store(uint8_t* p, const U32& v) { std::memcpy(p, &v, sizeof v); }
  // s = lane j of (a followed by b) at lanes[j]: one permute where the compiler has it; clang,
  // which only the fuzzing build uses, takes the lanes one by one.
  [[gnu::always_inline]] static void joinWindow(U32& s, const U32& a, const U32& b, const U32& lanes) {
#if defined(__clang__)
    for (int j = 0; j < kBlock; ++j) s[j] = lanes[j] < uint32_t(kBlock) ? a[lanes[j]] : b[lanes[j] - kBlock];
#else
    s = __builtin_shuffle(a, b, lanes);
#endif
  }

  // The colour bytes of d keep / 256 + s take / 256 with keep + take = 256, alpha 255: products
  // and their sum stay below 65536, two channels in a 16-bit multiply.
  [[gnu::always_inline]] static void blendOntoOpaque(U32& result, const U32& s, const U32& d, const U32& k) {
    U16 k16 = KANVO_BOTH_HALVES(k);
    U16 keep = 255 - k16, take = k16 + 1;
    U16 even = (KANVO_EVEN_BYTES(d) * keep + KANVO_EVEN_BYTES(s) * take) >> 8;
    U16 odd = (KANVO_ODD_BYTES(d) * keep + KANVO_ODD_BYTES(s) * take) >> 8;
    result = (KANVO_JOIN_BYTES(even, odd) & 0x00FFFFFFu) | 0xFF000000u;
  }

  // Op 23 onto opaque destination pixels: blendRgbByAlpha; a transparent source changes nothing.
  [[gnu::always_inline]] static void overOntoOpaque(U32& result, const U32& s, const U32& d, const U16& w) {
    U32 sa = s >> 24;
    U32 k = KANVO_DIV255(KANVO_SMALL_PRODUCT(sa, w));
    U32 out;
    blendOntoOpaque(out, s, d, k);
    result = KANVO_SELECT(sa == 0u, d, out);
  }

  // Op 23 onto transparent destination pixels: the source with its alpha times w / 255 (which
  // is the alpha itself at w = 255); a transparent source changes nothing.
  [[gnu::always_inline]] static void overOntoClear(U32& result, const U32& s, const U32& d, const U16& w) {
    U32 sa = s >> 24;
    U32 out = (s & 0x00FFFFFFu) | (KANVO_DIV255(KANVO_SMALL_PRODUCT(sa, w)) << 24);
    result = KANVO_SELECT(sa == 0u, d, out);
  }

  // Op 23, any destination pixels; anyOpaque tells whether some destination pixel is opaque. A
  // transparent destination and an opaque source at full weight need no case of their own: the
  // over formula gives exactly the source there. The division by the alpha sum is the steps of
  // divideByAlphaSum lane by lane (numerators, products and remainders are whole numbers below
  // 2^24, so float arithmetic on them is exact), or with fused multiply-adds (kAvx: the
  // compiler contracts each product and sum below into one) those of divideByAlphaSumFused.
  [[gnu::always_inline]] static void overAny(U32& result, const U32& s, const U32& d, const U16& w,
                                             bool anyOpaque) {
    U32 sa = s >> 24, da = d >> 24;
    U32 saw = KANVO_SMALL_PRODUCT(sa, w);
    U32 k = KANVO_DIV255(saw);
    U32 sum = saw - KANVO_SMALL_PRODUCT(k, da) + ((da << 8) - da);  // 255 x the resulting alpha
    I32 den = I32(sum > 1u ? sum : U32{} + 1u);  // sum is 0 only where the source is transparent
    U32 e = KANVO_SMALL_PRODUCT(KANVO_DIV255(65025u - saw), da);
    F32 denF = __builtin_convertvector(den, F32);
    F32 eF = __builtin_convertvector(I32(e), F32), sawF = __builtin_convertvector(I32(saw), F32);
    F32 hi = 1.0f / denF;
    // Half the reciprocal by lowering its exponent (exact, the reciprocal being a normal float):
    // an integer step the compiler cannot fold into a fused multiply-add as it would 0.5f * hi,
    // so each channel's rest below is one fused multiply-add, rounded as divideByAlphaSumFused.
    F32 lo = (1.0f - denF * hi) * hi, half = F32(I32(hi) - (1 << 23));
    F32 below = F32(I32(hi) - 1);  // the float just below the rounded reciprocal
    U32 composed = KANVO_DIV255(sum) << 24;
    for (int i = 0; i < 3; ++i) {
      F32 dc = __builtin_convertvector(I32(KANVO_CHANNEL(d, i)), F32);
      F32 sc = __builtin_convertvector(I32(KANVO_CHANNEL(s, i)), F32);
      F32 num = dc * eF + sc * sawF;
      I32 q;
      if constexpr (kAvx) {
        F32 rest = num * lo + half;
        q = __builtin_convertvector(num * hi + rest, I32);
      } else {
        q = __builtin_convertvector(num * below, I32);
        F32 rem = num - __builtin_convertvector(q, F32) * denF;
        q = q - I32(rem >= denF);  // comparisons give -1 where true
      }
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
  [[gnu::always_inline]] static void replaceColour(U32& result, const U32& s, const U32& d, const U16& w) {
    U32 sa = s >> 24;
    U32 k = KANVO_SELECT(sa == 255u, U32{} + 255u, KANVO_DIV255(KANVO_SMALL_PRODUCT(sa, w)));
    U16 k16 = KANVO_BOTH_HALVES(k), keep = 255 - k16;
    U16 even = KANVO_EVEN_BYTES(s) * k16 + KANVO_EVEN_BYTES(d) * keep;
    U16 odd = KANVO_ODD_BYTES(s) * k16 + KANVO_ODD_BYTES(d) * keep;
    result = (KANVO_JOIN_BYTES(KANVO_DIV255(even), KANVO_DIV255(odd)) & 0x00FFFFFFu) | (d & 0xFF000000u);
  }

  // A block's alphas as 64-bit words: with AVX narrowed to bytes (one instruction for sixteen
  // lanes, two shuffles for eight), all of each word alpha; otherwise the pixels themselves,
  // whose alpha bytes kAlphas marks (narrowing costs more there than it saves).
  static constexpr int kWords = kAvx ? kBlock / 8 : kBlock / 2;
  static constexpr uint64_t kAlphas = kAvx ? ~0ull : 0xFF000000FF000000ull;
  [[gnu::always_inline]] static void alphaWords(uint64_t (&words)[kWords], const U32& v) {
    using Bytes = typename Vector<uint8_t, 4 * kBlock>::type;
    if constexpr (kAvx && kBlock == 16) {
      typename Vector<uint8_t, kBlock>::type alphas =
          __builtin_convertvector(v >> 24, typename Vector<uint8_t, kBlock>::type);
      std::memcpy(words, &alphas, sizeof words);
    } else if constexpr (kAvx && kBlock == 8) {
      Bytes alphas = __builtin_shuffle(Bytes(v), Bytes{3, 7, 11, 15, 19, 23, 27, 31});
      std::memcpy(words, &alphas, sizeof words);
    } else {
      std::memcpy(words, &v, sizeof v);
    }
  }

  // Of a block's alphas: any not 0, all 255.
  struct AlphaSummary {
    bool anyVisible, allOpaque;
  };
  [[gnu::always_inline]] static AlphaSummary summarise(const U32& v) {
    uint64_t words[kWords], o = 0, a = ~0ull;
    alphaWords(words, v);
    for (uint64_t w : words) {
      o |= w;
      a &= w;
    }
    return {(o & kAlphas) != 0, (a & kAlphas) == kAlphas};
  }

  // Whether some alpha of the block is 255: x holds the complements of the alphas and ones in
  // every other byte, and the borrow of x - 1 per byte reaches the top bit of a byte (the
  // lowest such byte exactly) only where that byte is 0.
  [[gnu::always_inline]] static bool anyOpaque(const U32& v) {
    uint64_t words[kWords], zeroBytes = 0;
    alphaWords(words, v);
    for (uint64_t w : words) {
      const uint64_t x = ~w | ~kAlphas;
      zeroBytes |= (x - 0x0101010101010101ull) & ~x;
    }
    return (zeroBytes & 0x8080808080808080ull) != 0;
  }

  // The last count < kBlock pixels go through a zero-padded block.
  template <class F>
  [[gnu::always_inline]] static void tail(const uint8_t* sp, uint8_t* dp, int32_t count, F f) {
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

  // The blocks of a tile row.
  static constexpr int kRowBlocks = 64 / kBlock;

  // Runs block(out, s, dp, summary) on every whole block of every row with a visible source
  // pixel, storing out at dp (blocks of transparent sources change nothing), and the tail,
  // which lies in the left rows, through op. A block of a row comes from the left row, from
  // the right row, or, for the one block that straddles the join, from a window onto the last
  // block of the left row and the first of the right, which are both whole.
  template <class Block, class Op>
  [[gnu::always_inline]] static void walk(const JoinedRows& rows, uint8_t* dst, Block block, Op op) {
    const int32_t shift = rows.shift, count = rows.count, split = count - shift;
    const int32_t whole = count - count % kBlock;
    const size_t stride = size_t(rows.stride);
    const uint8_t* left = rows.left + size_t(shift) * 4;
    const uint8_t* right = shift != 0 ? rows.right : left;
    // Each row: the blocks wholly in the left row, up to leftEnd; the straddling block, if the
    // join falls inside one; the right row's blocks; the tail.
    const int32_t leftEnd = std::min(whole, split - split % kBlock);
    const bool straddles = split % kBlock != 0 && leftEnd < whole;
    U32 lanes;
    for (int j = 0; j < kBlock; ++j) lanes[j] = uint32_t(j + kBlock - split % kBlock);
    const auto one = [&](const U32& s, uint8_t* dp) {
      const AlphaSummary sum = summarise(s);
      if (!sum.anyVisible) return;
      U32 out;
      block(out, s, dp, sum);
      store(dp, out);
    };
    if (count == kRowBlocks * kBlock) {
      // Whole tile rows: every row takes its blocks from the same places, so the places are
      // found once and each row runs its blocks unrolled, without loops of a few turns (whose
      // exits the processor mispredicts).
      const uint8_t* from[kRowBlocks];
      bool joins[kRowBlocks];
      for (int j = 0; j < kRowBlocks; ++j) {
        const int32_t i = j * kBlock;
        joins[j] = straddles && i == leftEnd;
        from[j] = i < leftEnd ? left + size_t(i) * 4
                  : joins[j]  ? left + size_t(split - kBlock) * 4
                              : right + size_t(i - split) * 4;
      }
      for (int32_t r = 0; r < rows.rows; ++r) {
        const size_t at = size_t(r) * stride;
        // The right row's pixels past the join are read by the next call (of the next tile),
        // whose left row this is: asked for now, each row is fetched whole and in address
        // order, not in two passes over parts of rows, which memory serves far worse. (A hint
        // only: a prefetch reads nothing into the result and never faults.)
        if (shift != 0) {
          for (int32_t b = shift * 4; b < count * 4; b += 64) __builtin_prefetch(rows.right + at + b, 0, 3);
          __builtin_prefetch(rows.right + at + count * 4 - 4, 0, 3);
        }
#pragma GCC unroll 16
        for (int j = 0; j < kRowBlocks; ++j) {
          U32 s;
          if (joins[j]) {
            U32 last, first;
            load(last, from[j] + at);
            load(first, right + at);
            joinWindow(s, last, first, lanes);
          } else {
            load(s, from[j] + at);
          }
          one(s, dst + at + size_t(j) * kBlock * 4);
        }
      }
      return;
    }
    for (int32_t r = 0; r < rows.rows; ++r) {
      U32 s;
      int32_t i = 0;
      for (; i < leftEnd; i += kBlock) {
        load(s, left + size_t(i) * 4);
        one(s, dst + size_t(i) * 4);
      }
      if (straddles) {
        U32 last, first;
        load(last, left + size_t(split - kBlock) * 4);
        load(first, right);
        joinWindow(s, last, first, lanes);
        one(s, dst + size_t(i) * 4);
        i += kBlock;
      }
      for (; i < whole; i += kBlock) {
        load(s, right + size_t(i - split) * 4);
        one(s, dst + size_t(i) * 4);
      }
      if (i < count) tail(left + size_t(i) * 4, dst + size_t(i) * 4, count - i, op);
      left += stride;
      right += stride;
      dst += stride;
    }
  }

  [[gnu::always_inline]] static void over(const JoinedRows& src, uint8_t* dst, int w) {
    const U16 wu = U16{} + uint16_t(w);
    walk(
        src, dst,
        [&](U32& out, const U32& s, const uint8_t* dp, AlphaSummary sum) {
          if (w == 255 && sum.allOpaque) {  // all opaque at full weight: copied
            out = s;
            return;
          }
          U32 d;
          load(d, dp);
          AlphaSummary under = summarise(d);
          if (under.allOpaque)
            overOntoOpaque(out, s, d, wu);
          else if (!under.anyVisible)
            overOntoClear(out, s, d, wu);
          else
            overAny(out, s, d, wu, anyOpaque(d));
        },
        [wu](U32& r, const U32& sv, const U32& dv) { overAny(r, sv, dv, wu, true); });
  }

  [[gnu::always_inline]] static void replaceColour(const JoinedRows& src, uint8_t* dst, int w) {
    const U16 wu = U16{} + uint16_t(w);
    walk(
        src, dst,
        [&](U32& out, const U32& s, const uint8_t* dp, AlphaSummary sum) {
          U32 d;
          load(d, dp);
          if (sum.allOpaque)  // opaque sources replace the colour bytes outright
            out = (d & 0xFF000000u) | (s & 0x00FFFFFFu);
          else
            replaceColour(out, s, d, wu);
        },
        [wu](U32& r, const U32& sv, const U32& dv) { replaceColour(r, sv, dv, wu); });
  }
};

#undef KANVO_DIV255
#undef KANVO_SELECT
#undef KANVO_CHANNEL
#undef KANVO_SMALL_PRODUCT
#undef KANVO_EVEN_BYTES
#undef KANVO_ODD_BYTES
#undef KANVO_BOTH_HALVES
#undef KANVO_JOIN_BYTES

// The row functions of one instruction set: the joined rows, and a plain row as joined rows of one.
#define KANVO_ROW_FORMS(name, attributes, block, avx)                                           \
  attributes void name##OverRows(const JoinedRows& s, uint8_t* d, int w) {                        \
    Rows<block, avx>::over(s, d, w);                                                             \
  }                                                                                                \
  attributes void name##ReplaceColourRows(const JoinedRows& s, uint8_t* d, int w) {               \
    Rows<block, avx>::replaceColour(s, d, w);                                                    \
  }                                                                                                \
  attributes void name##Over(const uint8_t* s, uint8_t* d, int32_t n, int w) {                    \
    Rows<block, avx>::over({s, nullptr, 0, n, 1, 0}, d, w);                                      \
  }                                                                                                \
  attributes void name##ReplaceColour(const uint8_t* s, uint8_t* d, int32_t n, int w) {           \
    Rows<block, avx>::replaceColour({s, nullptr, 0, n, 1, 0}, d, w);                             \
  }                                                                                                \
  constexpr FastRowForms name##Forms = {name##Over, name##ReplaceColour, name##OverRows, name##ReplaceColourRows};

KANVO_ROW_FORMS(baseline, , 8, false)
#ifdef KANVO_SPAN_VARIANTS
KANVO_ROW_FORMS(sse41, __attribute__((target("sse4.1"))), 8, false)
KANVO_ROW_FORMS(avx2, __attribute__((target("arch=x86-64-v3"))), 8, true)
KANVO_ROW_FORMS(avx512, __attribute__((target("arch=x86-64-v4"))), 16, true)
#endif
#undef KANVO_ROW_FORMS

struct Forms {
  FastRowForms list[4];
  int count = 0;
  Forms() {
#ifdef KANVO_SPAN_VARIANTS
    if (__builtin_cpu_supports("x86-64-v4")) list[count++] = avx512Forms;
    if (__builtin_cpu_supports("x86-64-v3")) list[count++] = avx2Forms;
    if (__builtin_cpu_supports("sse4.1")) list[count++] = sse41Forms;
#endif
    list[count++] = baselineForms;
  }
};

const Forms& forms() {
  static const Forms f;
  return f;
}

}  // namespace

std::span<const FastRowForms> fastRowForms() { return {forms().list, size_t(forms().count)}; }

void overRow32(const uint8_t* src, uint8_t* dst, int32_t count, int w) { forms().list[0].over(src, dst, count, w); }

void replaceColourRow32(const uint8_t* src, uint8_t* dst, int32_t count, int w) {
  forms().list[0].replaceColour(src, dst, count, w);
}

void overRows32(const JoinedRows& src, uint8_t* dst, int w) { forms().list[0].overRows(src, dst, w); }

void replaceColourRows32(const JoinedRows& src, uint8_t* dst, int w) {
  forms().list[0].replaceColourRows(src, dst, w);
}

}  // namespace kanvo::span_detail
