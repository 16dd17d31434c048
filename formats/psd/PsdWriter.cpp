#include "formats/psd/PsdWriter.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <vector>

#include "document/CompositeOptions.h"
#include "document/Document.h"
#include "document/DocumentCompositor.h"
#include "formats/FileStream.h"
#include "formats/psd/PackBits.h"
#include "raster/image/Image32.h"
#include "raster/parallel/WorkerPool.h"
#include "strings/Cp932.h"

namespace kanvo {

namespace {

constexpr uint32_t kBandRows = 64;
constexpr uint32_t kMaxPackedRowBytes = 32000;  // keeps every packed row count within 16 bits

uint8_t reverseBits(uint8_t b) {
  uint8_t r = 0;
  for (int k = 0; k < 8; ++k)
    if (b & (1 << k)) r = uint8_t(r | (0x80 >> k));
  return r;
}

// The rows of one layer as 32 bpp pixels, in the coordinates of its store (or, for a vector
// layer, of the canvas image it was drawn into).
class LayerRows {
 public:
  explicit LayerRows(const Layer& layer) : layer_(layer) {}

  // Draws a vector layer; false when the image cannot be had.
  bool prepare(const Document& doc) {
    if (layer_.kind != kLayerKindVector) return true;
    if (!drawn_.resizeBuffer(doc.width(), doc.height())) return false;
    for (int32_t y = 0; y < doc.height(); ++y)
      std::memset(drawn_.pixelAddress(0, y), 0, size_t(doc.width()) * 4);
    VectorRenderer* renderer = doc.vectorRenderer();
    if (renderer) {
      RenderTransform transform;
      transform.antialiasOverride = layer_.antialiasMode;
      for (int32_t k = 0; k < layer_.strokeCount(); ++k) {
        VectorObject* object = layer_.stroke(k);
        if (object->visible) renderer->draw(*object, drawn_, transform);
      }
    }
    return true;
  }

  // The bounds of the content (store coordinates); (0, 0, 1, 1) when empty.
  Rect bounds() const {
    Rect r;
    switch (layer_.kind) {
      case kLayerKind32: r = layer_.pixels32.usedBounds(); break;
      case kLayerKind8: r = layer_.pixels8.usedBounds(); break;
      case kLayerKind1: r = layer_.pixels1.usedBounds(); break;
      default: r = drawnBounds(); break;
    }
    if (r.width <= 0 || r.height <= 0) r = Rect(0, 0, 1, 1);
    return r;
  }

  // The layer's placement: the canvas position of store pixel (0, 0).
  int32_t originX() const { return layer_.kind == kLayerKindVector ? 0 : layer_.offsetX; }
  int32_t originY() const { return layer_.kind == kLayerKindVector ? 0 : layer_.offsetY; }

  // Fills out[0 ... w) with the pixels of store row y from column x, through the scratch
  // bytes given (one per thread).
  void row(int32_t x, int32_t y, int32_t w, Color32* out, std::vector<uint8_t>& scratch) const {
    const Color32 rgb = layer_.colour & 0x00FFFFFFu;
    switch (layer_.kind) {
      case kLayerKind32:
        std::memcpy(out, readRow(layer_.pixels32, x, y, w, scratch) + size_t(x) * 4, size_t(w) * 4);
        break;
      case kLayerKind8: {
        const uint8_t* coverage = readRow(layer_.pixels8, x, y, w, scratch);
        for (int32_t i = 0; i < w; ++i) out[i] = rgb | Color32(coverage[size_t(x + i)]) << 24;
        break;
      }
      case kLayerKind1: {
        const uint8_t* bits = readRow(layer_.pixels1, x, y, w, scratch);
        for (int32_t i = 0; i < w; ++i) {
          const int32_t px = x + i;
          const bool set = (bits[size_t(px >> 3)] >> (px & 7)) & 1;
          out[i] = rgb | (set ? 0xFF000000u : 0u);
        }
        break;
      }
      default:
        for (int32_t i = 0; i < w; ++i) out[i] = drawn_.getPixel(x + i, y);
        break;
    }
  }

 private:
  // Store row y from column x (w pixels) in the scratch row, laid out as the store's row buffer.
  template <class Tiled>
  static const uint8_t* readRow(const Tiled& store, int32_t x, int32_t y, int32_t w, std::vector<uint8_t>& scratch) {
    scratch.resize(store.rowBufferBytes());
    store.readRow(scratch.data(), x, y, w);
    return scratch.data();
  }

  Rect drawnBounds() const {
    int32_t x0 = drawn_.width(), y0 = drawn_.height(), x1 = -1, y1 = -1;
    for (int32_t y = 0; y < drawn_.height(); ++y)
      for (int32_t x = 0; x < drawn_.width(); ++x)
        if (drawn_.getPixel(x, y) != 0) {
          x0 = std::min(x0, x);
          x1 = std::max(x1, x);
          y0 = std::min(y0, y);
          y1 = std::max(y1, y);
        }
    if (x1 < 0) return Rect();
    return Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
  }

