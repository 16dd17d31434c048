#include "formats/psd/PsdWriter.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <new>
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

// Image data as planes of h rows of w bytes, each plane's rows packed (or raw) in runs of
// kBandRows rows, with the packed row lengths (2 bytes each, big-endian) when packed.
struct Planes {
  bool rle = true;
  std::vector<std::vector<uint8_t>> counts;
  std::vector<std::vector<std::vector<uint8_t>>> runs;  // plane, then run
};

// Makes the planes: rowsAt(slot, y, bytes) fills row y of every plane, plane p at bytes + p * w.
// Rows are filled and packed in runs on the worker pool, `slots` runs at a time, each on a slot
// of its own (for state the caller keeps per slot), so every row is made once. afterRun(y)
// follows each run on the calling thread. False when the planes cannot be held.
using PlaneRows = std::function<void(size_t slot, uint32_t y, uint8_t* bytes)>;
bool makePlanes(Planes& planes, uint32_t w, uint32_t h, int count, bool rle, size_t slots, const PlaneRows& rowsAt,
                const std::function<void(uint32_t y)>& afterRun = {}) try {
  const uint32_t runCount = (h + kBandRows - 1) / kBandRows;
  planes.rle = rle && w <= kMaxPackedRowBytes;
  // Planes made before keep their memory for these.
  planes.counts.resize(size_t(count));
  for (std::vector<uint8_t>& counts : planes.counts) counts.assign(planes.rle ? size_t(h) * 2 : 0, 0);
  planes.runs.resize(size_t(count));
  for (std::vector<std::vector<uint8_t>>& runs : planes.runs) runs.resize(runCount);
  struct Slot {
    std::vector<uint8_t> rows, bytes;  // a row of every plane; each plane's run as it is made
  };
  std::vector<Slot> slotData(std::max<size_t>(slots, 1));
  const size_t stride = size_t(kBandRows) * packBitsBound(w);  // one plane's run at most
  for (uint32_t first = 0; first < runCount; first += uint32_t(slotData.size())) {
    const uint32_t n = std::min(uint32_t(slotData.size()), runCount - first);
    parallel::parallelFor(n, [&](size_t k) {
      Slot& slot = slotData[k];
      slot.rows.resize(size_t(w) * size_t(count));
      slot.bytes.resize(stride * size_t(count));
      std::vector<size_t> used(size_t(count), 0);
      const uint32_t run = first + uint32_t(k), y0 = run * kBandRows, y1 = std::min(h, y0 + kBandRows);
      for (uint32_t y = y0; y < y1; ++y) {
        rowsAt(k, y, slot.rows.data());
        for (size_t p = 0; p < size_t(count); ++p) {
          const uint8_t* row = slot.rows.data() + p * w;
          uint8_t* to = slot.bytes.data() + p * stride + used[p];
          if (!planes.rle) {
            std::memcpy(to, row, w);
            used[p] += w;
            continue;
          }
          const size_t packed = packBitsRow(row, w, to);
          used[p] += packed;
          planes.counts[p][size_t(y) * 2] = uint8_t(packed >> 8);
          planes.counts[p][size_t(y) * 2 + 1] = uint8_t(packed);
        }
      }
      for (size_t p = 0; p < size_t(count); ++p)
        planes.runs[p][run].assign(slot.bytes.data() + p * stride, slot.bytes.data() + p * stride + used[p]);
    });
    if (afterRun)
      for (uint32_t k = 0; k < n; ++k) afterRun((first + k) * kBandRows);
  }
  return true;
} catch (const std::bad_alloc&) {
  return false;
}

// Writes planes [first, last) as one block of image data: compression, the row lengths of
// every plane, then their bytes. Returns the bytes written, 0 on a write failure.
uint64_t writePlanes(FileStream& out, const Planes& planes, size_t first, size_t last) {
  const uint64_t start = out.position();
  if (!out.writeU16BE(planes.rle ? 1 : 0)) return 0;
  for (size_t p = first; p < last; ++p)
    if (planes.rle && !out.write(planes.counts[p].data(), planes.counts[p].size())) return 0;
  for (size_t p = first; p < last; ++p)
    for (const std::vector<uint8_t>& run : planes.runs[p])
      if (!run.empty() && !out.write(run.data(), run.size())) return 0;
  return out.position() - start;
}

