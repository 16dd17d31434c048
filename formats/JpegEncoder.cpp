#include "formats/JpegEncoder.h"

#include <algorithm>
#include <array>
#include <string>

#include "formats/JpegColor.h"
#include "formats/JpegFdct.h"
#include "formats/JpegHuffman.h"
#include "formats/JpegTables.h"

namespace kanvo {

using namespace jpeg;

namespace {

// Collects bits from the most significant end; every completed 0xFF byte is followed by 0x00.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

  // Appends the low `length` bits of `bits` (length 0..16).
  void put(uint32_t bits, int length) {
    acc_ = acc_ << length | (bits & ((1u << length) - 1));
    count_ += length;
    if (count_ >= 32) flush32();
  }

  // Pads with 1-bits to a byte boundary and writes out everything held.
  void finish() {
    int pad = (8 - count_ % 8) % 8;
    if (pad) put((1u << pad) - 1, pad);
    while (count_ >= 8) {
      count_ -= 8;
      emit(uint8_t(acc_ >> count_));
    }
  }

 private:
  void emit(uint8_t b) {
    out_.push_back(b);
    if (b == 0xFF) out_.push_back(0);
  }
  void flush32() {
    count_ -= 32;
    uint32_t w = uint32_t(acc_ >> count_);
    emit(uint8_t(w >> 24));
    emit(uint8_t(w >> 16));
    emit(uint8_t(w >> 8));
    emit(uint8_t(w));
  }

  std::vector<uint8_t>& out_;
  uint64_t acc_ = 0;
  int count_ = 0;
};

int bitLength(uint32_t v) { return v ? 32 - __builtin_clz(v) : 0; }

struct ComponentCoder {
  const HuffmanEncodeTable* dc;
  const HuffmanEncodeTable* ac;
  std::array<uint64_t, 64> reciprocal;  // per zigzag position
  int32_t pred = 0;
};

void encodeBlock(BitWriter& bw, ComponentCoder& cc, const int32_t* samples) {
  alignas(32) int32_t coef[64];
  forwardDct(samples, coef);
  int32_t q[64];
  for (int k = 0; k < 64; ++k) q[k] = quantDivide(coef[kZigzag[k]], cc.reciprocal[k]);

  int32_t diff = std::clamp(q[0] - cc.pred, -2047, 2047);
  cc.pred = q[0];
  int cat = bitLength(uint32_t(diff < 0 ? -diff : diff));
  bw.put(cc.dc->code[cat], cc.dc->length[cat]);
  if (cat) bw.put(uint32_t(diff < 0 ? diff - 1 : diff), cat);

  int run = 0;
  for (int k = 1; k < 64; ++k) {
    int32_t v = q[k];
    if (v == 0) {
      ++run;
      continue;
    }
    v = std::clamp(v, -1023, 1023);
    while (run >= 16) {
      bw.put(cc.ac->code[0xF0], cc.ac->length[0xF0]);
      run -= 16;
    }
    int size = bitLength(uint32_t(v < 0 ? -v : v));
    int sym = run << 4 | size;
    bw.put(cc.ac->code[sym], cc.ac->length[sym]);
    bw.put(uint32_t(v < 0 ? v - 1 : v), size);
    run = 0;
  }
  if (run > 0) bw.put(cc.ac->code[0], cc.ac->length[0]);
}

void put16(std::vector<uint8_t>& o, int v) {
  o.push_back(uint8_t(v >> 8));
  o.push_back(uint8_t(v));
}

void putHuffman(std::vector<uint8_t>& o, int classAndId, const HuffmanSpec& spec) {
  o.push_back(uint8_t(classAndId));
  int total = 0;
  for (uint8_t c : spec.counts) {
    o.push_back(c);
    total += c;
  }
  o.insert(o.end(), spec.symbols.begin(), spec.symbols.begin() + total);
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

struct RgbSource {
  const uint8_t* p;
  int width;
  void get(int x, int y, int& r, int& g, int& b) const {
    const uint8_t* s = p + (size_t(y) * size_t(width) + size_t(x)) * 3;
    r = s[0];
    g = s[1];
    b = s[2];
  }
};

struct Color32Source {
  const Color32* p;
  int width;
  void get(int x, int y, int& r, int& g, int& b) const {
    Color32 c = p[size_t(y) * size_t(width) + size_t(x)];
    r = redOf(c);
    g = greenOf(c);
    b = blueOf(c);
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
    coders[0].reciprocal[k] = quantReciprocal(lum[k]);
    coders[1].reciprocal[k] = coders[2].reciprocal[k] = quantReciprocal(chrom[k]);
  }

  std::vector<uint8_t> out;
  out.reserve(1024 + size_t(width) * size_t(height) / 4);
  writeHeaders(out, lum, chrom, width, height);
  BitWriter bw(out);
  const int blocksX = (width + 7) / 8, blocksY = (height + 7) / 8;
  alignas(32) int32_t ycc[3][64];
  for (int by = 0; by < blocksY; ++by) {
    int rows[8];
    for (int r = 0; r < 8; ++r) rows[r] = std::min(by * 8 + r, height - 1);
    for (int bx = 0; bx < blocksX; ++bx) {
      int cols[8];
      for (int c = 0; c < 8; ++c) cols[c] = std::min(bx * 8 + c, width - 1);
      for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
          int red, green, blue;
          src.get(cols[c], rows[r], red, green, blue);
          rgbToYcc(red, green, blue, ycc[0][r * 8 + c], ycc[1][r * 8 + c], ycc[2][r * 8 + c]);
        }
      }
      for (int ci = 0; ci < 3; ++ci) encodeBlock(bw, coders[ci], ycc[ci]);
    }
  }
  bw.finish();
  out.insert(out.end(), {0xFF, 0xD9});
  out_ = std::move(out);
  return Status::ok();
}

}  // namespace kanvo
