// Native documents written by the tests themselves: sound files of many shapes, and every kind
// of damage the reader has a rule for.
#include <gtest/gtest.h>

#include <zlib.h>

#include <climits>
#include <random>

#include "document/Document.h"
#include "formats/native/NativeFormat.h"
#include "formats/native/NativeReader.h"
#include "strings/StringTable.h"
#include "support/NativeFileBuilder.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::NativeFileBuilder;
using test::patternPixels;

struct SourceLayer {
  int32_t width, height, offsetX, offsetY;
  std::vector<uint32_t> pixels;
};

Status readBytes(Document& doc, const std::vector<uint8_t>& bytes, NativeReadSummary* summary = nullptr) {
  return readNativeDocument(doc, bytes.data(), bytes.size(), nullptr, summary);
}

// The layer's store holds exactly the pixels, and a tile exactly where a pixel is not 0.
void expectLayerEquals(const Layer& layer, const SourceLayer& src) {
  ASSERT_EQ(layer.kind, kLayerKind32);
  ASSERT_EQ(layer.storeWidth(), uint32_t(src.width));
  ASSERT_EQ(layer.storeHeight(), uint32_t(src.height));
  EXPECT_EQ(layer.offsetX, src.offsetX);
  EXPECT_EQ(layer.offsetY, src.offsetY);
  const TiledImage32& store = layer.pixels32;
  int64_t mismatches = 0;
  for (int32_t y = 0; y < src.height; ++y)
    for (int32_t x = 0; x < src.width; ++x)
      mismatches += store.getPixel(x, y) != src.pixels[size_t(y) * size_t(src.width) + size_t(x)];
  EXPECT_EQ(mismatches, 0);
  for (int32_t ty = 0; ty < store.tilesY(); ++ty) {
    for (int32_t tx = 0; tx < store.tilesX(); ++tx) {
      bool any = false;
      for (int32_t y = ty * 64; y < std::min(src.height, ty * 64 + 64) && !any; ++y)
        for (int32_t x = tx * 64; x < std::min(src.width, tx * 64 + 64) && !any; ++x)
          any = src.pixels[size_t(y) * size_t(src.width) + size_t(x)] != 0;
      EXPECT_EQ(store.tileExists(tx, ty), any) << "tile " << tx << "," << ty;
    }
  }
}

// The document holds exactly these layers, bottom first.
void expectLayersAre(const Document& doc, const std::vector<SourceLayer>& want) {
  ASSERT_EQ(doc.layerCount(), int32_t(want.size()));
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE("layer " + std::to_string(i));
    expectLayerEquals(*doc.layer(int32_t(i)), want[i]);
  }
}

// Every byte either equals the source or is 0, and the zeros that differ form a tail: what a
// stream cut or damaged at some point leaves.
void expectPrefixThenZeros(const Layer& layer, const SourceLayer& src) {
  bool inTail = false;
  for (int32_t y = 0; y < src.height; ++y) {
    for (int32_t x = 0; x < src.width; ++x) {
      const uint32_t want = src.pixels[size_t(y) * size_t(src.width) + size_t(x)];
      const uint32_t got = layer.pixel32(x, y);
      if (inTail) {
        ASSERT_EQ(got, 0u) << x << "," << y;
      } else if (got != want) {
        // The first differing pixel may hold the first bytes of the source pixel.
        for (int b = 0; b < 4; ++b) {
          const uint32_t gb = (got >> (8 * b)) & 255, wb = (want >> (8 * b)) & 255;
          if (inTail) {
            ASSERT_EQ(gb, 0u) << x << "," << y;
          } else if (gb != wb) {
            ASSERT_EQ(gb, 0u) << x << "," << y;
            inTail = true;
          }
        }
      }
    }
  }
}

