// The spans with a 1 bpp destination: threshold (8-bit to 1-bit), blit (1-bit to 1-bit) and
// fill. They work a byte at a time: a run of n <= 8 bits is shifted to the destination's bit
// offset and combined with one destination byte, or two when it crosses a byte boundary.
#include <algorithm>

#include "raster/pixel/BitTables.h"
#include "raster/span/SpanAccess.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

namespace {

enum class BitOp { Copy, And, Or, Xor, AndNot };

// Combines the bits v under mask m into d; bits outside m are kept.
template <BitOp Op>
inline void combine(uint8_t& d, unsigned v, unsigned m) {
  if constexpr (Op == BitOp::Copy) d = uint8_t((d & ~m) | (v & m));
  if constexpr (Op == BitOp::And) d = uint8_t(d & (v | ~m));
  if constexpr (Op == BitOp::Or) d = uint8_t(d | (v & m));
  if constexpr (Op == BitOp::Xor) d = uint8_t(d ^ (v & m));
  if constexpr (Op == BitOp::AndNot) d = uint8_t(d & ~(v & m));
}

// A cursor over the destination bits: put() combines the n (<= 8) low bits of `bits` at the
// current position and advances.
template <BitOp Op>
struct BitWriter {
  uint8_t* byte;
  int offset;  // 0..7
  const BitTables& tables;

  void put(unsigned bits, int n) {
    unsigned v = (bits & tables.lowMask(n)) << offset;
    unsigned m = unsigned(tables.lowMask(n)) << offset;
    combine<Op>(byte[0], v & 0xFFu, m & 0xFFu);
    if (m > 0xFFu) combine<Op>(byte[1], v >> 8, m >> 8);
    offset += n;
    byte += offset >> 3;
    offset &= 7;
  }
};

template <BitOp Op>
BitWriter<Op> writerAt(uint8_t* dst, int32_t bitX) {
  return BitWriter<Op>{dst + (bitX >> 3), int(bitX & 7), bitTables()};
}

// Destination runs aligned to destination bytes: the rest of the first byte, whole bytes, the
// remaining bits. bitsOf(i, n) returns the n bits for destination bits i .. i + n - 1.
template <BitOp Op, class BitsOf>
void writeAligned(uint8_t* dst, int32_t bitX, int32_t count, BitsOf bitsOf) {
  BitWriter<Op> out = writerAt<Op>(dst, bitX);
  int32_t done = 0;
  if (out.offset != 0) {
    int n = std::min<int32_t>(8 - out.offset, count);
    out.put(bitsOf(0, n), n);
    done = n;
  }
  for (; count - done >= 8; done += 8) out.put(bitsOf(done, 8), 8);
  if (count > done) out.put(bitsOf(done, count - done), count - done);
}

template <BitOp Op>
void blitBits(const uint8_t* src, int32_t srcBitX, uint8_t* dst, int32_t dstBitX, int32_t count) {
  const BitTables& t = bitTables();
  const uint8_t* s = src + (srcBitX >> 3);
  const int so = srcBitX & 7;
  BitWriter<Op> out = writerAt<Op>(dst, dstBitX);
  int32_t left = count;
  if (so != 0) {  // the rest of the source's first byte
    int n = std::min<int32_t>(8 - so, left);
    out.put((*s++ >> so) & t.lowMask(n), n);
    left -= n;
  }
  for (; left >= 8; left -= 8) out.put(*s++, 8);
  if (left > 0) out.put(*s & t.lowMask(left), int(left));
}

// Gathers n threshold bits for destination bits i .. i + n - 1 from a per-pixel predicate.
template <class Pred>
auto gather(Pred pred) {
  return [pred](int32_t i, int n) {
    unsigned bits = 0;
    for (int j = 0; j < n; ++j) bits |= unsigned(pred(i + j)) << j;
    return bits;
  };
}

bool bitSpanArgsOk(const void* dst, int32_t dstBitX, int32_t count) {
  return dst != nullptr && dstBitX >= 0 && count > 0;
}

}  // namespace

void thresholdSpan(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstBitX,
                   int32_t count) {
  if (src == nullptr || srcX < 0 || !bitSpanArgsOk(dst, dstBitX, count)) return;
  const uint8_t* s = src + srcX;
  auto high = gather([s](int32_t i) { return s[i] >= 128; });
  switch (p.op) {
    case kOpCopy:
      writeAligned<BitOp::Copy>(dst, dstBitX, count, high);
      break;
    case kOpOr:
      writeAligned<BitOp::Or>(dst, dstBitX, count, high);
      break;
    case kOpSubtract:
      writeAligned<BitOp::AndNot>(dst, dstBitX, count, high);
      break;
    case kOpSubtractInverse:
      writeAligned<BitOp::AndNot>(dst, dstBitX, count, gather([s](int32_t i) { return s[i] < 128; }));
      break;
    default:
      break;
  }
}

void maskedThresholdSpan(const SpanParams& p, const uint8_t* src, int32_t srcX, const uint8_t* mask,
                         int32_t maskX, uint8_t* dst, int32_t dstBitX, int32_t count) {
  if (src == nullptr || mask == nullptr || srcX < 0 || maskX < 0 || !bitSpanArgsOk(dst, dstBitX, count)) return;
  const uint8_t* s = src + srcX;
  const uint8_t* m = mask + maskX;
  auto both = gather([s, m](int32_t i) { return s[i] >= 128 && m[i] >= 128; });
  if (p.op == kOpOr) writeAligned<BitOp::Or>(dst, dstBitX, count, both);
  if (p.op == kOpSubtract) writeAligned<BitOp::AndNot>(dst, dstBitX, count, both);
}

void blitSpan1(const SpanParams& p, const uint8_t* src, int32_t srcBitX, uint8_t* dst, int32_t dstBitX,
               int32_t count) {
  if (src == nullptr || srcBitX < 0 || !bitSpanArgsOk(dst, dstBitX, count)) return;
  switch (p.op) {
    case kOpCopy:
      blitBits<BitOp::Copy>(src, srcBitX, dst, dstBitX, count);
      break;
    case kOpAnd:
      blitBits<BitOp::And>(src, srcBitX, dst, dstBitX, count);
      break;
    case kOpOr:
      blitBits<BitOp::Or>(src, srcBitX, dst, dstBitX, count);
      break;
    case kOpOverFill:
      blitBits<BitOp::Xor>(src, srcBitX, dst, dstBitX, count);
      break;
    case kOpSubtract:
      blitBits<BitOp::AndNot>(src, srcBitX, dst, dstBitX, count);
      break;
    default:
      break;
  }
}

void fillSpan1(const SpanParams& p, uint8_t* dst, int32_t dstBitX, int32_t count) {
  if (!bitSpanArgsOk(dst, dstBitX, count)) return;
  const unsigned bits = (p.key & 1u) ? 0xFFu : 0u;
  auto constant = [bits](int32_t, int) { return bits; };
  switch (p.op) {
    case kOpCopy:
    case kOpOverFill:
      writeAligned<BitOp::Copy>(dst, dstBitX, count, constant);
      break;
    case kOpBlend:
      writeAligned<BitOp::And>(dst, dstBitX, count, constant);
      break;
    case kOpBlendKeyed:
      writeAligned<BitOp::Or>(dst, dstBitX, count, constant);
      break;
    case kOpAdd:
      writeAligned<BitOp::Xor>(dst, dstBitX, count, constant);
      break;
    default:
      break;
  }
}

}  // namespace kanvo
