#pragma once
// The layout of kanvo's native documents (".knvmob"), shared by the reader and by anything that
// builds such files (test fixtures, benchmarks). All integers are 32-bit little-endian; the
// signed ones are two's complement.
//
//   header (64 bytes, at offset 0):
//     8  width        canvas width in pixels, 1 ... 32760
//     12 height       canvas height in pixels, 1 ... 32760
//     16 resolution   dots per inch
//     (bytes 0-7 and 20-63 are not read)
//
//   chunks follow, each starting on a 4-byte boundary of the file (counted from offset 0):
//     0 type          0 = layer; any other value is a chunk the reader skips
//     4 size          the chunk's length including these 8 bytes; a value below 1 ends the
//                     document. For a skipped chunk the next one starts at the first 4-byte
//                     boundary at or after (chunk start + size).
//
//   a layer chunk continues with a 64-byte layer header (offsets after the chunk header):
//     4  width, 8 height     the layer's pixel block, 1 ... 32760 each
//     12 offsetX, 16 offsetY the canvas position of the block's pixel (0, 0)
//     24 compressedSize      length of the zlib stream (RFC 1950) that follows the header
//     (bytes 0-3, 20-23 and 28-63 are not read)
//   then compressedSize bytes: width x height Color32 pixels (blue, green, red, alpha), rows
//   top to bottom. The size field of a layer chunk is not used: the next chunk starts at the
//   first 4-byte boundary after the compressed pixels.
#include <cstdint>

namespace kanvo::native {

constexpr uint32_t kHeaderBytes = 64;
constexpr uint32_t kHeaderWidthAt = 8;
constexpr uint32_t kHeaderHeightAt = 12;
constexpr uint32_t kHeaderResolutionAt = 16;

constexpr uint32_t kChunkHeaderBytes = 8;
constexpr int32_t kLayerChunkType = 0;

constexpr uint32_t kLayerHeaderBytes = 64;
constexpr uint32_t kLayerWidthAt = 4;
constexpr uint32_t kLayerHeightAt = 8;
constexpr uint32_t kLayerOffsetXAt = 12;
constexpr uint32_t kLayerOffsetYAt = 16;
constexpr uint32_t kLayerCompressedSizeAt = 24;

constexpr uint32_t kChunkAlignment = 4;

// Canvas and layer sides the reader accepts.
constexpr int32_t kMinSide = 1;
constexpr int32_t kMaxSide = 32760;

// deflate cannot expand its input more than 1032 times (two bits for a 258-byte match), so a
// stream of n bytes never holds more than n x 1032 bytes.
constexpr uint64_t kMaxInflateRatio = 1032;

constexpr bool isValidSide(int32_t side) {
  return side >= kMinSide && side <= kMaxSide;
}

}  // namespace kanvo::native
