#include "formats/jpeg/JpegDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "formats/jpeg/JpegBitReader.h"
#include "formats/jpeg/JpegBlockDecode.h"
#include "formats/jpeg/JpegColor.h"
#include "formats/jpeg/JpegIdct.h"
#include "formats/jpeg/JpegRowAssembler.h"
#include "formats/jpeg/JpegScans.h"
#include "raster/image/PixelStore.h"

namespace kanvo {

using namespace jpeg;

namespace {

// Writes converted rows into Color32 pixels or packed RGB bytes.
class Color32Out final : public RowSink {
 public:
  Color32Out(ColorSpace cs, Color32* pixels) : cs_(cs), pixels_(pixels) {}
  void put(int y, const int32_t* a, const int32_t* b, const int32_t* c, int n) override {
    Color32* dst = pixels_ + size_t(y) * size_t(n);
    switch (cs_) {
      case ColorSpace::YCbCr: yccToColor32(a, b, c, n, dst); break;
      case ColorSpace::Rgb: rgbToColor32(a, b, c, n, dst); break;
      case ColorSpace::Gray: grayToColor32(a, n, dst); break;
    }
  }

 private:
  ColorSpace cs_;
  Color32* pixels_;
};

class RgbOut final : public RowSink {
 public:
  RgbOut(ColorSpace cs, uint8_t* bytes) : cs_(cs), bytes_(bytes) {}
  void put(int y, const int32_t* a, const int32_t* b, const int32_t* c, int n) override {
    uint8_t* dst = bytes_ + size_t(y) * size_t(n) * 3;
    switch (cs_) {
      case ColorSpace::YCbCr: yccToRgb(a, b, c, n, dst); break;
      case ColorSpace::Rgb: rgbToRgb(a, b, c, n, dst); break;
      case ColorSpace::Gray: grayToRgb(a, n, dst); break;
    }
  }

 private:
  ColorSpace cs_;
  uint8_t* bytes_;
};

Status decodeScan(std::span<const uint8_t> data, const JpegHeader& h, RowSink& out) {
  const int n = h.componentCount;
  const int mcusX = (h.width + 8 * h.maxH - 1) / (8 * h.maxH);
  const int mcusY = (h.height + 8 * h.maxV - 1) / (8 * h.maxV);

  struct Comp {
    const HuffmanDecodeTable* dc;
    const HuffmanDecodeTable* ac;
    alignas(32) int32_t q[64];  // natural order
    int h, v;                   // blocks per MCU each way
    int blocksW;                // blocks of a row across the picture
    int16_t* coef;              // the MCU row's coefficients: v rows of blocksW blocks
  };
  RowAssembler rows;
  if (!rows.init(h)) return Status::failed("not enough memory to decode the JPEG picture");
  Comp comps[3];
  size_t rowBlocks = 0;
  for (int i = 0; i < n; ++i) {
    const FrameComponent& fc = h.components[i];
    Comp& c = comps[i];
    c.dc = &h.dcTables[fc.dcTable];
    c.ac = &h.acTables[fc.acTable];
    for (int k = 0; k < 64; ++k) c.q[kZigzag[k]] = h.quant[fc.quantId][k];
    c.h = fc.h;
    c.v = fc.v;
    c.blocksW = mcusX * fc.h;
    rowBlocks += size_t(c.blocksW) * size_t(c.v);
  }
  // The coefficients of one MCU row are decoded, then transformed (which clears them) together.
  std::vector<int16_t> coefficients;
  try {
    coefficients.assign(rowBlocks * 64, 0);
  } catch (const std::bad_alloc&) {
    return Status::failed("not enough memory to decode the JPEG picture");
  }
  for (int i = 0, offset = 0; i < n; offset += comps[i].blocksW * comps[i].v * 64, ++i)
    comps[i].coef = coefficients.data() + offset;

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
      // Once the data has run out, blocks stay zero: grey.
      for (int si = 0; si < n && !exhausted; ++si) {
        const int ci = h.scan.comps[si];
        Comp& c = comps[ci];
        int16_t* mcu = c.coef + size_t(mx) * size_t(c.h) * 64;
        for (int by = 0; by < c.v; ++by)
          for (int bx = 0; bx < c.h; ++bx)
            if (!decodeBlock(br, *c.dc, *c.ac, pred[ci], mcu + (size_t(by) * size_t(c.blocksW) + size_t(bx)) * 64))
              damaged = true;
      }
      if (br.overrun()) {
        exhausted = true;
        everExhausted = true;
      }
    }
    for (int ci = 0; ci < n; ++ci) {
      const Comp& c = comps[ci];
      const ptrdiff_t stride = rows.stride(ci);
      for (int by = 0; by < c.v; ++by)
        inverseDctBlocks(c.coef + size_t(by) * size_t(c.blocksW) * 64, c.blocksW, c.q,
                         rows.rows(ci) + by * 8 * stride, stride);
    }
    rows.push(out);
  }
  rows.finish(out);
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
  Color32Out out(header_.colorSpace, pixels.data());
  return needsCoefficientStore(header_) ? decodeScans(data_, header_, out) : decodeScan(data_, header_, out);
}

Status JpegDecoder::decodeRgb(std::span<uint8_t> rgb) const {
  if (!ready_) return Status::failed("no JPEG picture to decode");
  if (rgb.size() != size_t(header_.width) * size_t(header_.height) * 3)
    return Status::failed("JPEG output buffer has the wrong size");
  RgbOut out(header_.colorSpace, rgb.data());
  return needsCoefficientStore(header_) ? decodeScans(data_, header_, out) : decodeScan(data_, header_, out);
}

Status checkJpegAllocation(const JpegDecoder& decoder, int64_t maxPixels) {
  const JpegHeader& h = decoder.header();
  const int64_t count = int64_t(h.width) * h.height;
  const std::string size = std::to_string(h.width) + " x " + std::to_string(h.height);
  if (count > maxPixels) return Status::failed("image too large: " + size + " pixels");
  if (needsCoefficientStore(h) && coefficientStoreBytes(h) > kMaxImageBytes)
    return Status::failed("image too large: the coefficients of a " + size + " picture need more memory than allowed");
  if (count > (int64_t(1) << 24)) {
    int64_t blocksPerMcu = 0;
    for (int i = 0; i < h.componentCount; ++i) blocksPerMcu += h.components[i].h * h.components[i].v;
    const int64_t mcus = int64_t((h.width + 8 * h.maxH - 1) / (8 * h.maxH)) * ((h.height + 8 * h.maxV - 1) / (8 * h.maxV));
    // A progressive file's first scan may code a block's DC difference in a single bit.
    const int64_t leastBytes = mcus * blocksPerMcu * (h.progressive ? 1 : 2) / 8;
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
