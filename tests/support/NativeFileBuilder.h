#pragma once
// Builds native documents (".knvmob") in memory for tests and benchmarks, independently of the
// program's own writer, and walks the chunks of any such file. Layer pixels are compressed with zlib itself (the peer); every field can be
// set to anything, so damaged files are as easy to make as sound ones.
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formats/Endian.h"
#include "formats/native/NativeFormat.h"

namespace kanvo::test {

inline std::vector<uint8_t> zlibCompress(const void* data, size_t n, int level = Z_DEFAULT_COMPRESSION) {
  uLongf bound = compressBound(uLong(n));
  std::vector<uint8_t> out(bound);
  if (compress2(out.data(), &bound, static_cast<const Bytef*>(data), uLong(n), level) != Z_OK) return {};
  out.resize(bound);
  return out;
}

struct NativeChunkInfo {
  size_t offset = 0;        // where the chunk header starts
  size_t pixelsOffset = 0;  // layer chunks: where the compressed pixels start
  size_t contentEnd = 0;    // where the chunk's bytes end, before the padding
  size_t end = 0;           // where the next chunk starts (after alignment)
};

class NativeFileBuilder {
 public:
  NativeFileBuilder(int32_t width, int32_t height, int32_t resolution = 72) : bytes(native::kHeaderBytes, 0) {
    std::memcpy(bytes.data(), "KNVMOB\0\1", 8);  // bytes 0-7 are not read; a writer may sign here
    put(native::kHeaderWidthAt, width);
    put(native::kHeaderHeightAt, height);
    put(native::kHeaderResolutionAt, resolution);
  }

  // A layer chunk with the pixels (width x height Color32 values) compressed by zlib.
  NativeChunkInfo addLayer(int32_t width, int32_t height, int32_t offsetX, int32_t offsetY,
                           const std::vector<uint32_t>& pixels, int level = Z_DEFAULT_COMPRESSION) {
    std::vector<uint8_t> stream = zlibCompress(pixels.data(), pixels.size() * 4, level);
    return addLayerStream(width, height, offsetX, offsetY, stream, int32_t(stream.size()));
  }

  // A layer chunk with any stream and any compressedSize field; the stream's bytes are written
  // as they are, then padding to the next 4-byte boundary.
  NativeChunkInfo addLayerStream(int32_t width, int32_t height, int32_t offsetX, int32_t offsetY,
                                 const std::vector<uint8_t>& stream, int32_t compressedSizeField) {
    NativeChunkInfo info;
    info.offset = bytes.size();
    appendI32(native::kLayerChunkType);
    appendI32(int32_t(native::kChunkHeaderBytes + native::kLayerHeaderBytes + stream.size()));
    size_t header = bytes.size();
    bytes.resize(header + native::kLayerHeaderBytes, 0);
    putAt(header + native::kLayerWidthAt, width);
    putAt(header + native::kLayerHeightAt, height);
    putAt(header + native::kLayerOffsetXAt, offsetX);
    putAt(header + native::kLayerOffsetYAt, offsetY);
    putAt(header + native::kLayerCompressedSizeAt, compressedSizeField);
    info.pixelsOffset = bytes.size();
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    info.contentEnd = bytes.size();
    pad();
    info.end = bytes.size();
    chunks.push_back(info);
    return info;
  }

  // A chunk of another type with a body of `bodyBytes` bytes (any size field), then padding.
  NativeChunkInfo addOtherChunk(int32_t type, int32_t sizeField, size_t bodyBytes, uint8_t fill = 0xCD) {
    NativeChunkInfo info;
    info.offset = bytes.size();
    appendI32(type);
    appendI32(sizeField);
    bytes.insert(bytes.end(), bodyBytes, fill);
    info.contentEnd = bytes.size();
    pad();
    info.end = bytes.size();
    chunks.push_back(info);
    return info;
  }

  void appendI32(int32_t v) {
    uint8_t b[4];
    storeU32LE(b, uint32_t(v));
    bytes.insert(bytes.end(), b, b + 4);
  }
  void putAt(size_t offset, int32_t v) { storeU32LE(bytes.data() + offset, uint32_t(v)); }
  void put(uint32_t offset, int32_t v) { putAt(offset, v); }
  void pad() {
    while (bytes.size() % native::kChunkAlignment) bytes.push_back(0);
  }

  std::vector<uint8_t> bytes;
  std::vector<NativeChunkInfo> chunks;
};

struct NativeChunk {
  size_t offset = 0;  // where the chunk header starts
  int32_t type = 0;
  size_t end = 0;     // where the next chunk starts
};

// The chunks of a native document up to its end marker or the end of the bytes, found as the
// plain layout says (layer chunks by their compressed size, others by their size field).
inline std::vector<NativeChunk> nativeChunks(const std::vector<uint8_t>& bytes) {
  std::vector<NativeChunk> out;
  size_t at = native::kHeaderBytes;
  while (at + native::kChunkHeaderBytes <= bytes.size()) {
    NativeChunk c{at, int32_t(loadU32LE(&bytes[at])), 0};
    const int32_t size = int32_t(loadU32LE(&bytes[at + 4]));
    if (size < 1) break;
    const size_t pixelsAt = at + native::kChunkHeaderBytes + native::kLayerHeaderBytes;
    if (c.type == native::kLayerChunkType && pixelsAt > bytes.size()) break;
    size_t end = c.type == native::kLayerChunkType
                     ? pixelsAt + loadU32LE(&bytes[at + native::kChunkHeaderBytes + native::kLayerCompressedSizeAt])
                     : at + size_t(size);
    c.end = (end + 3) / 4 * 4;
    out.push_back(c);
    at = c.end;
  }
  return out;
}

// A width x height block of pixels from a seeded formula, with transparent regions, partial
// alpha and (when `emptyBand` is set) a fully zero band of rows in the middle.
inline std::vector<uint32_t> patternPixels(int32_t width, int32_t height, uint32_t seed,
                                           bool emptyBand = false) {
  std::vector<uint32_t> px(size_t(width) * size_t(height));
  uint32_t s = seed * 2654435761u + 1;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      s = s * 1103515245u + 12345u;
      uint32_t v;
      if (emptyBand && y >= height / 3 && y < 2 * height / 3) {
        v = 0;
      } else if ((x / 7 + y / 5 + seed) % 5 == 0) {
        v = 0;  // transparent black
      } else if ((x + y) % 11 == 0) {
        v = (s >> 8) & 0x00FFFFFFu;  // colour with alpha 0
      } else {
        uint32_t a = ((x * 3 + y * 5 + seed) % 4 == 0) ? (s >> 24) : 255;
        v = (a << 24) | (uint32_t(x * 7 + seed) & 255) << 16 | (uint32_t(y * 13) & 255) << 8 |
            ((s >> 16) & 255);
      }
      px[size_t(y) * size_t(width) + size_t(x)] = v;
    }
  }
  return px;
}

}  // namespace kanvo::test
