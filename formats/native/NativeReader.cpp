#include "formats/native/NativeReader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "formats/Endian.h"
#include "formats/FileStream.h"
#include "formats/native/NativeFormat.h"
#include "formats/native/NativeRecords.h"
#include "formats/native/NativeStores.h"
#include "formats/native/ZlibInflater.h"
#include "raster/parallel/WorkerPool.h"

namespace kanvo {

namespace {

using namespace native;

// Where the reader takes its bytes from: a file read piece by piece, or bytes in memory.
class NativeInput {
 public:
  virtual ~NativeInput() = default;
  uint64_t size() const { return size_; }
  uint64_t position() const { return position_; }
  uint64_t remaining() const { return size_ - position_; }
  // Copies up to n bytes from the current position; returns how many were there.
  virtual size_t read(void* dst, size_t n) = 0;
  // Up to n bytes from the current position, valid until the next call; got says how many
  // (0 at the end).
  virtual const uint8_t* next(size_t n, size_t& got) = 0;
  // Moves to an absolute offset; an offset past the end moves to the end and returns false.
  virtual bool seekTo(uint64_t offset) = 0;
  // Whether what next() returns stays valid for the whole read (bytes in memory).
  virtual bool holdsBytes() const { return false; }

 protected:
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

class MemoryInput final : public NativeInput {
 public:
  MemoryInput(const uint8_t* bytes, size_t size) : bytes_(bytes) { size_ = bytes ? size : 0; }
  size_t read(void* dst, size_t n) override {
    size_t got = 0;
    const uint8_t* p = next(n, got);
    if (got) std::memcpy(dst, p, got);
    return got;
  }
  const uint8_t* next(size_t n, size_t& got) override {
    got = size_t(std::min<uint64_t>(n, remaining()));
    const uint8_t* p = bytes_ + position_;
    position_ += got;
    return p;
  }
  bool seekTo(uint64_t offset) override {
    position_ = std::min(offset, size_);
    return offset <= size_;
  }
  bool holdsBytes() const override { return true; }

 private:
  const uint8_t* bytes_;
};

class FileInput final : public NativeInput {
 public:
  static constexpr size_t kPieceBytes = size_t(1) << 20;

  Status open(const std::string& path) {
    Status s = file_.openRead(path);
    if (s.isOk()) size_ = file_.size();
    return s;
  }
  size_t read(void* dst, size_t n) override {
    size_t want = size_t(std::min<uint64_t>(n, remaining()));
    size_t got = want ? file_.readSome(dst, want) : 0;
    settle(got, want);
    return got;
  }
  const uint8_t* next(size_t n, size_t& got) override {
    if (piece_.empty()) piece_.resize(kPieceBytes);
    got = read(piece_.data(), std::min(n, piece_.size()));
    return piece_.data();
  }
  bool seekTo(uint64_t offset) override {
    const uint64_t target = std::min(offset, size_);
    if (target != position_ && !file_.seekTo(target)) {
      size_ = position_;  // the file is no longer what it was: nothing more is read
      return false;
    }
    position_ = target;
    return offset <= size_;
  }

 private:
  // A short read means the file shrank since it was opened: its end is where reading stopped.
  void settle(size_t got, size_t want) {
    position_ += got;
    if (got < want) size_ = position_;
  }