  const Layer& layer_;
  Image32 drawn_;
};

// What a thread filling rows keeps: a store row and a row of pixels.
struct RowScratch {
  std::vector<uint8_t> store;
  std::vector<Color32> pixels;
};

// Writes image data: compression, then (packed) planes of h rows of w bytes, planes in order
// and rows top to bottom. rowAt(slot, plane, y, bytes) fills a row; rows are filled and packed
// in runs of kBandRows on the worker pool, `slots` runs at a time, each on a slot of its own
// (for state the caller keeps per slot), and written in order.
// afterRun(plane, y) follows each run on the calling thread. Returns the bytes written, 0 on a
// write failure.
using PlaneRow = std::function<void(size_t slot, int plane, uint32_t y, uint8_t* bytes)>;
uint64_t writePlanes(FileStream& out, uint32_t w, uint32_t h, int planes, bool rle, size_t slots,
                     const PlaneRow& rowAt, const std::function<void(int plane, uint32_t y)>& afterRun = {}) {
  const uint64_t start = out.position();
  if (w > kMaxPackedRowBytes) rle = false;
  if (!out.writeU16BE(rle ? 1 : 0)) return 0;
  const uint64_t countsAt = out.position();
  std::vector<uint8_t> counts(rle ? size_t(h) * size_t(planes) * 2 : 0, 0);
  if (rle && !out.write(counts.data(), counts.size())) return 0;
  struct Run {
    std::vector<uint8_t> row, bytes;
  };
  std::vector<Run> runs(std::max<size_t>(slots, 1));
  const uint32_t runsInPlane = (h + kBandRows - 1) / kBandRows;
  for (int plane = 0; plane < planes; ++plane)
    for (uint32_t first = 0; first < runsInPlane; first += uint32_t(runs.size())) {
      const uint32_t count = std::min(uint32_t(runs.size()), runsInPlane - first);
      parallel::parallelFor(count, [&](size_t k) {
        Run& run = runs[k];
        run.row.resize(w);
        run.bytes.clear();
        const uint32_t y0 = (first + uint32_t(k)) * kBandRows, y1 = std::min(h, y0 + kBandRows);
        for (uint32_t y = y0; y < y1; ++y) {
          if (!rle) {
            run.bytes.resize(run.bytes.size() + w);
            rowAt(k, plane, y, run.bytes.data() + run.bytes.size() - w);
            continue;
          }
          rowAt(k, plane, y, run.row.data());
          const size_t n = packBitsRow(run.row.data(), w, run.bytes);
          const size_t at = (size_t(plane) * h + y) * 2;
          counts[at] = uint8_t(n >> 8);
          counts[at + 1] = uint8_t(n);
        }
      });
      for (uint32_t k = 0; k < count; ++k) {
        if (!out.write(runs[k].bytes.data(), runs[k].bytes.size())) return 0;
        if (afterRun) afterRun(plane, (first + k) * kBandRows);
      }
    }
  const uint64_t end = out.position();
  if (rle && (!out.seekTo(countsAt) || !out.write(counts.data(), counts.size()) || !out.seekTo(end))) return 0;
  return end - start;
}

bool writeHeader(FileStream& out, const Document& doc, uint16_t channels, uint16_t depth, uint16_t mode) {
  bool ok = out.write("8BPS", 4) && out.writeU16BE(1);
  const uint8_t reserved[6] = {};
  ok = ok && out.write(reserved, 6) && out.writeU16BE(channels) && out.writeU32BE(uint32_t(doc.height())) &&
       out.writeU32BE(uint32_t(doc.width())) && out.writeU16BE(depth) && out.writeU16BE(mode);
  // Colour mode data, then the resolution resource.
  ok = ok && out.writeU32BE(0) && out.writeU32BE(38) && out.write("8BIM", 4) && out.writeU16BE(1005) &&
       out.writeU8(10) && out.write("Resolution", 10) && out.writeU8(0) && out.writeU32BE(16);
  const uint32_t fixed = uint32_t(std::max(doc.resolution, 0)) << 16;
  ok = ok && out.writeU32BE(fixed) && out.writeU16BE(1) && out.writeU16BE(2) && out.writeU32BE(fixed) &&
       out.writeU16BE(1) && out.writeU16BE(2);
  return ok;
}

const char* blendKey(int32_t mode) {
  if (mode == kBlendMultiply) return "mul ";
  if (mode == kBlendAdd) return "lddg";
  return "norm";
}

bool writeLayerSection(FileStream& out, const Document& doc, bool rle, Progress* progress) {
  const int32_t count = doc.layerCount();
  const uint64_t sectionAt = out.position();
  if (!out.writeU32BE(0) || !out.writeU32BE(0) || !out.writeU16BE(uint16_t(count))) return false;
  std::vector<uint64_t> lengthAt(static_cast<size_t>(count) * 4);
  std::vector<Rect> bounds(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const Layer& layer = *doc.layer(i);
    LayerRows rows(layer);
    if (!rows.prepare(doc)) return false;
    const Rect b = rows.bounds();
    bounds[size_t(i)] = b;
    const int32_t top = b.y + rows.originY(), left = b.x + rows.originX();
    bool ok = out.writeU32BE(uint32_t(top)) && out.writeU32BE(uint32_t(left)) &&
              out.writeU32BE(uint32_t(top + b.height)) && out.writeU32BE(uint32_t(left + b.width)) &&
              out.writeU16BE(4);
    const int16_t ids[4] = {0, 1, 2, -1};
    for (int c = 0; c < 4; ++c) {
      ok = ok && out.writeU16BE(uint16_t(ids[c]));
      lengthAt[size_t(i) * 4 + size_t(c)] = out.position();
      ok = ok && out.writeU32BE(0);
    }
    const size_t nameLength = cp932PrefixLength(layer.name, 255);  // never half a character
    const uint32_t nameBlock = uint32_t((1 + nameLength + 3) / 4 * 4);
    const uint8_t flags = uint8_t((layer.reservedFlag ? 1 : 0) + (layer.visible ? 0 : 2) + 8);
    ok = ok && out.write("8BIM", 4) && out.write(blendKey(layer.blendMode), 4) && out.writeU8(layer.opacity) &&
         out.writeU8(0) && out.writeU8(flags) && out.writeU8(0) && out.writeU32BE(nameBlock + 8) &&
         out.writeU32BE(0) && out.writeU32BE(0) && out.writeU8(uint8_t(nameLength));
    if (ok && nameLength) ok = out.write(layer.name.data(), nameLength);
    for (size_t k = 1 + nameLength; ok && k < nameBlock; ++k) ok = out.writeU8(0);
    if (!ok) return false;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (progress) progress->report(i, count);
    const Layer& layer = *doc.layer(i);
    LayerRows rows(layer);
    if (!rows.prepare(doc)) return false;
    const Rect b = bounds[size_t(i)];
    std::vector<RowScratch> scratch(static_cast<size_t>(parallel::threadCount()));
    for (int c = 0; c < 4; ++c) {
      const int shift = c == 0 ? 16 : c == 1 ? 8 : c == 2 ? 0 : 24;
      const auto rowAt = [&](size_t k, int, uint32_t y, uint8_t* bytes) {
        std::vector<Color32>& pixels = scratch[k].pixels;
        pixels.resize(size_t(b.width));
        rows.row(b.x, b.y + int32_t(y), b.width, pixels.data(), scratch[k].store);
        for (int32_t x = 0; x < b.width; ++x) bytes[x] = uint8_t(pixels[size_t(x)] >> shift);
      };
      const uint64_t n = writePlanes(out, uint32_t(b.width), uint32_t(b.height), 1, rle, scratch.size(), rowAt);
      if (n == 0 || n > 0xFFFFFFFFu) return false;
      const uint64_t end = out.position();
      if (!out.seekTo(lengthAt[size_t(i) * 4 + size_t(c)]) || !out.writeU32BE(uint32_t(n)) || !out.seekTo(end))
        return false;
    }
  }
  if (!out.padTo(2) || !out.writeU32BE(0)) return false;
  const uint64_t end = out.position();
  const uint64_t size = end - sectionAt;
  if (size - 4 > 0xFFFFFFFFu) return false;
  return out.seekTo(sectionAt) && out.writeU32BE(uint32_t(size - 4)) && out.writeU32BE(uint32_t(size - 12)) &&
         out.seekTo(end);
}

// The merged image of a layered file: the composite over white, red, green and blue planes
// (each plane composites its bands again, so only one band is ever held).
bool writeComposite(FileStream& out, const Document& doc, bool rle, Progress* progress) {
  const uint32_t w = uint32_t(doc.width()), h = uint32_t(doc.height());
  std::deque<Image32> bands;
  std::vector<int64_t> held;  // plane x bands + band of what each band image holds
  for (int32_t k = bandsAtOnce(doc); k > 0; --k) {
    if (!bands.emplace_back().resizeBuffer(int32_t(w), int32_t(kBandRows))) return false;
    held.push_back(-1);
  }
  CompositeOptions options;
  options.background = kOpaqueWhite;
  const uint32_t bandCount = (h + kBandRows - 1) / kBandRows;
  const auto rowAt = [&](size_t k, int plane, uint32_t y, uint8_t* bytes) {
    const uint32_t bi = y / kBandRows;
    const int64_t wanted = int64_t(plane) * bandCount + bi;
    if (wanted != held[k]) {
      doc.compositeRow(bands[k], options, int32_t(bi), 0);
      held[k] = wanted;
    }
    const int shift = plane == 0 ? 16 : plane == 1 ? 8 : 0;
    const Color32* p = bands[k].pixelAddress(0, int32_t(y - bi * kBandRows));
    for (uint32_t x = 0; x < w; ++x) bytes[x] = uint8_t(p[x] >> shift);
  };
  const auto afterRun = [&](int plane, uint32_t y) {
    if (progress) progress->report(int32_t(plane * bandCount + y / kBandRows), int32_t(3 * bandCount));
  };
  return writePlanes(out, w, h, 3, rle, bands.size(), rowAt, afterRun) != 0;
}

bool isFlat(const Document& doc) {
  if (doc.layerCount() != 1) return false;
  const Layer& layer = *doc.layer(0);
  if (layer.kind == kLayerKindVector || layer.offsetX != 0 || layer.offsetY != 0) return false;
  if (layer.storeWidth() != uint32_t(doc.width()) || layer.storeHeight() != uint32_t(doc.height())) return false;
  return layer.kind != kLayerKind32 || !layer.pixels32.hasTransparency();
}

bool writeFlat(FileStream& out, const Document& doc, bool rle) {
  const Layer& layer = *doc.layer(0);
  const uint32_t w = uint32_t(doc.width()), h = uint32_t(doc.height());
  if (!out.writeU32BE(0)) return false;  // no layer section
  std::vector<std::vector<uint8_t>> scratch(static_cast<size_t>(parallel::threadCount()));
  if (layer.kind == kLayerKind32) {
    const int shifts[3] = {16, 8, 0};
    return writePlanes(out, w, h, 3, rle, scratch.size(), [&](size_t k, int plane, uint32_t y, uint8_t* bytes) {
      scratch[k].resize(layer.pixels32.rowBufferBytes());
      layer.pixels32.readRow(scratch[k].data(), 0, int32_t(y), int32_t(w));
      const Color32* p = reinterpret_cast<const Color32*>(scratch[k].data());
      for (uint32_t x = 0; x < w; ++x) bytes[x] = uint8_t(p[x] >> shifts[plane]);
    }) != 0;
  }
  if (layer.kind == kLayerKind8) {
    return writePlanes(out, w, h, 1, rle, scratch.size(), [&](size_t k, int, uint32_t y, uint8_t* bytes) {
      scratch[k].resize(layer.pixels8.rowBufferBytes());
      layer.pixels8.readRow(scratch[k].data(), 0, int32_t(y), int32_t(w));
      for (uint32_t x = 0; x < w; ++x) bytes[x] = uint8_t(255 - scratch[k][x]);
    }) != 0;
  }
  const uint32_t rowBytes = (w + 7) / 8;
  return writePlanes(out, rowBytes, h, 1, rle, scratch.size(), [&](size_t k, int, uint32_t y, uint8_t* bytes) {
    scratch[k].resize(layer.pixels1.rowBufferBytes());
    layer.pixels1.readRow(scratch[k].data(), 0, int32_t(y), int32_t(w));
    for (uint32_t i = 0; i < rowBytes; ++i) bytes[i] = reverseBits(scratch[k][i]);
    if (w & 7) bytes[rowBytes - 1] &= uint8_t(0xFF00 >> (w & 7));
  }) != 0;
}

}  // namespace

Status writePsdDocument(const Document& document, const std::string& path, bool rle, Progress* progress) {
  if (document.layerCount() < 1) return Status::failed("cannot write '" + path + "': the document has no layer");
  FileStream out;
  Status opened = out.openWrite(path);
  if (!opened.isOk()) return opened;
  bool ok;
  if (isFlat(document)) {
    const int32_t kind = document.layer(0)->kind;
    const uint16_t channels = kind == kLayerKind32 ? 3 : 1;
    const uint16_t depth = kind == kLayerKind1 ? 1 : 8;
    const uint16_t mode = kind == kLayerKind32 ? 3 : kind == kLayerKind8 ? 1 : 0;
    ok = writeHeader(out, document, channels, depth, mode) && writeFlat(out, document, rle);
  } else {
    ok = writeHeader(out, document, 3, 8, 3) && writeLayerSection(out, document, rle, progress) &&
         writeComposite(out, document, rle, progress);
  }
  // A failed write leaves the stream failed, and commit then reports the system's reason
  // without replacing the target; any other failure abandons the file.
  if (!ok && out.writeU8(0)) {
    out.close();
    return Status::failed("cannot write '" + path + "': not enough memory");
  }
  return out.commit();
}

}  // namespace kanvo
