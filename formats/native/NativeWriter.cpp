#include "formats/native/NativeWriter.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

#include "document/DocumentCompositor.h"
#include "formats/AtomicFile.h"
#include "formats/Endian.h"
#include "formats/native/NativeFormat.h"
#include "formats/native/NativeRecords.h"
#include "formats/native/NativeStores.h"
#include "raster/image/Image32.h"
#include "raster/parallel/WorkerPool.h"

namespace kanvo {

namespace {

using namespace native;

constexpr int32_t kVectorBandRows = 64;

// What the type-0 chunk of a layer covers: a block of the layer's store (or, for a vector
// layer, of the canvas) and its canvas position.
struct ShownBlock {
  int32_t storeX = 0, storeY = 0;  // the block's first pixel in store coordinates
  int32_t width = 1, height = 1;
  int32_t canvasX = 0, canvasY = 0;
};

uint32_t storeWidthOf(const Layer& layer) { return layer.isRaster() ? layer.storeWidth() : 0; }
uint32_t storeHeightOf(const Layer& layer) { return layer.isRaster() ? layer.storeHeight() : 0; }

// The whole store when plain readers accept its size; otherwise its part over the canvas (a
// single transparent pixel when nothing of it is there).
ShownBlock shownBlockOf(const Layer& layer, const Document& doc) {
  ShownBlock b;
  if (!layer.isRaster()) {
    b.width = doc.width();
    b.height = doc.height();
    return b;
  }
  const int64_t w = storeWidthOf(layer), h = storeHeightOf(layer);
  if (w >= 1 && h >= 1 && w <= kMaxSide && h <= kMaxSide) {
    b.width = int32_t(w);
    b.height = int32_t(h);
    b.canvasX = layer.offsetX;
    b.canvasY = layer.offsetY;
    return b;
  }
  const int64_t x0 = std::max<int64_t>(layer.offsetX, 0), y0 = std::max<int64_t>(layer.offsetY, 0);
  const int64_t x1 = std::min<int64_t>(int64_t(layer.offsetX) + w, doc.width());
  const int64_t y1 = std::min<int64_t>(int64_t(layer.offsetY) + h, doc.height());
  if (x1 <= x0 || y1 <= y0) return b;
  b = {int32_t(x0 - layer.offsetX), int32_t(y0 - layer.offsetY), int32_t(x1 - x0), int32_t(y1 - y0),
       int32_t(x0), int32_t(y0)};
  return b;
}

// Whether the LAYX record carries the layer's own store.
bool recordHoldsStore(const Layer& layer, const ShownBlock& block) {
  if (layer.kind == kLayerKind8 || layer.kind == kLayerKind1) return true;
  return layer.kind == kLayerKind32 &&
         (uint32_t(block.width) != storeWidthOf(layer) || uint32_t(block.height) != storeHeightOf(layer));
}

// The rows of a raster layer as it shows, as Color32 values: its colour; or its layer colour
// with the coverage (or the halftone bit) scaling the colour's alpha. With an opaque layer
// colour, these composite exactly as the layer does.
class ShownRows {
 public:
  ShownRows(const Layer& layer, const ShownBlock& block) : layer_(layer), block_(block) {}

