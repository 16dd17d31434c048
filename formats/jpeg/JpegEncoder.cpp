#include "formats/jpeg/JpegEncoder.h"

#include <algorithm>
#include <array>
#include <string>

#include "formats/jpeg/JpegColor.h"
#include "formats/jpeg/JpegFdct.h"
#include "formats/jpeg/JpegHuffman.h"
#include "formats/jpeg/JpegTables.h"

namespace kanvo {

using namespace jpeg;

namespace {

// Collects bits from the most significant end into a byte buffer whose room the caller
// ensures; every completed 0xFF byte is followed by 0x00.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out), len_(out.size()) {}

  // Room for at least n more bytes.
  void reserve(size_t n) {
    if (out_.size() - len_ < n) out_.resize(std::max(out_.size() * 2, len_ + n));
  }

  // Appends the low `length` bits of `bits` (length 0..26, higher bits zero).
  void put(uint32_t bits, int length) {
    acc_ = acc_ << length | bits;
    count_ += length;
    if (count_ >= 32) {
      count_ -= 32;
      uint32_t w = uint32_t(acc_ >> count_);
      if (!hasFF(w)) {
        uint8_t* p = out_.data() + len_;
        p[0] = uint8_t(w >> 24);
        p[1] = uint8_t(w >> 16);
        p[2] = uint8_t(w >> 8);
        p[3] = uint8_t(w);
        len_ += 4;
      } else {
        emit(uint8_t(w >> 24));
        emit(uint8_t(w >> 16));
        emit(uint8_t(w >> 8));
        emit(uint8_t(w));
      }
    }
  }

  // Pads with 1-bits to a byte boundary, writes out everything held and trims the buffer.
  void finish() {
    reserve(16);
    int pad = (8 - count_ % 8) % 8;
    if (pad) {
      acc_ = acc_ << pad | ((1u << pad) - 1);
      count_ += pad;
    }
    while (count_ >= 8) {
      count_ -= 8;
      emit(uint8_t(acc_ >> count_));
    }
    out_.resize(len_);
  }

 private:
  static bool hasFF(uint32_t w) {
    uint32_t inv = ~w;
    return ((inv - 0x01010101u) & ~inv & 0x80808080u) != 0;
  }
  void emit(uint8_t b) {
    out_[len_++] = b;
    if (b == 0xFF) out_[len_++] = 0;
  }

  std::vector<uint8_t>& out_;
  size_t len_;
  uint64_t acc_ = 0;
  int count_ = 0;
};

int bitLength(uint32_t v) { return v ? 32 - __builtin_clz(v) : 0; }

struct ComponentCoder {
  const HuffmanEncodeTable* dc;
  const HuffmanEncodeTable* ac;
  std::array<int32_t, 64> reciprocal;  // natural order
  int32_t pred = 0;
};

// Worst case of one block: 64 codes of up to 26 bits, every byte stuffed.
constexpr size_t kBlockBytes = 64 * 26 / 8 * 2 + 16;

void encodeBlock(BitWriter& bw, ComponentCoder& cc, const int32_t* samples, ptrdiff_t stride) {
  alignas(32) int32_t q[64];
  const uint64_t nonZero = forwardDctQuantised(samples, stride, cc.reciprocal.data(), q);
  bw.reserve(kBlockBytes);

  int32_t diff = std::clamp(q[0] - cc.pred, -2047, 2047);
  cc.pred = q[0];
  int cat = bitLength(uint32_t(diff < 0 ? -diff : diff));
  uint32_t low = uint32_t(diff < 0 ? diff - 1 : diff) & ((1u << cat) - 1);
  bw.put(uint32_t(cc.dc->code[cat]) << cat | low, cc.dc->length[cat] + cat);

  // The non-zero AC coefficients in zigzag order as a bit mask, walked from the lowest bit.
  uint64_t mask = 0;
  for (uint64_t natural = nonZero & ~uint64_t(1); natural; natural &= natural - 1)
    mask |= uint64_t(1) << kZigzagPosition[size_t(__builtin_ctzll(natural))];
  int k = 0;  // last coded position
  while (mask) {
    int next = __builtin_ctzll(mask);
    mask &= mask - 1;
    int run = next - k - 1;
    while (run >= 16) {
      bw.put(cc.ac->code[0xF0], cc.ac->length[0xF0]);
      run -= 16;
    }
    int32_t v = std::clamp(q[kZigzag[size_t(next)]], -1023, 1023);
    int size = bitLength(uint32_t(v < 0 ? -v : v));
    int sym = run << 4 | size;
    uint32_t bits = uint32_t(v < 0 ? v - 1 : v) & ((1u << size) - 1);
    bw.put(uint32_t(cc.ac->code[sym]) << size | bits, cc.ac->length[sym] + size);
    k = next;
  }
  if (k < 63) bw.put(cc.ac->code[0], cc.ac->length[0]);
}

void put16(std::vector<uint8_t>& o, int v) {
  o.push_back(uint8_t(v >> 8));
  o.push_back(uint8_t(v));
}

void putHuffman(std::vector<uint8_t>& o, int classAndId, const HuffmanCodes& codes) {
  o.push_back(uint8_t(classAndId));
  int total = 0;
  for (uint8_t c : codes.counts) {
    o.push_back(c);
    total += c;
  }
  o.insert(o.end(), codes.symbols.begin(), codes.symbols.begin() + total);
}

void writeHeaders(std::vector<uint8_t>& o, const std::array<uint16_t, 64>& lum,
                  const std::array<uint16_t, 64>& chrom, int width, int height) {
  o.insert(o.end(), {0xFF, 0xD8});
  o.insert(o.end(), {0xFF, 0xDB});
  put16(o, 132);
  o.push_back(0x00);
  for (uint16_t v : lum) o.push_back(uint8_t(v));
  o.push_back(0x01);
  for (uint16_t v : chrom) o.push_back(uint8_t(v));
  o.insert(o.end(), {0xFF, 0xC4});
  put16(o, 418);
  putHuffman(o, 0x00, kDcLuminance);
  putHuffman(o, 0x10, kAcLuminance);
  putHuffman(o, 0x01, kDcChrominance);
  putHuffman(o, 0x11, kAcChrominance);
  o.insert(o.end(), {0xFF, 0xC0});
  put16(o, 17);
  o.push_back(8);
  put16(o, height);
  put16(o, width);
  o.push_back(3);
  o.insert(o.end(), {0, 0x11, 0, 1, 0x11, 1, 2, 0x11, 1});
  o.insert(o.end(), {0xFF, 0xDA});
  put16(o, 12);
  o.push_back(3);
  o.insert(o.end(), {0, 0x00, 1, 0x11, 2, 0x11});
  o.insert(o.end(), {0, 63, 0});
}

// Row y of the picture converted to centred Y, Cb, Cr.
struct RgbSource {
  const uint8_t* p;
  int width;
  void row(int y, int32_t* yy, int32_t* cb, int32_t* cr) const {
    rgbRowToYcc(p + size_t(y) * size_t(width) * 3, width, yy, cb, cr);
  }
};

struct Color32Source {
  const Color32* p;
  int width;
  void row(int y, int32_t* yy, int32_t* cb, int32_t* cr) const {
    color32RowToYcc(p + size_t(y) * size_t(width), width, yy, cb, cr);
  }
};

Status checkSize(int width, int height, size_t have, size_t bytesPerPixel) {
  if (width < 1 || height < 1 || width > 65535 || height > 65535)
    return Status::failed("JPEG cannot hold a " + std::to_string(width) + " x " + std::to_string(height) +
                          " picture");
  if (have != size_t(width) * size_t(height) * bytesPerPixel)
    return Status::failed("JPEG encoder input has the wrong size");
  return Status::ok();
}

}  // namespace