std::vector<SourceLayer> sampleLayers() {
  return {
      {64, 48, 0, 0, patternPixels(64, 48, 1)},
      {21, 15, -7, -5, patternPixels(21, 15, 2)},
      {200, 130, -8, -6, patternPixels(200, 130, 3, true)},  // larger than the canvas, empty band
      {70, 3, 10, 40, std::vector<uint32_t>(210, 0)},        // all zero
      {1, 1, 63, 47, {0x80FF0000u}},
      {129, 65, INT_MIN, INT_MAX, patternPixels(129, 65, 4)},
  };
}

NativeFileBuilder buildFile(const std::vector<SourceLayer>& layers, int32_t width = 64, int32_t height = 48) {
  NativeFileBuilder b(width, height, 150);
  for (const SourceLayer& l : layers) b.addLayer(l.width, l.height, l.offsetX, l.offsetY, l.pixels);
  return b;
}

class NativeReaderTest : public ::testing::Test {
 protected:
  // Reads bytes into a new document: a partial read that rejected exactly one chunk and kept
  // exactly the layers `kept`.
  void expectOneChunkRejected(const std::vector<uint8_t>& bytes, const std::vector<SourceLayer>& kept) {
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readBytes(doc, bytes, &summary);
    ASSERT_TRUE(s.isPartial());
    EXPECT_EQ(summary.rejectedChunks, 1);
    expectLayersAre(doc, kept);
  }

  StringTable strings;
};

TEST_F(NativeReaderTest, LayersComeBackExactlyWithTheirSizesOffsetsAndOnlyTheTilesTheyNeed) {
  std::vector<SourceLayer> layers = sampleLayers();
  NativeFileBuilder b = buildFile(layers);
  Document doc(strings);
  NativeReadSummary summary;
  Status s = readBytes(doc, b.bytes, &summary);
  ASSERT_TRUE(s.isOk()) << s.reason();
  EXPECT_EQ(doc.width(), 64);
  EXPECT_EQ(doc.height(), 48);
  EXPECT_EQ(doc.resolution, 150);
  ASSERT_EQ(doc.layerCount(), int32_t(layers.size()));
  EXPECT_EQ(doc.currentLayerIndex(), doc.layerCount() - 1);
  EXPECT_EQ(summary.layersRead, int32_t(layers.size()));
  for (size_t i = 0; i < layers.size(); ++i) {
    SCOPED_TRACE(i);
    expectLayerEquals(*doc.layer(int32_t(i)), layers[i]);
    EXPECT_EQ(doc.layer(int32_t(i))->serial, int32_t(i) + 1);
  }
  EXPECT_EQ(doc.layer(3)->pixels32.presentTileCount(), 0);
  // The reduced images were made from the pixels read.
  EXPECT_EQ(doc.layer(0)->pyramid32.level(1).getPixel(3, 2), layers[0].pixels[size_t(4) * 64 + 6]);
}

TEST_F(NativeReaderTest, FileAndMemoryGiveTheSameDocument) {
  std::vector<SourceLayer> layers = sampleLayers();
  NativeFileBuilder b = buildFile(layers);
  test::TempDir dir;
  const std::string path = dir.file("a.knvmob");
  ASSERT_TRUE(test::writeWholeFile(path, b.bytes));
  Document doc(strings);
  ASSERT_TRUE(readNativeDocument(doc, path).isOk());
  expectLayersAre(doc, layers);
}

TEST_F(NativeReaderTest, OtherChunksAreSkippedByTheirSizeAndAlignedToFourBytes) {
  NativeFileBuilder b(17, 9);
  SourceLayer a{17, 9, 0, 0, patternPixels(17, 9, 5)}, c{6, 5, 3, 2, patternPixels(6, 5, 6)};
  b.addLayer(a.width, a.height, a.offsetX, a.offsetY, a.pixels);
  for (int32_t size = 8; size <= 20; ++size) {
    auto info = b.addOtherChunk(7 + size, size, size_t(size) - 8);
    ASSERT_EQ(info.end, info.offset + ((size_t(size) + 3) & ~size_t(3)));
  }
  b.addOtherChunk(INT32_MIN + 1, 13, 5);  // any non-zero type, even a negative one
  b.addLayer(c.width, c.height, c.offsetX, c.offsetY, c.pixels);
  Document doc(strings);
  NativeReadSummary summary;
  ASSERT_TRUE(readBytes(doc, b.bytes, &summary).isOk());
  ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, {a, c}));
  EXPECT_EQ(summary.skippedChunks, 14);
}