// The red, green, blue (and, with 4 planes, alpha) bytes of w pixels into planes of w bytes at
// bytes, in that order.
void splitPixels(const Color32* pixels, uint32_t w, int planes, uint8_t* bytes) {
  constexpr int kShifts[4] = {16, 8, 0, 24};
  for (int p = 0; p < planes; ++p, bytes += w) {
    const int shift = kShifts[p];
    for (uint32_t x = 0; x < w; ++x) bytes[x] = uint8_t(pixels[x] >> shift);
  }
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
  Planes planes;  // one layer's channels, the memory kept from layer to layer
  for (int32_t i = 0; i < count; ++i) {
    if (progress) progress->report(i, count);
    const Layer& layer = *doc.layer(i);
    LayerRows rows(layer);
    if (!rows.prepare(doc)) return false;
    const Rect b = bounds[size_t(i)];
    std::vector<RowScratch> scratch(static_cast<size_t>(parallel::threadCount()));
    const bool made = makePlanes(planes, uint32_t(b.width), uint32_t(b.height), 4, rle, scratch.size(),
                                 [&](size_t k, uint32_t y, uint8_t* bytes) {
                                   std::vector<Color32>& pixels = scratch[k].pixels;
                                   pixels.resize(size_t(b.width));
                                   rows.row(b.x, b.y + int32_t(y), b.width, pixels.data(), scratch[k].store);
                                   splitPixels(pixels.data(), uint32_t(b.width), 4, bytes);
                                 });
    if (!made) return false;
    for (size_t c = 0; c < 4; ++c) {
      const uint64_t n = writePlanes(out, planes, c, c + 1);
      if (n == 0 || n > 0xFFFFFFFFu) return false;
      const uint64_t end = out.position();
      if (!out.seekTo(lengthAt[size_t(i) * 4 + c]) || !out.writeU32BE(uint32_t(n)) || !out.seekTo(end)) return false;
    }
  }
  if (!out.padTo(2) || !out.writeU32BE(0)) return false;
  const uint64_t end = out.position();
  const uint64_t size = end - sectionAt;
  if (size - 4 > 0xFFFFFFFFu) return false;
  return out.seekTo(sectionAt) && out.writeU32BE(uint32_t(size - 4)) && out.writeU32BE(uint32_t(size - 12)) &&
         out.seekTo(end);
}

// The merged image of a layered file: the composite over white, red, green and blue planes,
// each band composited once.
bool writeComposite(FileStream& out, const Document& doc, bool rle, Progress* progress) {
  const uint32_t w = uint32_t(doc.width()), h = uint32_t(doc.height());
  std::deque<Image32> bands;
  std::vector<int64_t> held;  // the band each band image holds
  for (int32_t k = bandsAtOnce(doc); k > 0; --k) {
    if (!bands.emplace_back().resizeBuffer(int32_t(w), int32_t(kBandRows))) return false;
    held.push_back(-1);
  }
  CompositeOptions options;
  options.background = kOpaqueWhite;
  const uint32_t bandCount = (h + kBandRows - 1) / kBandRows;
  const auto rowsAt = [&](size_t k, uint32_t y, uint8_t* bytes) {
    const uint32_t bi = y / kBandRows;
    if (int64_t(bi) != held[k]) {
      doc.compositeRow(bands[k], options, int32_t(bi), 0);
      held[k] = bi;
    }
    splitPixels(bands[k].pixelAddress(0, int32_t(y - bi * kBandRows)), w, 3, bytes);
  };
  const auto afterRun = [&](uint32_t y) {
    if (progress) progress->report(int32_t(y / kBandRows), int32_t(bandCount));
  };
  Planes planes;
  return makePlanes(planes, w, h, 3, rle, bands.size(), rowsAt, afterRun) && writePlanes(out, planes, 0, 3) != 0;
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
  Planes planes;
  bool made;
  if (layer.kind == kLayerKind32) {
    made = makePlanes(planes, w, h, 3, rle, scratch.size(), [&](size_t k, uint32_t y, uint8_t* bytes) {
      scratch[k].resize(layer.pixels32.rowBufferBytes());
      layer.pixels32.readRow(scratch[k].data(), 0, int32_t(y), int32_t(w));
      splitPixels(reinterpret_cast<const Color32*>(scratch[k].data()), w, 3, bytes);
    });
  } else if (layer.kind == kLayerKind8) {
    made = makePlanes(planes, w, h, 1, rle, scratch.size(), [&](size_t k, uint32_t y, uint8_t* bytes) {
      scratch[k].resize(layer.pixels8.rowBufferBytes());
      layer.pixels8.readRow(scratch[k].data(), 0, int32_t(y), int32_t(w));
      for (uint32_t x = 0; x < w; ++x) bytes[x] = uint8_t(255 - scratch[k][x]);
    });
  } else {
    const uint32_t rowBytes = (w + 7) / 8;
    made = makePlanes(planes, rowBytes, h, 1, rle, scratch.size(), [&](size_t k, uint32_t y, uint8_t* bytes) {
      scratch[k].resize(layer.pixels1.rowBufferBytes());
      layer.pixels1.readRow(scratch[k].data(), 0, int32_t(y), int32_t(w));
      for (uint32_t i = 0; i < rowBytes; ++i) bytes[i] = reverseBits(scratch[k][i]);
      if (w & 7) bytes[rowBytes - 1] &= uint8_t(0xFF00 >> (w & 7));
    });
  }
  return made && writePlanes(out, planes, 0, planes.runs.size()) != 0;
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