  bool prepare() {
    try {
      scratch_.resize(std::max({layer_.pixels32.rowBufferBytes(), layer_.pixels8.rowBufferBytes(),
                                layer_.pixels1.rowBufferBytes(), size_t(1)}));
      row_.resize(size_t(block_.width));
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  // Row y of the block.
  const uint8_t* row(int32_t y) {
    const int32_t sy = block_.storeY + y, x0 = block_.storeX, w = block_.width;
    // The coverage spans paint a colour of 0 as opaque black.
    const Color32 coverageColour = layer_.colour != 0 ? layer_.colour : kOpaqueBlack;
    const uint32_t rgb = coverageColour & 0x00FFFFFFu, alpha = alphaOf(coverageColour);
    switch (compositeSourceOf(layer_, false)) {
      case CompositeSource::kColour32:
        layer_.pixels32.readRow(scratch_.data(), x0, sy, w);
        return scratch_.data() + size_t(x0) * 4;
      case CompositeSource::kCoverage8:
        layer_.pixels8.readRow(scratch_.data(), x0, sy, w);
        for (int32_t i = 0; i < w; ++i) {
          const uint32_t c = scratch_[size_t(x0 + i)];
          row_[size_t(i)] = c ? rgb | (c * alpha / 255) << 24 : 0u;
        }
        break;
      case CompositeSource::kBits1:
        layer_.pixels1.readRow(scratch_.data(), x0, sy, w);
        for (int32_t i = 0; i < w; ++i) {
          const int32_t px = x0 + i;
          row_[size_t(i)] = (scratch_[size_t(px >> 3)] >> (px & 7)) & 1 ? layer_.colour : 0u;
        }
        break;
      default:
        std::fill(row_.begin(), row_.end(), 0u);
        break;
    }
    return reinterpret_cast<const uint8_t*>(row_.data());
  }

 private:
  const Layer& layer_;
  ShownBlock block_;
  std::vector<uint8_t> scratch_;
  std::vector<uint32_t> row_;
};

bool deflateShownRaster(const Layer& layer, const ShownBlock& block, std::vector<uint8_t>& out) {
  ShownRows rows(layer, block);
  if (!rows.prepare()) return false;
  RowDeflater deflater(out);
  for (int32_t y = 0; y < block.height; ++y)
    if (!deflater.add(rows.row(y), size_t(block.width) * 4)) return false;
  return deflater.finish();
}

// A vector layer drawn on the canvas in bands, through the document's renderer.
bool deflateShownVector(const Document& doc, const Layer& layer, std::vector<uint8_t>& out) {
  Image32 band;
  if (!band.resizeBuffer(doc.width(), kVectorBandRows)) return false;
  RowDeflater deflater(out);
  for (int32_t y0 = 0; y0 < doc.height(); y0 += kVectorBandRows) {
    band.fill(0);
    doc.drawVectorLayer(layer, band, 0.0, -double(y0));
    const int32_t rows = std::min(kVectorBandRows, doc.height() - y0);
    for (int32_t r = 0; r < rows; ++r)
      if (!deflater.add(reinterpret_cast<const uint8_t*>(band.rowAddress(r)), size_t(doc.width()) * 4))
        return false;
  }
  return deflater.finish();
}

bool deflateOwnStore(const Layer& layer, std::vector<uint8_t>& out) {
  switch (layer.kind) {
    case kLayerKind32: return deflateStore(layer.pixels32, out);
    case kLayerKind8: return deflateStore(layer.pixels8, out);
    default: return deflateStore(layer.pixels1, out);
  }
}

// One compressed stream of the file.
struct StreamJob {
  std::function<bool(std::vector<uint8_t>&)> make;
  std::vector<uint8_t> bytes;
  bool ok = false;
};

class NativeWriter {
 public:
  NativeWriter(const Document& doc, const NativeWriteOptions& options) : doc_(doc), options_(options) {}

  // Compresses every stream, then hands the file's bytes to put piece by piece.
  Status write(const std::function<bool(const uint8_t*, size_t)>& put);

 private:
  struct LayerPlan {
    ShownBlock block;
    size_t shown = 0;          // index of the type-0 stream's job
    size_t store = SIZE_MAX;   // index of the store stream's job, if any
  };

  void plan();
  Status compress();

  const Document& doc_;
  NativeWriteOptions options_;
  std::vector<LayerPlan> layers_;
  std::vector<size_t> selections_;  // job index of each selection's mask
  std::vector<StreamJob> jobs_;
};

void NativeWriter::plan() {
  auto add = [this](std::function<bool(std::vector<uint8_t>&)> make) {
    jobs_.push_back({std::move(make), {}, false});
    return jobs_.size() - 1;
  };
  for (int32_t i = 0; i < doc_.layerCount(); ++i) {
    const Layer& layer = *doc_.layer(i);
    LayerPlan p;
    p.block = shownBlockOf(layer, doc_);
    const ShownBlock block = p.block;
    if (layer.kind == kLayerKindVector)
      p.shown = add([this, &layer](std::vector<uint8_t>& out) { return deflateShownVector(doc_, layer, out); });
    else
      p.shown = add([&layer, block](std::vector<uint8_t>& out) { return deflateShownRaster(layer, block, out); });
    if (recordHoldsStore(layer, block))
      p.store = add([&layer](std::vector<uint8_t>& out) { return deflateOwnStore(layer, out); });
    layers_.push_back(p);
  }
  for (int32_t i = 0; i < doc_.selectionCount(); ++i) {
    const Selection& s = *doc_.selection(i);
    selections_.push_back(add([&s](std::vector<uint8_t>& out) { return deflateStore(s.mask, out); }));
  }
}

Status NativeWriter::compress() {
  // Vector layers first, here: the renderer belongs to this thread.
  std::vector<size_t> pieces;
  for (size_t i = 0; i < layers_.size(); ++i) {
    StreamJob& job = jobs_[layers_[i].shown];
    if (doc_.layer(int32_t(i))->kind == kLayerKindVector) {
      job.ok = job.make(job.bytes);
    } else {
      pieces.push_back(layers_[i].shown);
    }
    if (layers_[i].store != SIZE_MAX) pieces.push_back(layers_[i].store);
  }
  for (size_t s : selections_) pieces.push_back(s);
  parallel::parallelFor(pieces.size(), [&](size_t k) {
    StreamJob& job = jobs_[pieces[k]];
    try {
      job.ok = job.make(job.bytes);
    } catch (const std::bad_alloc&) {
      job.ok = false;
    }
  }, options_.threads);
  for (const StreamJob& job : jobs_)
    if (!job.ok) return Status::failed("not enough memory to compress the document");
  return Status::ok();
}

Status NativeWriter::write(const std::function<bool(const uint8_t*, size_t)>& put) {
  try {
    plan();
  } catch (const std::bad_alloc&) {
    return Status::failed("not enough memory to plan the document");
  }
  Status s = compress();
  if (!s.isOk()) return s;

  std::vector<uint8_t> bytes(kHeaderBytes, 0);
  std::memcpy(bytes.data(), kSignature, sizeof kSignature);
  storeU32LE(bytes.data() + kFormatVersionAt, kFormatVersion);
  storeU32LE(bytes.data() + kHeaderWidthAt, uint32_t(doc_.width()));
  storeU32LE(bytes.data() + kHeaderHeightAt, uint32_t(doc_.height()));
  storeU32LE(bytes.data() + kHeaderResolutionAt, uint32_t(doc_.resolution));
  uint64_t position = 0;
  bool good = true;
  auto emit = [&](const uint8_t* p, size_t n) {
    if (good && n > 0) good = put(p, n);
    position += n;
  };
  auto emitBytes = [&] {
    emit(bytes.data(), bytes.size());
    bytes.clear();
  };
  auto endChunk = [&] {
    static const uint8_t zeros[kChunkAlignment] = {};
    emit(zeros, size_t((kChunkAlignment - position % kChunkAlignment) % kChunkAlignment));
  };
  std::vector<uint8_t> none;
  for (size_t i = 0; i < layers_.size() && good; ++i) {
    const Layer& layer = *doc_.layer(int32_t(i));
    const LayerPlan& p = layers_[i];
    if (options_.progress) options_.progress->report(int32_t(i), int32_t(layers_.size()));
    std::vector<uint8_t>& shown = jobs_[p.shown].bytes;
    if (shown.size() > uint64_t(INT32_MAX) - kChunkHeaderBytes - kLayerHeaderBytes)
      return Status::failed("a layer's pixels do not fit in a native document (over 2 GiB compressed)");
    const size_t chunkAt = bytes.size();
    bytes.resize(chunkAt + kChunkHeaderBytes + kLayerHeaderBytes, 0);
    uint8_t* c = bytes.data() + chunkAt;
    uint8_t* h = c + kChunkHeaderBytes;
    storeU32LE(c, uint32_t(kLayerChunkType));
    storeU32LE(c + 4, uint32_t(kChunkHeaderBytes + kLayerHeaderBytes + shown.size()));
    storeU32LE(h + kLayerWidthAt, uint32_t(p.block.width));
    storeU32LE(h + kLayerHeightAt, uint32_t(p.block.height));
    storeU32LE(h + kLayerOffsetXAt, uint32_t(p.block.canvasX));
    storeU32LE(h + kLayerOffsetYAt, uint32_t(p.block.canvasY));
    storeU32LE(h + kLayerCompressedSizeAt, uint32_t(shown.size()));
    emitBytes();
    emit(shown.data(), shown.size());
    endChunk();
    std::vector<uint8_t>().swap(shown);

    LayerRecord r = LayerRecord::of(layer, int32_t(i));
    std::vector<uint8_t>& store = p.store != SIZE_MAX ? jobs_[p.store].bytes : none;
    if (p.store != SIZE_MAX) {
      r.storeWidth = int32_t(storeWidthOf(layer));
      r.storeHeight = int32_t(storeHeightOf(layer));
    }
    appendLayerRecord(bytes, r, store);
    std::vector<uint8_t>().swap(store);
    emitBytes();
    endChunk();
  }
  for (size_t i = 0; i < selections_.size() && good; ++i) {
    const Selection& sel = *doc_.selection(int32_t(i));
    SelectionRecord r;
    r.index = int32_t(i);
    r.mode = sel.mode;
    r.flag = i < doc_.selectionFlags().size() ? doc_.selectionFlags()[i] : 0;
    r.maskWidth = int32_t(sel.mask.width());
    r.maskHeight = int32_t(sel.mask.height());
    appendSelectionRecord(bytes, r, jobs_[selections_[i]].bytes);
    std::vector<uint8_t>().swap(jobs_[selections_[i]].bytes);
    emitBytes();
    endChunk();
  }
  appendDocumentRecord(bytes, {doc_.currentLayerIndex(), doc_.currentSelectionIndex(), doc_.layerCount()});
  emitBytes();
  endChunk();
  appendEndRecord(bytes);
  emitBytes();
  if (options_.progress) options_.progress->report(int32_t(layers_.size()), int32_t(layers_.size()));
  return good ? Status::ok() : Status::failed("the file could not be written");
}

}  // namespace

Status writeNativeDocument(const Document& document, const std::string& path, const NativeWriteOptions& options) {
  AtomicFile out;
  Status s = out.begin(path);
  if (!s.isOk()) return s;
  Status written = NativeWriter(document, options).write(
      [&out](const uint8_t* bytes, size_t n) { return n == 0 || out.write(bytes, n); });
  if (!written.isOk() && !out.hasFailed()) {
    out.abandon();
    return Status::failed("cannot write '" + path + "': " + written.reason());
  }
  return out.commit();  // reports the write error with its reason
}

Status encodeNativeDocument(const Document& document, std::vector<uint8_t>& out, const NativeWriteOptions& options) {
  try {
    return NativeWriter(document, options).write([&out](const uint8_t* bytes, size_t n) {
      out.insert(out.end(), bytes, bytes + n);
      return true;
    });
  } catch (const std::bad_alloc&) {
    return Status::failed("not enough memory for the document's bytes");
  }
}

}  // namespace kanvo