TEST_F(NativeReaderTest, ALayerChunkIgnoresItsSizeFieldUnlessItEndsTheDocument) {
  SourceLayer a{5, 4, 1, 1, patternPixels(5, 4, 7)};
  for (int32_t sizeField : {1, 3, 7, 8, 9999, INT32_MAX}) {
    NativeFileBuilder b(8, 8);
    auto info = b.addLayer(a.width, a.height, a.offsetX, a.offsetY, a.pixels);
    b.putAt(info.offset + 4, sizeField);
    Document doc(strings);
    ASSERT_TRUE(readBytes(doc, b.bytes).isOk()) << sizeField;
    ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, {a}));
  }
}

TEST_F(NativeReaderTest, ASizeOfZeroOrBelowEndsTheDocument) {
  for (int32_t endSize : {0, -1, INT32_MIN}) {
    for (int32_t endType : {0, 9}) {
      NativeFileBuilder b(12, 12);
      SourceLayer a{12, 12, 0, 0, patternPixels(12, 12, 8)};
      b.addLayer(a.width, a.height, 0, 0, a.pixels);
      b.appendI32(endType);
      b.appendI32(endSize);
      b.addLayer(5, 5, 0, 0, patternPixels(5, 5, 9));
      Document doc(strings);
      Status s = readBytes(doc, b.bytes);
      EXPECT_TRUE(s.isOk()) << s.reason();
      ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, {a}));
    }
  }
}

TEST_F(NativeReaderTest, AHeaderWithoutChunksGivesAnEmptyDocumentOfItsSize) {
  NativeFileBuilder b(33, 22, 96);
  Document doc(strings);
  ASSERT_TRUE(readBytes(doc, b.bytes).isOk());
  EXPECT_EQ(doc.width(), 33);
  EXPECT_EQ(doc.height(), 22);
  EXPECT_EQ(doc.resolution, 96);
  EXPECT_EQ(doc.layerCount(), 0);
  EXPECT_EQ(doc.currentLayerIndex(), -1);
}

TEST_F(NativeReaderTest, ABadHeaderFailsAndLeavesTheDocumentAsItWas) {
  auto prepared = [&](Document& doc) {
    doc.newCanvas(40, 30, kLayerKind32);
    doc.addLayer32();
  };
  std::vector<std::vector<uint8_t>> files;
  files.push_back({});
  NativeFileBuilder good(10, 10);
  files.push_back(std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 63));
  for (auto [w, h] : std::vector<std::pair<int32_t, int32_t>>{
           {0, 10}, {10, 0}, {-1, 10}, {10, 32761}, {INT32_MIN, 5}, {32761, 32761}}) {
    NativeFileBuilder b(w, h);
    b.addLayer(1, 1, 0, 0, {0xFFFFFFFFu});
    files.push_back(b.bytes);
  }
  for (const auto& bytes : files) {
    Document doc(strings);
    prepared(doc);
    Status s = readBytes(doc, bytes);
    EXPECT_TRUE(s.isFailed());
    EXPECT_FALSE(s.reason().empty());
    EXPECT_EQ(doc.width(), 40);
    EXPECT_EQ(doc.height(), 30);
    EXPECT_EQ(doc.layerCount(), 2);
  }
  // The largest canvas is accepted.
  NativeFileBuilder big(32760, 32760);
  Document doc(strings);
  EXPECT_TRUE(readBytes(doc, big.bytes).isOk());
  EXPECT_EQ(doc.width(), 32760);
}