bool JpegEncoder::setQuality(int quality) {
  if (quality < 1 || quality > 100) return false;
  quality_ = quality;
  return true;
}

Status JpegEncoder::encodeRgb(std::span<const uint8_t> rgb, int width, int height) {
  Status s = checkSize(width, height, rgb.size(), 3);
  if (!s.isOk()) return s;
  return encodeImpl(RgbSource{rgb.data(), width}, width, height);
}

Status JpegEncoder::encode(std::span<const Color32> pixels, int width, int height) {
  Status s = checkSize(width, height, pixels.size(), 1);
  if (!s.isOk()) return s;
  return encodeImpl(Color32Source{pixels.data(), width}, width, height);
}

template <class Source>
Status JpegEncoder::encodeImpl(const Source& src, int width, int height) {
  const std::array<uint16_t, 64> lum = scaledQuantTable(kLuminanceQuant, quality_);
  const std::array<uint16_t, 64> chrom = scaledQuantTable(kChrominanceQuant, quality_);
  static const HuffmanEncodeTable dcLum(kDcLuminance), acLum(kAcLuminance);
  static const HuffmanEncodeTable dcChrom(kDcChrominance), acChrom(kAcChrominance);
  ComponentCoder coders[3] = {{&dcLum, &acLum, {}, 0}, {&dcChrom, &acChrom, {}, 0}, {&dcChrom, &acChrom, {}, 0}};
  for (int k = 0; k < 64; ++k) {
    // The tables are in zigzag order, the quantiser works in natural order.
    coders[0].reciprocal[kZigzag[k]] = quantReciprocal(lum[k]);
    coders[1].reciprocal[kZigzag[k]] = coders[2].reciprocal[kZigzag[k]] = quantReciprocal(chrom[k]);
  }

  const int blocksX = (width + 7) / 8, blocksY = (height + 7) / 8;
  // One strip of 8 rows at a time, each component's samples `stride` apart; the columns past
  // the right edge and the rows past the bottom repeat the last ones.
  const size_t stride = size_t(blocksX) * 8;
  std::vector<uint8_t> out;
  std::vector<int32_t> strip;
  try {
    out.reserve(1024 + size_t(width) * size_t(height) / 4);
    strip.resize(stride * 8 * 3);
  } catch (const std::bad_alloc&) {
    return Status::failed("not enough memory to encode the JPEG picture");
  }
  writeHeaders(out, lum, chrom, width, height);
  BitWriter bw(out);
  int32_t* planes[3] = {strip.data(), strip.data() + stride * 8, strip.data() + stride * 16};
  for (int by = 0; by < blocksY; ++by) {
    for (int r = 0; r < 8; ++r) {
      const size_t o = size_t(r) * stride;
      if (by * 8 + r < height) {
        src.row(by * 8 + r, planes[0] + o, planes[1] + o, planes[2] + o);
        for (int32_t* p : planes) std::fill(p + o + width, p + o + stride, p[o + size_t(width) - 1]);
      } else {
        for (int32_t* p : planes) std::copy_n(p + o - stride, stride, p + o);
      }
    }
    for (int bx = 0; bx < blocksX; ++bx)
      for (int ci = 0; ci < 3; ++ci) encodeBlock(bw, coders[ci], planes[ci] + size_t(bx) * 8, ptrdiff_t(stride));
  }
  bw.finish();
  out.insert(out.end(), {0xFF, 0xD9});
  out_ = std::move(out);
  return Status::ok();
}

}  // namespace kanvo
