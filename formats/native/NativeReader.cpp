#include "formats/native/NativeReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "formats/Endian.h"
#include "formats/FileStream.h"
#include "formats/native/NativeFormat.h"
#include "formats/native/ZlibInflater.h"

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

// The layer pixels arrive in bands of this many bytes at most (whole rows, at most one tile row).
constexpr size_t kBandBytes = size_t(4) << 20;

class NativeReader {
 public:
  NativeReader(Document& document, NativeInput& input, Progress* progress, NativeReadSummary& summary)
      : document_(document), in_(input), progress_(progress), summary_(summary) {}

  Status read();

 private:
  enum class Next { kGoOn, kStop };

  Next readLayerChunk(uint64_t chunkStart);
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
  };
  // Inflates the layer's pixels from the next `available` bytes of the input into its store.
  // Pixels the stream does not deliver are 0.
  PixelsRead inflateLayer(Layer& layer, int32_t width, int32_t height, uint64_t available);
  void note(std::string problem) {
    if (problemCount_++ == 0) firstProblem_ = std::move(problem);
  }
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
  std::vector<uint8_t> band_;
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
    if (size < 1) break;  // the end marker
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
    ++summary_.skippedChunks;
    moveToChunkAfter(chunkStart + uint64_t(size));
  }

  document_.selectLayer(document_.layerCount() - 1);
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
  ++summary_.layersRead;
  const std::string layerName =
      "layer " + std::to_string(summary_.layersRead) + " (offset " + std::to_string(chunkStart) + ")";
  const PixelsRead got = inflateLayer(*layer, width, height, available);
  layer->refresh();
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
  return passOver();
}

NativeReader::PixelsRead NativeReader::inflateLayer(Layer& layer, int32_t width, int32_t height,
                                                    uint64_t available) {
  PixelsRead result;
  TiledImage32& store = layer.pixels32;
  const size_t rowBytes = size_t(width) * 4;
  const uint64_t pixelBytes = uint64_t(rowBytes) * uint64_t(height);
  const int32_t bandRows = int32_t(std::clamp<size_t>(kBandBytes / rowBytes, 1, 64));
  try {
    band_.resize(rowBytes * size_t(bandRows));
  } catch (const std::bad_alloc&) {
    result.outcome = PixelsRead::kNoMemory;
    return result;
  }
  uint8_t* row = store.rowBuffer();
  std::memset(row, 0, store.rowBufferBytes());

  ZlibInflater zlib;
  uint64_t inputLeft = available;
  auto feed = [&] {
    if (!zlib.needsInput() || inputLeft == 0) return;
    size_t got = 0;
    const uint8_t* piece = in_.next(size_t(std::min<uint64_t>(inputLeft, FileInput::kPieceBytes)), got);
    inputLeft = got ? inputLeft - got : 0;
    zlib.supply(piece, got);
  };

  int32_t rowsDone = 0;
  while (rowsDone < height && zlib.state() == ZlibInflater::kRunning) {
    const int32_t rows = std::min(bandRows, height - rowsDone);
    const size_t want = rowBytes * size_t(rows);
    size_t filled = 0;
    while (filled < want) {
      feed();
      if (zlib.needsInput()) break;
      filled += zlib.produce(band_.data() + filled, want - filled);
      if (zlib.state() != ZlibInflater::kRunning) break;
    }
    // Bytes the stream did not deliver are 0; a partly delivered row keeps what it got.
    if (filled < want) std::memset(band_.data() + filled, 0, want - filled);
    for (int32_t r = 0; r < rows; ++r) {
      std::memcpy(row, band_.data() + size_t(r) * rowBytes, rowBytes);
      store.writeRow(row, 0, rowsDone + r, width);
    }
    rowsDone += rows;
    report();
    if (filled < want) break;
  }
  std::memset(row, 0, store.rowBufferBytes());

  // Every pixel is there: the stream should end now, with its check value.
  bool extra = false;
  while (zlib.state() == ZlibInflater::kRunning && zlib.totalOut() >= pixelBytes) {
    feed();
    if (zlib.needsInput()) break;
    uint8_t probe = 0;
    if (zlib.produce(&probe, 1) > 0) {
      extra = true;
      break;
    }
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