TEST_F(NativeReaderTest, SkippedChunkSizesOneToSevenAreDamageAndStopReading) {
  for (int32_t size = 1; size <= 7; ++size) {
    NativeFileBuilder b(8, 8);
    SourceLayer a{8, 8, 0, 0, patternPixels(8, 8, 10)};
    b.addLayer(8, 8, 0, 0, a.pixels);
    b.appendI32(5);
    b.appendI32(size);
    b.addLayer(2, 2, 0, 0, patternPixels(2, 2, 11));
    Document doc(strings);
    Status s = readBytes(doc, b.bytes);
    ASSERT_TRUE(s.isPartial()) << size;
    EXPECT_NE(s.reason().find("impossible size " + std::to_string(size)), std::string::npos) << s.reason();
    ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, {a}));
  }
}

TEST_F(NativeReaderTest, ASkippedChunkRunningPastTheEndIsATruncation) {
  NativeFileBuilder b(8, 8);
  b.addLayer(1, 1, 0, 0, {0xFF0000FFu});
  b.addOtherChunk(3, 1000, 100);
  Document doc(strings);
  NativeReadSummary summary;
  Status s = readBytes(doc, b.bytes, &summary);
  EXPECT_TRUE(s.isPartial());
  EXPECT_TRUE(summary.truncated);
  EXPECT_EQ(doc.layerCount(), 1);
}

TEST_F(NativeReaderTest, LayerSidesOutsideTheRangeRejectTheChunkAndReadingGoesOn) {
  const std::vector<std::pair<int32_t, int32_t>> sizes = {
      {0, 4},         {4, 0},     {-4, 4},         {4, -4},
      {32761, 1},     {1, 32761}, {65536, 65536},  {INT32_MIN, INT32_MIN},
      {INT32_MAX, 2}, {-1, -1},   {0x40000000, 4}, {0x20000000, 0x20000000}};
  for (auto [w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    NativeFileBuilder b(16, 16);
    SourceLayer a{3, 3, 0, 0, patternPixels(3, 3, 12)}, c{4, 2, 1, 1, patternPixels(4, 2, 13)};
    b.addLayer(a.width, a.height, 0, 0, a.pixels);
    b.addLayerStream(w, h, 0, 0, test::zlibCompress(a.pixels.data(), 36), 0);
    b.putAt(b.chunks.back().pixelsOffset - 64 + native::kLayerCompressedSizeAt,
            int32_t(b.chunks.back().end - b.chunks.back().pixelsOffset) - 1);
    b.addLayer(c.width, c.height, c.offsetX, c.offsetY, c.pixels);
    ASSERT_NO_FATAL_FAILURE(expectOneChunkRejected(b.bytes, {a, c}));
  }
}

TEST_F(NativeReaderTest, MorePixelsThanTheCompressedBytesCouldHoldRejectTheChunk) {
  // 32760 x 32760 pixels from 15 bytes, or anything from 0 bytes: nothing is allocated for them.
  for (auto [w, h, bytes] :
       std::vector<std::tuple<int32_t, int32_t, int32_t>>{{32760, 32760, 15}, {1, 1, 0}, {100, 100, 38}}) {
    NativeFileBuilder b(16, 16);
    b.addLayerStream(w, h, 0, 0, std::vector<uint8_t>(size_t(bytes), 0x78), bytes);
    SourceLayer c{4, 2, 1, 1, patternPixels(4, 2, 14)};
    b.addLayer(c.width, c.height, c.offsetX, c.offsetY, c.pixels);
    ASSERT_NO_FATAL_FAILURE(expectOneChunkRejected(b.bytes, {c}));
  }
  // Exactly at the bound the layer is read: 1032 x 39 bytes can hold 100 x 100 x 4.
  std::vector<uint32_t> zeros(100 * 100, 0);
  std::vector<uint8_t> stream = test::zlibCompress(zeros.data(), zeros.size() * 4, 9);
  ASSERT_LE(stream.size() * 1032, 100u * 100 * 4 * 2);
  NativeFileBuilder b(16, 16);
  b.addLayer(100, 100, 0, 0, zeros, 9);
  Document doc(strings);
  EXPECT_TRUE(readBytes(doc, b.bytes).isOk());
  EXPECT_EQ(doc.layerCount(), 1);
}

TEST_F(NativeReaderTest, ANegativeCompressedSizeStopsReadingAndKeepsTheLayersBefore) {
  for (int32_t cs : {-1, -72, INT32_MIN}) {
    NativeFileBuilder b(8, 8);
    SourceLayer a{8, 8, 0, 0, patternPixels(8, 8, 15)};
    b.addLayer(8, 8, 0, 0, a.pixels);
    auto info = b.addLayer(2, 2, 0, 0, patternPixels(2, 2, 16));
    b.putAt(info.pixelsOffset - 64 + native::kLayerCompressedSizeAt, cs);
    b.addLayer(2, 2, 0, 0, patternPixels(2, 2, 17));
    Document doc(strings);
    Status s = readBytes(doc, b.bytes);
    ASSERT_TRUE(s.isPartial());
    EXPECT_NE(s.reason().find("negative compressed size"), std::string::npos);
    ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, {a}));
  }
}

