#include "formats/jpeg/JpegDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "formats/jpeg/JpegBitReader.h"
#include "formats/jpeg/JpegColor.h"
#include "formats/jpeg/JpegIdct.h"
#include "formats/jpeg/JpegUpsample.h"

namespace kanvo {

using namespace jpeg;

namespace {

inline int32_t extend(uint32_t v, int s) {
  return v < (1u << (s - 1)) ? int32_t(v) - (1 << s) + 1 : int32_t(v);
}

inline int32_t clampCoefficient(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, -kCoefficientLimit, kCoefficientLimit));
}

// One block's coefficients (natural order, coef zeroed by the caller). Returns false on a data
// error; the block then ends early with what was decoded so far. acSeen tells whether any AC
// coefficient was set.
inline bool decodeBlock(BitReader& br, const HuffmanDecodeTable& dc, const HuffmanDecodeTable& ac,
                        const int32_t* q, int32_t& pred, int32_t* coef, bool& acSeen) {
  br.ensure(32);
  int s = dc.decode(br);
  if (s < 0 || s > 15) return false;
  int32_t diff = s ? extend(br.get(s), s) : 0;
  pred = int32_t(uint32_t(pred) + uint32_t(diff));
  coef[0] = clampCoefficient(int64_t(pred) * q[0]);
  for (int k = 1; k < 64;) {
    br.ensure(32);
    // A whole coefficient from the lookahead: the same bits and value as the symbol and its
    // value bits read one after the other below.
    const int fast = ac.fastAc(br.peek16() >> (16 - HuffmanDecodeTable::kLookBits));
    if (fast != 0 && k + ((fast >> 4) & 15) <= 63) {
      k += (fast >> 4) & 15;
      br.skip(fast & 15);
      coef[kZigzag[k]] = clampCoefficient(int64_t(fast >> 8) * q[k]);
      acSeen = true;
      ++k;
      continue;
    }
    int sym = ac.decode(br);
    if (sym <= 0) return sym == 0;
    k += sym >> 4;
    if (k > 63) return false;
    int size = sym & 15;
    if (size) {
      coef[kZigzag[k]] = clampCoefficient(int64_t(extend(br.get(size), size)) * q[k]);
      acSeen = true;
    }
    ++k;
  }
  return true;
}

// Writes converted rows into Color32 pixels or packed RGB bytes.
struct Color32Out {
  Color32* pixels;
  int width;
  void put(ColorSpace cs, int x, int y, const int32_t* a, const int32_t* b, const int32_t* c, int n) const {
    Color32* dst = pixels + size_t(y) * size_t(width) + size_t(x);
    switch (cs) {
      case ColorSpace::YCbCr: yccToColor32(a, b, c, n, dst); break;
      case ColorSpace::Rgb: rgbToColor32(a, b, c, n, dst); break;
      case ColorSpace::Gray: grayToColor32(a, n, dst); break;
    }
  }
};

struct RgbOut {
  uint8_t* bytes;
  int width;
  void put(ColorSpace cs, int x, int y, const int32_t* a, const int32_t* b, const int32_t* c, int n) const {
    uint8_t* dst = bytes + (size_t(y) * size_t(width) + size_t(x)) * 3;
    switch (cs) {
      case ColorSpace::YCbCr: yccToRgb(a, b, c, n, dst); break;
      case ColorSpace::Rgb: rgbToRgb(a, b, c, n, dst); break;
      case ColorSpace::Gray: grayToRgb(a, n, dst); break;
    }
  }
};