  FileStream file_;
  std::vector<uint8_t> piece_;
};

int32_t fieldAt(const uint8_t* bytes, uint32_t at) {
  return int32_t(loadU32LE(bytes + at));
}

uint64_t alignUp(uint64_t offset) {
  return (offset + kChunkAlignment - 1) / kChunkAlignment * kChunkAlignment;
}

std::string plural(int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Compressed layer pixels read from a file are held for the worker pool up to this many bytes
// per thread; a larger stream is inflated as it is read.
constexpr uint64_t kHeldBytesPerThread = uint64_t(32) << 20;
// Up to this many steps with work are held per thread before they run, so that layers of
// unequal cost (an opaque backdrop, sparse strokes) share the threads evenly.
constexpr size_t kHeldWorksPerThread = 4;

struct PixelsRead {
  enum Outcome {
    kComplete,    // every pixel, and the stream ended with a good check value
    kShort,       // the stream (or the input) ended before the last pixel
    kDamaged,     // zlib found bad data; reason says what
    kTooLong,     // every pixel, and the stream goes on (the rest is ignored)
    kUnfinished,  // every pixel, but the input ended before the stream's end and check value
    kNoMemory,
  } outcome = kComplete;
  uint64_t bytes = 0;  // pixel bytes decoded
  std::string reason;
  bool reduced = false;  // the layer's reduced images were made as its rows came
};

// Inflates the layer's pixels from the next `available` bytes of the input into its store, a
// band of rows at a time, each band then written into the tiles whole, and each tile row, once
// written, reduced into the layer's reduced images (freshly prepared) while it is still in the
// cache; afterRows (optional) follows every band (at most 64 rows). Pixels the stream does not
// deliver are 0. Touches nothing but the layer's store, its reduced images and the input, so
// layers are inflated on several threads at once, each from its own input.
PixelsRead inflateLayer(Layer& layer, int32_t width, int32_t height, NativeInput& in, uint64_t available,
                        const std::function<void()>& afterRows);

// A selection record decoded and its mask inflated. This needs nothing of the document but
// the canvas size, so it runs on the worker pool; the record is taken in later, in file order.
struct SelectionRead {
  RecordCheck check = RecordCheck::kDamaged;
  SelectionRecord r;
  std::string why;     // what is wrong with the record, or else with its mask
  bool fits = false;   // the mask has the canvas size and the mode is known
  TiledImage8 mask;
  void read(const uint8_t* body, size_t size, int32_t width, int32_t height);
};

class NativeReader {
 public:
  NativeReader(Document& document, NativeInput& input, Progress* progress, NativeReadSummary& summary)
      : document_(document), in_(input), progress_(progress), summary_(summary) {}

  Status read();

 private:
  enum class Next { kGoOn, kStop };

  Next readLayerChunk(uint64_t chunkStart);
  // A record chunk of kanvo's (NativeFormat.h) whose body of `bodyBytes` follows.
  void readRecord(int32_t type, uint64_t chunkStart, uint64_t bodyBytes);
  // Each returns the damage found (empty when the record was taken in). A layer record
  // belongs to `layer`, added for the layer chunk numbered `ordinal`, the last one read before it.
  std::string applyLayerRecord(const uint8_t* body, size_t size, Layer* layer, int32_t ordinal);
  std::string applySelectionRecord(SelectionRead& got);
  std::string takeDocumentRecord(const uint8_t* body, size_t size);
  // Whether a decoded record can be used; one of a version this reader does not know is
  // skipped like a chunk of an unknown type (why is then cleared: it is no damage).
  bool known(native::RecordCheck check, std::string& why) {
    if (check == native::RecordCheck::kUnknownVersion) {
      ++summary_.skippedChunks;
      why.clear();
    }
    return check == native::RecordCheck::kGood;
  }
  void finishDocument();
  // Problems are noted in file order: the steps held back come first.
  void note(std::string problem) {
    if (!finishing_) flush();
    if (problemCount_++ == 0) firstProblem_ = std::move(problem);
  }
  // Work held back so that several layers inflate at once: each step's work (if any) runs on
  // the worker pool, then the steps finish in file order on this thread.
  struct Step {
    std::function<void()> work, finish;
  };
  void hold(Step step, uint64_t bytes) {
    held_.push_back(std::move(step));
    heldBytes_ += bytes;
    if (held_.back().work) ++heldWorks_;
    if (heldWorks_ >= kHeldWorksPerThread * size_t(threads_) || heldBytes_ >= kHeldBytesPerThread * uint64_t(threads_)) flush();
  }
  void flush();
  // What follows the inflation of a layer chunk's pixels.
  void finishLayerChunk(Layer& layer, const PixelsRead& got, int32_t width, int32_t height, bool cut,
                        const std::string& layerName);
  void report() {
    if (progress_ == nullptr || in_.size() == 0) return;
    const uint64_t total = in_.size();
    const int shift = total > uint64_t(INT32_MAX) ? 16 : 0;
    progress_->report(int32_t(in_.position() >> shift), int32_t(total >> shift));
  }
  // Moves to the next chunk: the first 4-byte boundary at or after offset. A file that ends
  // in the padding is complete.
  void moveToChunkAfter(uint64_t offset) { in_.seekTo(alignUp(offset)); }

  Document& document_;
  NativeInput& in_;
  Progress* progress_;
  NativeReadSummary& summary_;
  std::string firstProblem_;
  int64_t problemCount_ = 0;
  const int threads_ = parallel::threadCount();
  std::vector<Step> held_;
  size_t heldWorks_ = 0;
  uint64_t heldBytes_ = 0;
  bool finishing_ = false;
  int32_t recordTakenFor_ = -1;  // the layer chunk whose record was taken last
  bool signedByKanvo_ = false;  // the header's signature: the file ends with an end record
  bool sawEnd_ = false;
  int32_t layerOrdinal_ = -1;      // index of the last layer chunk among the file's layer chunks
  Layer* lastLayer_ = nullptr;     // the layer it added
  bool haveDocumentRecord_ = false;
  native::DocumentRecord documentRecord_;
};

Status NativeReader::read() {
  uint8_t header[kHeaderBytes];
  if (in_.read(header, kHeaderBytes) < kHeaderBytes)
    return Status::failed("not a kanvo document: the file is shorter than the " +
                          std::to_string(kHeaderBytes) + "-byte header");
  const int32_t width = fieldAt(header, kHeaderWidthAt);
  const int32_t height = fieldAt(header, kHeaderHeightAt);
  if (!isValidSide(width) || !isValidSide(height))
    return Status::failed("not a kanvo document: the canvas size " + std::to_string(width) + " x " +
                          std::to_string(height) + " is outside 1 ... " + std::to_string(kMaxSide));
  if (!document_.initialise(width, height))
    return Status::failed("not enough memory for a " + std::to_string(width) + " x " +
                          std::to_string(height) + " canvas");
  document_.resolution = fieldAt(header, kHeaderResolutionAt);
  signedByKanvo_ = std::memcmp(header, kSignature, sizeof kSignature) == 0 &&
                   loadU32LE(header + kFormatVersionAt) >= kFormatVersion;

  for (;;) {
    report();
    const uint64_t chunkStart = in_.position();
    if (in_.remaining() == 0) break;
    uint8_t chunk[kChunkHeaderBytes];
    if (in_.read(chunk, kChunkHeaderBytes) < kChunkHeaderBytes) {
      summary_.truncated = true;
      note("the file ends inside the chunk header at offset " + std::to_string(chunkStart));
      break;
    }
    const int32_t type = fieldAt(chunk, 0);
    const int32_t size = fieldAt(chunk, 4);
    if (size < 1) {  // the end marker
      sawEnd_ = type == kEndRecordType;
      break;
    }
    if (type == kLayerChunkType) {
      if (readLayerChunk(chunkStart) == Next::kStop) break;
      continue;
    }
    if (uint32_t(size) < kChunkHeaderBytes) {
      note("the chunk at offset " + std::to_string(chunkStart) + " has the impossible size " +
           std::to_string(size));
      break;
    }
    if (uint64_t(size) - kChunkHeaderBytes > in_.remaining()) {
      summary_.truncated = true;
      note("the file ends inside the chunk at offset " + std::to_string(chunkStart));
      break;
    }
    if (type == kLayerRecordType || type == kSelectionRecordType || type == kDocumentRecordType)
      readRecord(type, chunkStart, uint64_t(size) - kChunkHeaderBytes);
    else
      ++summary_.skippedChunks;
    moveToChunkAfter(chunkStart + uint64_t(size));
  }
  flush();
  if (signedByKanvo_ && !sawEnd_ && !summary_.truncated) {
    summary_.truncated = true;
    note("the file ends before its end record");
  }

  finishDocument();
  report();

  std::string reason;
  if (problemCount_ > 0) {
    reason = "the file is damaged: " + firstProblem_;
    if (problemCount_ > 1)
      reason += " (and " + plural(problemCount_ - 1, "more problem", "more problems") + ")";
  }
  if (summary_.layersBeyondLimit > 0) {
    if (!reason.empty()) reason += "; ";
    reason += "a document holds at most " + std::to_string(Document::kMaxLayers) +
              " layers: " + plural(summary_.layersBeyondLimit, "more layer was", "more layers were") +
              " left out";
  }
  if (reason.empty()) return Status::ok();
  reason += "; " + plural(summary_.layersRead, "layer", "layers") + " read";
  if (summary_.damagedLayers > 0)
    reason += ", " + std::to_string(summary_.damagedLayers) + " of them incomplete";
  return Status::partial(reason);
}

NativeReader::Next NativeReader::readLayerChunk(uint64_t chunkStart) {
  const std::string where = "the layer chunk at offset " + std::to_string(chunkStart);
  ++layerOrdinal_;
  lastLayer_ = nullptr;
  uint8_t header[kLayerHeaderBytes];
  if (in_.read(header, kLayerHeaderBytes) < kLayerHeaderBytes) {
    summary_.truncated = true;
    note("the file ends inside " + where);
    return Next::kStop;
  }
  const int32_t width = fieldAt(header, kLayerWidthAt);
  const int32_t height = fieldAt(header, kLayerHeightAt);
  const int32_t offsetX = fieldAt(header, kLayerOffsetXAt);
  const int32_t offsetY = fieldAt(header, kLayerOffsetYAt);
  const int32_t compressedSize = fieldAt(header, kLayerCompressedSizeAt);
  if (compressedSize < 0) {
    note(where + " has the negative compressed size " + std::to_string(compressedSize));
    return Next::kStop;
  }
  const uint64_t pixelsAt = in_.position();
  const uint64_t pixelsEnd = pixelsAt + uint64_t(compressedSize);
  const bool cut = uint64_t(compressedSize) > in_.remaining();
  const uint64_t available = cut ? in_.remaining() : uint64_t(compressedSize);
  auto passOver = [&] {
    if (cut) {
      summary_.truncated = true;
      note("the file ends inside the pixels of " + where);
      return Next::kStop;
    }
    moveToChunkAfter(pixelsEnd);
    return Next::kGoOn;
  };

  if (document_.layerCount() >= Document::kMaxLayers) {
    ++summary_.layersBeyondLimit;
    return passOver();
  }
  if (!isValidSide(width) || !isValidSide(height)) {
    ++summary_.rejectedChunks;
    note(where + " declares a layer of " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels (each side must be 1 ... " + std::to_string(kMaxSide) + ")");
    return passOver();
  }
  const uint64_t pixelBytes = uint64_t(width) * uint64_t(height) * 4;
  if (pixelBytes > available * kMaxInflateRatio) {
    ++summary_.rejectedChunks;
    note(where + ": " + std::to_string(available) + " compressed bytes cannot hold a layer of " +
         std::to_string(width) + " x " + std::to_string(height) + " pixels");
    return passOver();
  }

  Layer* layer = document_.addLayer32();
  if (layer == nullptr || !layer->sizeStore(width, height)) {
    if (layer != nullptr) document_.removeLayer(document_.indexOf(layer));
    note("not enough memory for the " + std::to_string(width) + " x " + std::to_string(height) +
         " layer of " + where);
    return Next::kStop;
  }
  layer->setOffset(offsetX, offsetY);
  lastLayer_ = layer;
  ++summary_.layersRead;
  const std::string layerName =
      "layer " + std::to_string(summary_.layersRead) + " (offset " + std::to_string(chunkStart) + ")";
  if (threads_ > 1 && (in_.holdsBytes() || available <= kHeldBytesPerThread)) {
    struct Held {
      std::vector<uint8_t> bytes;  // the compressed pixels of a file
      const uint8_t* data = nullptr;
      size_t size = 0;
      PixelsRead got;
    };
    auto held = std::make_shared<Held>();
    bool taken = true;
    if (in_.holdsBytes()) {
      held->data = in_.next(size_t(available), held->size);
    } else {
      try {
        held->bytes.resize(size_t(available));
        held->size = in_.read(held->bytes.data(), held->bytes.size());
        held->data = held->bytes.data();
      } catch (const std::bad_alloc&) {
        taken = false;  // inflated as it is read
      }
    }
    if (taken) {
      Step step;
      step.work = [held, layer, width, height] {
        MemoryInput slice(held->data, held->size);
        held->got = inflateLayer(*layer, width, height, slice, held->size, {});
      };
      step.finish = [this, held, layer, width, height, cut, layerName] {
        finishLayerChunk(*layer, held->got, width, height, cut, layerName);
      };
      hold(std::move(step), held->bytes.size());
      return passOver();
    }
  }
  flush();
  const PixelsRead got = inflateLayer(*layer, width, height, in_, available, [this] { report(); });
  finishLayerChunk(*layer, got, width, height, cut, layerName);
  return passOver();
}

void NativeReader::finishLayerChunk(Layer& layer, const PixelsRead& got, int32_t width, int32_t height, bool cut,
                                    const std::string& layerName) {
  const uint64_t pixelBytes = uint64_t(width) * uint64_t(height) * 4;
  if (got.reduced) layer.rebuildThumbnail();
  else layer.refresh();
  if (got.bytes < pixelBytes) ++summary_.damagedLayers;
  switch (got.outcome) {
    case PixelsRead::kComplete:
      break;
    case PixelsRead::kShort:
      // A stream cut by the end of the file is reported as the truncation below.
      if (!cut)
        note("the pixels of " + layerName + " end after " + std::to_string(got.bytes) + " of " +
             std::to_string(pixelBytes) + " bytes");
      break;
    case PixelsRead::kDamaged:
      note("the pixels of " + layerName + " are damaged (" + got.reason + ")");
      break;
    case PixelsRead::kTooLong:
      note("the pixels of " + layerName + " hold more than " + std::to_string(width) + " x " +
           std::to_string(height) + " pixels");
      break;
    case PixelsRead::kUnfinished:
      if (!cut) note("the compressed pixels of " + layerName + " lack their end");
      break;
    case PixelsRead::kNoMemory:
      note("not enough memory to read the pixels of " + layerName);
      break;
  }
}

void NativeReader::flush() {
  if (held_.empty()) return;
  std::vector<Step> steps = std::move(held_);
  held_.clear();
  heldWorks_ = 0;
  heldBytes_ = 0;
  std::vector<size_t> works;
  for (size_t i = 0; i < steps.size(); ++i)
    if (steps[i].work) works.push_back(i);
  parallel::parallelFor(works.size(), [&](size_t k) { steps[works[k]].work(); });
  finishing_ = true;
  for (Step& step : steps) step.finish();
  finishing_ = false;
  report();
}

void NativeReader::readRecord(int32_t type, uint64_t chunkStart, uint64_t bodyBytes) {
  const char* what = type == kLayerRecordType       ? "layer record"
                     : type == kSelectionRecordType ? "selection record"
                                                    : "document record";
  std::vector<uint8_t> body;
  try {
    body.resize(size_t(bodyBytes));
  } catch (const std::bad_alloc&) {
    note(std::string("not enough memory to read the ") + what + " at offset " + std::to_string(chunkStart));
    ++summary_.damagedRecords;
    return;
  }
  if (in_.read(body.data(), body.size()) < body.size()) return;  // the file shrank: reported as cut
  // Taken in once the layers read before it are complete; a selection's mask is inflated
  // alongside them.
  Step step;
  auto held = std::make_shared<std::vector<uint8_t>>(std::move(body));
  auto selection = std::make_shared<SelectionRead>();
  if (type == kSelectionRecordType)
    step.work = [held, selection, width = document_.width(), height = document_.height()] {
      selection->read(held->data(), held->size(), width, height);
    };
  step.finish = [this, type, what, chunkStart, layer = lastLayer_, ordinal = layerOrdinal_, held, selection] {
    std::string damage;
    switch (type) {
      case kLayerRecordType: damage = applyLayerRecord(held->data(), held->size(), layer, ordinal); break;
      case kSelectionRecordType: damage = applySelectionRecord(*selection); break;
      default: damage = takeDocumentRecord(held->data(), held->size()); break;
    }
    if (damage.empty()) return;
    ++summary_.damagedRecords;
    note(std::string("the ") + what + " at offset " + std::to_string(chunkStart) + " " + damage);
  };
  hold(std::move(step), held->size());
}

namespace {

// Fills a new store of the record's size from its stream; the why of a failure.
template <int Bpp>
std::string takeStore(const LayerRecord& r, const RecordStream& stream, TiledImage<Bpp>& store) {
  const uint64_t rowBytes = storeRowBytes<Bpp>(uint32_t(r.storeWidth));
  if (r.storeWidth < 1 || r.storeHeight < 1 || r.storeWidth > Layer::kMaxStoreSide ||
      r.storeHeight > Layer::kMaxStoreSide || rowBytes * uint64_t(r.storeHeight) > stream.size * kMaxInflateRatio)
    return "declares a store of " + std::to_string(r.storeWidth) + " x " + std::to_string(r.storeHeight) +
           " pixels that its " + std::to_string(stream.size) + " bytes cannot hold";
  if (!store.resize(uint32_t(r.storeWidth), uint32_t(r.storeHeight))) return "needs more memory than there is";
  std::string why;
  inflateStore(stream.bytes, stream.size, store, why);
  return why;
}

}  // namespace

void SelectionRead::read(const uint8_t* body, size_t size, int32_t width, int32_t height) {
  RecordStream stream;
  check = decodeSelectionRecord(body, size, r, stream, why);
  fits = check == RecordCheck::kGood && r.maskWidth == width && r.maskHeight == height && r.mode >= 0 &&
         r.mode <= kSelectionAll;
  if (!fits) return;
  LayerRecord size8;
  size8.storeWidth = r.maskWidth;
  size8.storeHeight = r.maskHeight;
  why = takeStore(size8, stream, mask);
}

std::string NativeReader::applyLayerRecord(const uint8_t* body, size_t size, Layer* layer, int32_t ordinal) {
  LayerRecord r;
  RecordStream stream;
  std::string why;
  if (!known(decodeLayerRecord(body, size, r, stream, why), why)) return why;
  if (layer == nullptr || r.ordinal != ordinal || recordTakenFor_ == ordinal)
    return "belongs to layer chunk " + std::to_string(r.ordinal) + ", which was not read just before it";
  if (r.kind < kLayerKind1 || r.kind > kLayerKindVector || r.blendMode < kBlendNormal || r.blendMode > kBlendInverse ||
      r.antialiasMode < 0 || r.antialiasMode > 2)
    return "holds a kind, blend mode or anti-alias mode kanvo does not know";
  const bool ownStore = r.storeWidth != 0 || r.storeHeight != 0;
  const bool needsStore = r.kind == kLayerKind8 || r.kind == kLayerKind1;
  if (needsStore != ownStore && r.kind != kLayerKind32)
    return "does not hold the store its kind needs";

  // The store is made aside; the layer changes only once the whole record is good.
  TiledImage32 store32;
  TiledImage8 store8;
  TiledImage1 store1;
  if (ownStore) {
    switch (r.kind) {
      case kLayerKind32: why = takeStore(r, stream, store32); break;
      case kLayerKind8: why = takeStore(r, stream, store8); break;
      default: why = takeStore(r, stream, store1); break;
    }
    if (!why.empty()) return why + "; its layer keeps the pixels of its layer chunk";
  }
  // A 32 bpp layer without a store of its own keeps the layer chunk's pixels as they are, and
  // with them their reduced images; any other kind is made anew.
  const bool keepsPixels = r.kind == kLayerKind32 && !ownStore;
  TiledImage32 shown;
  if (!keepsPixels) {
    shown = std::move(layer->pixels32);
    layer->kind = r.kind;
    layer->toneMode = 0;
    const int32_t width = ownStore ? r.storeWidth : int32_t(shown.width());
    const int32_t height = ownStore ? r.storeHeight : int32_t(shown.height());
    if (!layer->sizeStore(width, height)) {
      why = "needs more memory than there is";
    } else {
      switch (r.kind) {
        case kLayerKind32: layer->pixels32 = std::move(store32); break;
        case kLayerKind8: layer->pixels8 = std::move(store8); break;
        case kLayerKind1: layer->pixels1 = std::move(store1); break;
        default: break;
      }
      if (r.kind == kLayerKind8 && r.toneMode != 0 && !layer->setTone(r.toneMode, r.toneLines))
        why = "holds a tone screen of " + std::to_string(r.toneLines) + " lines that cannot be made";
    }
  }
  if (!why.empty()) {  // back to the layer of the layer chunk
    layer->kind = kLayerKind32;
    layer->sizeStore(int32_t(shown.width()), int32_t(shown.height()));
    layer->pixels32 = std::move(shown);
    layer->refresh();
    return why + "; its layer keeps the pixels of its layer chunk";
  }
  r.applyTo(*layer);
  layer->toneMode = r.toneMode;
  layer->toneLines = r.toneLines;
  if (keepsPixels) layer->rebuildThumbnail();  // placed anew on the canvas
  else layer->refresh();
  recordTakenFor_ = ordinal;
  ++summary_.layerRecords;
  return {};
}

std::string NativeReader::applySelectionRecord(SelectionRead& got) {
  const SelectionRecord& r = got.r;
  if (!known(got.check, got.why)) return got.why;
  if (r.index < 0 || r.index > document_.selectionCount() || r.index >= Document::kMaxSelections)
    return "is numbered " + std::to_string(r.index) + " after " + std::to_string(document_.selectionCount()) +
           " selections";
  if (!got.fits) return "does not fit the canvas or has an unknown mode";
  if (!got.why.empty()) return got.why;
  Selection* selection = r.index < document_.selectionCount() ? document_.selection(r.index) : document_.addSelection();
  if (selection == nullptr) return "needs more memory than there is";
  selection->mask = std::move(got.mask);
  selection->mode = r.mode;
  selection->refresh();
  document_.setSelectionFlag(r.index, r.flag);
  return {};
}

std::string NativeReader::takeDocumentRecord(const uint8_t* body, size_t size) {
  std::string why;
  haveDocumentRecord_ = known(decodeDocumentRecord(body, size, documentRecord_, why), why);
  return why;
}

void NativeReader::finishDocument() {
  const DocumentRecord& r = documentRecord_;
  const bool known = haveDocumentRecord_ && r.currentLayer >= 0 && r.currentLayer < document_.layerCount();
  document_.selectLayer(known ? r.currentLayer : document_.layerCount() - 1);
  if (haveDocumentRecord_) document_.setCurrentSelection(r.currentSelection);
}

PixelsRead inflateLayer(Layer& layer, int32_t width, int32_t height, NativeInput& in, uint64_t available,
                        const std::function<void()>& afterRows) {
  PixelsRead result;
  TiledImage32& store = layer.pixels32;
  const size_t rowBytes = size_t(width) * 4, stride = store.rowBufferBytes();
  const uint64_t pixelBytes = uint64_t(rowBytes) * uint64_t(height);
  // Rows are inflated a band at a time (up to a tile row, about kBandBytes), then written into
  // the tiles whole; the bytes past the layer's width stay 0.
  constexpr size_t kBandBytes = size_t(1) << 20;
  int32_t bandRows = kTileSize;
  while (bandRows > 1 && size_t(bandRows) * stride > kBandBytes) bandRows /= 2;
  std::unique_ptr<uint8_t[]> band(new (std::nothrow) uint8_t[size_t(bandRows) * stride]());
  if (band == nullptr) {
    result.outcome = PixelsRead::kNoMemory;
    return result;
  }

  ZlibInflater zlib;
  uint64_t inputLeft = available;
  auto feed = [&] {
    if (!zlib.needsInput() || inputLeft == 0) return;
    size_t got = 0;
    const uint8_t* piece = in.next(size_t(std::min<uint64_t>(inputLeft, FileInput::kPieceBytes)), got);
    inputLeft = got ? inputLeft - got : 0;
    zlib.supply(piece, got);
  };
  // Fills `want` bytes at out as far as the stream delivers them; returns how many it did.
  auto fill = [&](uint8_t* out, size_t want) {
    size_t filled = 0;
    while (filled < want) {
      feed();
      const size_t made = zlib.produce(out + filled, want - filled);
      filled += made;
      if (zlib.state() != ZlibInflater::kRunning || (made == 0 && zlib.needsInput() && inputLeft == 0)) break;
    }
    return filled;
  };

  bool complete = true;
  int32_t reducedRows = 0;  // tile rows reduced so far
  result.reduced = true;
  auto reduceUpTo = [&](int32_t tileRows) {
    for (; reducedRows < tileRows; ++reducedRows)
      result.reduced = layer.pyramid32.reduceTileRow(store, reducedRows) && result.reduced;
  };
  for (int32_t y = 0; y < height && complete && zlib.state() == ZlibInflater::kRunning; y += bandRows) {
    const int32_t rows = std::min(bandRows, height - y);
    int32_t r = 0;
    // A band as wide as the layer is inflated in one piece; otherwise row by row.
    if (stride == rowBytes) {
      const size_t want = rowBytes * size_t(rows), got = fill(band.get(), want);
      complete = got == want;
      if (!complete) std::memset(band.get() + got, 0, want - got);
      r = rows;
    }
    for (; r < rows && complete; ++r) {
      uint8_t* row = band.get() + size_t(r) * stride;
      const size_t got = fill(row, rowBytes);
      complete = got == rowBytes;
      // Bytes the stream did not deliver are 0; a partly delivered row keeps what it got, and
      // the rows after it stay empty.
      if (!complete) std::memset(row + got, 0, rowBytes - got);
    }
    store.writeBand(band.get(), stride, y, r);
    if (r == rows) reduceUpTo((y + rows) / kTileSize);
    if (afterRows) afterRows();
  }
  reduceUpTo(store.tilesY());  // the rows the stream did not reach, and a last partial tile row

  // Every pixel is there: the stream should end now, with its check value.
  bool extra = false;
  while (zlib.state() == ZlibInflater::kRunning && zlib.totalOut() >= pixelBytes) {
    feed();
    uint8_t probe = 0;
    if (zlib.produce(&probe, 1) > 0) {
      extra = true;
      break;
    }
    if (zlib.needsInput() && inputLeft == 0) break;
  }
  result.bytes = std::min(zlib.totalOut(), pixelBytes);
  if (zlib.state() == ZlibInflater::kNoMemory) {
    result.outcome = PixelsRead::kNoMemory;
  } else if (zlib.state() == ZlibInflater::kDamaged) {
    result.outcome = PixelsRead::kDamaged;
    result.reason = zlib.reason();
  } else if (zlib.totalOut() < pixelBytes) {
    result.outcome = PixelsRead::kShort;
  } else if (extra) {
    result.outcome = PixelsRead::kTooLong;
  } else if (zlib.state() != ZlibInflater::kEnded) {
    result.outcome = PixelsRead::kUnfinished;
  }
  return result;
}

}  // namespace

Status readNativeDocument(Document& document, const std::string& path, Progress* progress,
                          NativeReadSummary* summary) {
  FileInput input;
  Status s = input.open(path);
  if (!s.isOk()) return s;
  NativeReadSummary local;
  NativeReadSummary& out = summary != nullptr ? *summary : local;
  out = NativeReadSummary();
  return NativeReader(document, input, progress, out).read();
}

Status readNativeDocument(Document& document, const uint8_t* bytes, size_t size, Progress* progress,
                          NativeReadSummary* summary) {
  MemoryInput input(bytes, size);
  NativeReadSummary local;
  NativeReadSummary& out = summary != nullptr ? *summary : local;
  out = NativeReadSummary();
  return NativeReader(document, input, progress, out).read();
}

}  // namespace kanvo