TEST_F(NativeReaderTest, ACompressedSizeBeyondTheFileReadsWhatIsThereAndStops) {
  SourceLayer a{8, 8, 0, 0, patternPixels(8, 8, 18)}, c{30, 20, -5, 4, patternPixels(30, 20, 19)};
  NativeFileBuilder b(8, 8);
  b.addLayer(8, 8, 0, 0, a.pixels);
  auto info = b.addLayer(c.width, c.height, c.offsetX, c.offsetY, c.pixels);
  for (int32_t cs : {int32_t(info.end - info.pixelsOffset) + 1, 0x7FFFFFF0, INT32_MAX}) {
    NativeFileBuilder cut = b;
    cut.putAt(info.pixelsOffset - 64 + native::kLayerCompressedSizeAt, cs);
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readBytes(doc, cut.bytes, &summary);
    ASSERT_TRUE(s.isPartial());
    EXPECT_TRUE(summary.truncated);
    // Both layers come back whole: the stream itself was complete.
    ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, {a, c}));
  }
}

TEST_F(NativeReaderTest, DamagedStreamsKeepWhatWasDecodedAndZerosAfterIt) {
  std::mt19937 rng(20);
  SourceLayer a{50, 40, 2, 3, patternPixels(50, 40, 21)}, after{3, 3, 0, 0, patternPixels(3, 3, 22)};
  std::vector<uint8_t> stream = test::zlibCompress(a.pixels.data(), a.pixels.size() * 4);
  int partial = 0;
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<uint8_t> bad = stream;
    const size_t at = 2 + rng() % (bad.size() - 2);
    const int n = 1 + int(rng() % 6);
    for (int k = 0; k < n && at + size_t(k) < bad.size(); ++k)
      bad[at + size_t(k)] ^= uint8_t(1 + rng() % 255);
    NativeFileBuilder b(64, 64);
    b.addLayerStream(a.width, a.height, a.offsetX, a.offsetY, bad, int32_t(bad.size()));
    b.addLayer(after.width, after.height, 0, 0, after.pixels);
    Document doc(strings);
    Status s = readBytes(doc, b.bytes);
    ASSERT_FALSE(s.isFailed());
    partial += s.isPartial();
    ASSERT_EQ(doc.layerCount(), 2) << s.reason();  // reading goes on after the damaged layer
    expectLayerEquals(*doc.layer(1), after);
    // What the reader kept equals what zlib itself decodes before the damage, then zeros.
    std::vector<uint8_t> want(a.pixels.size() * 4, 0);
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = bad.data();
    zs.avail_in = uInt(bad.size());
    zs.next_out = want.data();
    zs.avail_out = uInt(want.size());
    inflate(&zs, Z_NO_FLUSH);
    inflateEnd(&zs);
    const Layer& layer = *doc.layer(0);
    for (int32_t y = 0; y < a.height; ++y)
      for (int32_t x = 0; x < a.width; ++x) {
        uint32_t w;
        std::memcpy(&w, &want[(size_t(y) * size_t(a.width) + size_t(x)) * 4], 4);
        ASSERT_EQ(layer.pixel32(x, y), w) << trial << " at " << x << "," << y;
      }
  }
  EXPECT_GT(partial, 150);
}