template <class Out>
Status decodeScan(std::span<const uint8_t> data, const JpegHeader& h, const Out& out) {
  const int n = h.componentCount;
  const int mcuW = 8 * h.maxH, mcuH = 8 * h.maxV;
  const int mcusX = (h.width + mcuW - 1) / mcuW;
  const int mcusY = (h.height + mcuH - 1) / mcuH;

  struct Comp {
    const HuffmanDecodeTable* dc;
    const HuffmanDecodeTable* ac;
    int32_t q[64];
    int h, v;            // blocks per MCU each way
    int ratioH, ratioV;  // enlargement of each block
    int32_t* samples;    // this component's samples for one row of MCUs
  };
  // One row of MCUs at a time: every component's samples, rowStride apart, mcuH rows each. The
  // MCUs do not interact, so this equals decoding MCU by MCU into per-MCU planes.
  const size_t rowStride = size_t(mcusX) * size_t(mcuW);
  std::vector<int32_t> rowSamples;
  try {
    rowSamples.assign(rowStride * size_t(mcuH) * size_t(n), 0);
  } catch (const std::bad_alloc&) {
    return Status::failed("not enough memory to decode the JPEG picture");
  }
  Comp comps[3];
  for (int i = 0; i < n; ++i) {
    const FrameComponent& fc = h.components[i];
    Comp& c = comps[i];
    c.dc = &h.dcTables[fc.dcTable];
    c.ac = &h.acTables[fc.acTable];
    for (int k = 0; k < 64; ++k) c.q[k] = h.quant[fc.quantId][k];
    c.h = fc.h;
    c.v = fc.v;
    c.ratioH = h.maxH / fc.h;
    c.ratioV = h.maxV / fc.v;
    c.samples = rowSamples.data() + size_t(i) * rowStride * size_t(mcuH);
  }

  alignas(32) int32_t coef[64] = {};
  alignas(32) int32_t block[64];
  int32_t pred[3] = {0, 0, 0};

  BitReader br(data.data(), data.size(), h.scanOffset);
  bool damaged = false, exhausted = false, everExhausted = false;
  int sinceRestart = 0;

  for (int my = 0; my < mcusY; ++my) {
    for (int mx = 0; mx < mcusX; ++mx) {
      if (h.restartInterval > 0 && sinceRestart == h.restartInterval) {
        if (!exhausted && br.heldDataBits() >= 8) damaged = true;  // data left in the interval
        size_t skipped = 0;
        bool found = br.restart(skipped);
        if (skipped) damaged = true;
        exhausted = !found;
        if (!found) everExhausted = true;
        pred[0] = pred[1] = pred[2] = 0;
        sinceRestart = 0;
      }
      ++sinceRestart;
      if (exhausted) {  // grey: every centred sample 0
        for (int ci = 0; ci < n; ++ci)
          for (int r = 0; r < mcuH; ++r)
            std::fill_n(comps[ci].samples + size_t(r) * rowStride + size_t(mx) * mcuW, mcuW, 0);
        continue;
      }
      for (int si = 0; si < n; ++si) {
        const int ci = h.scanOrder[si];
        Comp& c = comps[ci];
        const int tw = 8 * c.ratioH, th = 8 * c.ratioV;
        for (int by = 0; by < c.v; ++by) {
          for (int bx = 0; bx < c.h; ++bx) {
            bool acSeen = false;
            if (!decodeBlock(br, *c.dc, *c.ac, c.q, pred[ci], coef, acSeen)) damaged = true;
            int32_t* dst = c.samples + size_t(by * th) * rowStride + size_t(mx) * mcuW + size_t(bx * tw);
            if (!acSeen) {
              // Only the DC coefficient: the block, and its enlargement, is flat.
              const int32_t v = inverseDctDcOnly(coef[0]);
              for (int r = 0; r < th; ++r) std::fill_n(dst + size_t(r) * rowStride, tw, v);
              coef[0] = 0;
              continue;
            }
            if (c.ratioH == 1 && c.ratioV == 1) {
              inverseDct(coef, dst, ptrdiff_t(rowStride));
            } else {
              inverseDct(coef, block, 8);
              enlargeBlock(block, c.ratioH, c.ratioV, dst, ptrdiff_t(rowStride));
            }
            std::memset(coef, 0, sizeof coef);
          }
        }
      }
      if (br.overrun()) {
        exhausted = true;
        everExhausted = true;
      }
    }
    const int y0 = my * mcuH;
    const int rows = std::min(mcuH, h.height - y0);
    for (int r = 0; r < rows; ++r) {
      const size_t o = size_t(r) * rowStride;
      out.put(h.colorSpace, 0, y0 + r, comps[0].samples + o, comps[n > 1 ? 1 : 0].samples + o,
              comps[n > 2 ? 2 : 0].samples + o, h.width);
    }
  }
  if (everExhausted) return Status::partial("truncated JPEG: the missing part of the picture is grey");
  if (damaged) return Status::partial("damaged JPEG data: parts of the picture may be wrong");
  return Status::ok();
}

}  // namespace

Status JpegDecoder::setSource(std::span<const uint8_t> bytes) {
  ready_ = false;
  data_ = bytes;
  Status s = parseJpegHeader(bytes, header_);
  ready_ = s.isOk();
  return s;
}

Status JpegDecoder::decode(std::span<Color32> pixels) const {
  if (!ready_) return Status::failed("no JPEG picture to decode");
  if (pixels.size() != size_t(header_.width) * size_t(header_.height))
    return Status::failed("JPEG output buffer has the wrong size");
  return decodeScan(data_, header_, Color32Out{pixels.data(), header_.width});
}

Status JpegDecoder::decodeRgb(std::span<uint8_t> rgb) const {
  if (!ready_) return Status::failed("no JPEG picture to decode");
  if (rgb.size() != size_t(header_.width) * size_t(header_.height) * 3)
    return Status::failed("JPEG output buffer has the wrong size");
  return decodeScan(data_, header_, RgbOut{rgb.data(), header_.width});
}

Status checkJpegAllocation(const JpegDecoder& decoder, int64_t maxPixels) {
  const JpegHeader& h = decoder.header();
  const int64_t count = int64_t(h.width) * h.height;
  const std::string size = std::to_string(h.width) + " x " + std::to_string(h.height);
  if (count > maxPixels) return Status::failed("image too large: " + size + " pixels");
  if (count > (int64_t(1) << 24)) {
    int64_t blocksPerMcu = 0;
    for (int i = 0; i < h.componentCount; ++i) blocksPerMcu += h.components[i].h * h.components[i].v;
    const int64_t mcus = int64_t((h.width + 8 * h.maxH - 1) / (8 * h.maxH)) * ((h.height + 8 * h.maxV - 1) / (8 * h.maxV));
    const int64_t leastBytes = mcus * blocksPerMcu * 2 / 8;
    if (int64_t(decoder.scanBytes()) < leastBytes / 8)
      return Status::failed("damaged JPEG: far too little data for a " + size + " picture");
  }
  return Status::ok();
}

Status decodeJpeg(std::span<const uint8_t> bytes, int& width, int& height, std::vector<Color32>& pixels,
                  int64_t maxPixels) {
  width = height = 0;
  pixels.clear();
  JpegDecoder decoder;
  Status s = decoder.setSource(bytes);
  if (!s.isOk()) return s;
  s = checkJpegAllocation(decoder, maxPixels);
  if (!s.isOk()) return s;
  const size_t count = size_t(decoder.width()) * size_t(decoder.height());
  try {
    pixels.resize(count);
  } catch (const std::bad_alloc&) {
    return Status::failed("not enough memory for a " + std::to_string(decoder.width()) + " x " +
                          std::to_string(decoder.height()) + " picture");
  }
  s = decoder.decode(pixels);
  if (s.isFailed()) {
    pixels.clear();
    return s;
  }
  width = decoder.width();
  height = decoder.height();
  return s;
}

}  // namespace kanvo
