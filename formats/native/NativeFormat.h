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
//
// Files written by kanvo keep everything else in record chunks of their own types, which a
// reader of the plain layout above skips by their size, so that it still sees every layer as
// it shows (the type-0 pixels of an 8 or 1 bpp layer are its colour with the coverage as
// alpha, of a tone layer its halftone, of a vector layer its objects drawn on the canvas).
//
//   header bytes 0-7: "KNVD" then a u32 format version (1). A file so signed ends with an
//   end record; one that lacks it was cut short.
//
//   Every record chunk has a size field that counts its header and body (no padding), and
//   its body starts with:
//     0 crc      u32 CRC-32 (zlib's crc32) of the body from byte 4 to its end
//     4 version  u32 the record's version (1); a reader skips records of versions it does
//                not know, like chunks of types it does not know
//   Record types (the type field's four bytes, as written):
//
//   "LAYX" the layer of the type-0 chunk just before it (body offsets):
//     8  ordinal        i32 that chunk's index among the file's type-0 chunks, from 0
//     12 kind           i32 0 = 1 bpp, 1 = 8 bpp, 2 = 32 bpp, 3 = vector
//     16 blendMode      i32 0 normal, 1 multiply, 2 add, 3 inverse
//     20 visible, 21 opacity, 22 locked, 23 protected   u8 each
//     24 colour         u32 Color32 (blue, green, red, alpha in its four bytes)
//     28 offsetX, 32 offsetY                 i32, the store's canvas position
//     36 subPixelX, 44 subPixelY             IEEE-754 binary64
//     52 toneMode, 56 toneLines, 60 antialiasMode, 64 serial   i32
//     68 vectorWidth, 72 vectorHeight        i32
//     76 storeWidth, 80 storeHeight          i32; 0 x 0 when the store is the type-0 pixels
//     84 nameBytes      u32 the name's length (CP932 bytes, no terminator)
//     88 storeBytes     u32 the store stream's length
//     92 the name, then the store stream: one zlib stream of storeHeight rows of
//        ceil(storeWidth x depth / 8) bytes, depth by kind (1 bpp rows least significant bit
//        first, 32 bpp rows Color32). It is present for 8 and 1 bpp layers, and for a 32 bpp
//        layer whose store has a side above 32760 (its type-0 chunk then holds the part of
//        the store over the canvas).
//   A layer chunk without its record, or whose record is damaged, stays the 32 bpp layer
//   of its pixels.
//
//   "SELX" one selection:
//     8 index i32, 12 mode i32, 16 flag u8 (17-19 zero), 20 maskWidth, 24 maskHeight i32 (the
//     canvas size), 28 maskBytes u32, 32 one zlib stream of the 8 bpp mask rows.
//
//   "DOCX" the document: 8 currentLayer i32, 12 currentSelection i32, 16 layerCount i32 (the
//   type-0 chunks of the file, a check).
//
//   "ENDX" the end record: a chunk header with size 0, which ends the document for every
//   reader. kanvo writes the layers bottom first, each type-0 chunk followed by its LAYX,
//   then the SELX records, the DOCX record and the end record.
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

// Files written by kanvo.
constexpr char kSignature[4] = {'K', 'N', 'V', 'D'};
constexpr uint32_t kFormatVersionAt = 4;
constexpr uint32_t kFormatVersion = 1;

constexpr int32_t fourCC(const char (&s)[5]) {
  return int32_t(uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
                 uint32_t(uint8_t(s[3])) << 24);
}
constexpr int32_t kLayerRecordType = fourCC("LAYX");
constexpr int32_t kSelectionRecordType = fourCC("SELX");
constexpr int32_t kDocumentRecordType = fourCC("DOCX");
constexpr int32_t kEndRecordType = fourCC("ENDX");
constexpr uint32_t kRecordVersion = 1;
constexpr uint32_t kRecordCrcBytes = 4;  // the crc field that starts every record body

constexpr uint32_t kLayerRecordBytes = 92;      // the fixed part of a LAYX body
constexpr uint32_t kSelectionRecordBytes = 32;  // the fixed part of a SELX body
constexpr uint32_t kDocumentRecordBytes = 20;   // a DOCX body

constexpr bool isValidSide(int32_t side) {
  return side >= kMinSide && side <= kMaxSide;
}

}  // namespace kanvo::native