TEST_F(NativeReaderTest, ShortAndLongStreamsAreReported) {
  SourceLayer a{20, 10, 0, 0, patternPixels(20, 10, 23)};
  // A stream of only 7 of the 10 rows: the last 3 rows are 0.
  {
    NativeFileBuilder b(20, 10);
    std::vector<uint8_t> stream = test::zlibCompress(a.pixels.data(), 20 * 7 * 4);
    b.addLayerStream(20, 10, 0, 0, stream, int32_t(stream.size()));
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readBytes(doc, b.bytes, &summary);
    ASSERT_TRUE(s.isPartial());
    EXPECT_NE(s.reason().find("end after 560 of 800 bytes"), std::string::npos) << s.reason();
    EXPECT_EQ(summary.damagedLayers, 1);
    SourceLayer want = a;
    std::fill(want.pixels.begin() + 140, want.pixels.end(), 0u);
    expectLayerEquals(*doc.layer(0), want);
  }
  // A stream of 12 rows for a 10-row layer: the first 10 are kept.
  {
    SourceLayer more{20, 12, 0, 0, patternPixels(20, 12, 23)};
    NativeFileBuilder b(20, 10);
    std::vector<uint8_t> stream = test::zlibCompress(more.pixels.data(), more.pixels.size() * 4);
    b.addLayerStream(20, 10, 0, 0, stream, int32_t(stream.size()));
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readBytes(doc, b.bytes, &summary);
    ASSERT_TRUE(s.isPartial());
    EXPECT_NE(s.reason().find("hold more than 20 x 10"), std::string::npos) << s.reason();
    EXPECT_EQ(summary.damagedLayers, 0);
    SourceLayer want{20, 10, 0, 0, std::vector<uint32_t>(more.pixels.begin(), more.pixels.begin() + 200)};
    expectLayerEquals(*doc.layer(0), want);
  }
  // A stream without its end (cut after the last pixel byte but before its check value).
  {
    NativeFileBuilder b(20, 10);
    std::vector<uint8_t> stream = test::zlibCompress(a.pixels.data(), a.pixels.size() * 4, 0);  // stored
    stream.resize(stream.size() - 4);
    b.addLayerStream(20, 10, 0, 0, stream, int32_t(stream.size()));
    b.addLayer(1, 1, 0, 0, {0xFFFFFFFFu});
    Document doc(strings);
    Status s = readBytes(doc, b.bytes);
    ASSERT_TRUE(s.isPartial());
    EXPECT_NE(s.reason().find("lack their end"), std::string::npos) << s.reason();
    ASSERT_EQ(doc.layerCount(), 2);
    expectLayerEquals(*doc.layer(0), a);
  }
}

TEST_F(NativeReaderTest, TruncationAtEveryByteKeepsWhatWasCompleteAndNeverFails) {
  std::vector<SourceLayer> layers = {{9, 7, 0, 0, patternPixels(9, 7, 24)},
                                     {13, 5, -2, 1, patternPixels(13, 5, 25)},
                                     {4, 4, 1, 1, patternPixels(4, 4, 26)}};
  NativeFileBuilder b(16, 16);
  b.addLayer(9, 7, 0, 0, layers[0].pixels);
  b.addOtherChunk(7, 13, 5);
  b.addLayer(13, 5, -2, 1, layers[1].pixels);
  b.addLayer(4, 4, 1, 1, layers[2].pixels);
  // Layer chunks in file order with the index of their layer.
  const std::vector<std::pair<test::NativeChunkInfo, int>> layerChunks = {
      {b.chunks[0], 0}, {b.chunks[2], 1}, {b.chunks[3], 2}};
  for (size_t cut = 0; cut <= b.bytes.size(); ++cut) {
    SCOPED_TRACE(cut);
    std::vector<uint8_t> bytes(b.bytes.begin(), b.bytes.begin() + ptrdiff_t(cut));
    Document doc(strings);
    Status s = readBytes(doc, bytes);
    if (cut < 64) {
      ASSERT_TRUE(s.isFailed());
      continue;
    }
    // The file reads as whole when no chunk is cut between its start and the end of its bytes
    // (a missing padding at the very end does not count).
    bool whole = true;
    for (const auto& c : b.chunks) whole = whole && !(cut > c.offset && cut < c.contentEnd);
    size_t expectedLayers = 0;
    for (const auto& [c, index] : layerChunks) {
      if (cut < c.offset + 72) break;
      const SourceLayer& l = layers[size_t(index)];
      if ((cut - c.pixelsOffset) * 1032 < size_t(l.width) * size_t(l.height) * 4) break;
      ++expectedLayers;
    }
    ASSERT_EQ(doc.layerCount(), int32_t(expectedLayers)) << s.reason();
    for (size_t i = 0; i < expectedLayers; ++i) {
      const auto& [c, index] = layerChunks[i];
      if (cut >= c.contentEnd) {
        expectLayerEquals(*doc.layer(int32_t(i)), layers[size_t(index)]);
      } else {
        expectPrefixThenZeros(*doc.layer(int32_t(i)), layers[size_t(index)]);
      }
    }
    EXPECT_EQ(s.isOk(), whole) << s.reason();
    EXPECT_EQ(s.isPartial(), !whole);
  }
}

TEST_F(NativeReaderTest, LayerChunksPastTheSixtyFourthAreLeftOut) {
  NativeFileBuilder b(4, 4);
  for (int i = 0; i < 70; ++i) b.addLayer(1, 1, i % 4, i / 4 % 4, {makeColor(i, 2 * i, 3 * i, 255)});
  SourceLayer last{2, 2, 0, 0, patternPixels(2, 2, 27)};
  Document doc(strings);
  NativeReadSummary summary;
  Status s = readBytes(doc, b.bytes, &summary);
  ASSERT_TRUE(s.isPartial());
  EXPECT_NE(s.reason().find("6 more layers were left out"), std::string::npos) << s.reason();
  EXPECT_EQ(summary.layersBeyondLimit, 6);
  ASSERT_EQ(doc.layerCount(), 64);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(doc.layer(i)->pixel32(0, 0), makeColor(i, 2 * i, 3 * i, 255));
  EXPECT_EQ(doc.currentLayerIndex(), 63);
}

TEST_F(NativeReaderTest, ManySmallChunksAllAdvance) {
  // Thousands of 8-byte chunks (skip nothing) and then a layer: every chunk header moves on.
  NativeFileBuilder b(4, 4);
  for (int i = 0; i < 5000; ++i) b.addOtherChunk(1, 8, 0);
  SourceLayer a{4, 4, 0, 0, patternPixels(4, 4, 28)};
  b.addLayer(4, 4, 0, 0, a.pixels);
  Document doc(strings);
  NativeReadSummary summary;
  ASSERT_TRUE(readBytes(doc, b.bytes, &summary).isOk());
  EXPECT_EQ(summary.skippedChunks, 5000);
  ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, {a}));
}

TEST_F(NativeReaderTest, AWideSparseLayerAllocatesTilesOnlyWhereItHasPixels) {
  const int32_t w = 20000, h = 300;
  std::vector<uint32_t> px(size_t(w) * h, 0);
  px[size_t(5) * w + 19999] = 0xFF123456u;
  px[size_t(200) * w + 64] = 0x00000001u;  // colour without alpha still counts
  NativeFileBuilder b(100, 100);
  b.addLayer(w, h, -10000, 0, px, 9);
  Document doc(strings);
  ASSERT_TRUE(readBytes(doc, b.bytes).isOk());
  const Layer& layer = *doc.layer(0);
  EXPECT_EQ(layer.pixels32.presentTileCount(), 2);
  EXPECT_EQ(layer.pixel32(19999, 5), 0xFF123456u);
  EXPECT_EQ(layer.pixel32(64, 200), 0x00000001u);
}

}  // namespace
}  // namespace kanvo
