// Native documents written by the tests themselves: sound files of many shapes, and every kind
// of damage the reader has a rule for.
#include "formats/native/NativeReader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <climits>
#include <functional>
#include <random>

#include "document/Document.h"
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

void addLayer(NativeFileBuilder& b, const SourceLayer& l) {
  b.addLayer(l.width, l.height, l.offsetX, l.offsetY, l.pixels);
}

// Where the compressed-size field of a layer chunk is.
size_t compressedSizeAt(const test::NativeChunkInfo& chunk) {
  return chunk.offset + native::kChunkHeaderBytes + native::kLayerCompressedSizeAt;
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
  for (int32_t ty = 0; ty < store.tilesY(); ++ty)
    for (int32_t tx = 0; tx < store.tilesX(); ++tx) {
      bool any = false;
      for (int32_t y = ty * 64; y < std::min(src.height, ty * 64 + 64); ++y)
        for (int32_t x = tx * 64; x < std::min(src.width, tx * 64 + 64); ++x)
          any = any || src.pixels[size_t(y) * size_t(src.width) + size_t(x)] != 0;
      EXPECT_EQ(store.tileExists(tx, ty), any) << "tile " << tx << "," << ty;
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

class NativeReaderTest : public ::testing::Test {
 protected:
  StringTable strings;
};

// Sizes, offsets (to the limits of 32 bits), an all-zero layer, a layer larger than the canvas
// with an empty band; read from memory and from a file.
TEST_F(NativeReaderTest, LayersComeBackExactlyWithTheirSizesOffsetsAndOnlyTheTilesTheyNeed) {
  const std::vector<SourceLayer> layers = {
      {64, 48, 0, 0, patternPixels(64, 48, 1)},
      {21, 15, -7, -5, patternPixels(21, 15, 2)},
      {200, 130, -8, -6, patternPixels(200, 130, 3, true)},
      {70, 3, 10, 40, std::vector<uint32_t>(210, 0)},
      {1, 1, 63, 47, {0x80FF0000u}},
      {129, 65, INT_MIN, INT_MAX, patternPixels(129, 65, 4)},
  };
  NativeFileBuilder b(64, 48, 150);
  for (const SourceLayer& l : layers) addLayer(b, l);
  test::TempDir dir;
  ASSERT_TRUE(test::writeWholeFile(dir.file("a.knvmob"), b.bytes));
  for (bool fromFile : {false, true}) {
    SCOPED_TRACE(fromFile ? "file" : "memory");
    Document doc(strings);
    NativeReadSummary summary;
    Status s = fromFile ? readNativeDocument(doc, dir.file("a.knvmob"), nullptr, &summary)
                        : readBytes(doc, b.bytes, &summary);
    ASSERT_TRUE(s.isOk()) << s.reason();
    EXPECT_EQ(std::make_tuple(doc.width(), doc.height(), doc.resolution), std::make_tuple(64, 48, 150));
    expectLayersAre(doc, layers);
    EXPECT_EQ(doc.currentLayerIndex(), doc.layerCount() - 1);
    EXPECT_EQ(summary.layersRead, int32_t(layers.size()));
    for (int32_t i = 0; i < doc.layerCount(); ++i) EXPECT_EQ(doc.layer(i)->serial, i + 1);
    // The reduced images were made from the pixels read.
    EXPECT_EQ(doc.layer(0)->pyramid32.level(1).getPixel(3, 2), layers[0].pixels[size_t(4) * 64 + 6]);
  }
}

// Headers the reader cannot use: failed, the document left as it was.
TEST_F(NativeReaderTest, ABadHeaderFailsAndLeavesTheDocumentAsItWas) {
  const std::vector<uint8_t> header = NativeFileBuilder(10, 10).bytes;
  std::vector<std::vector<uint8_t>> files = {{}, std::vector<uint8_t>(header.begin(), header.end() - 1)};
  for (auto [w, h] : std::vector<std::pair<int32_t, int32_t>>{
           {0, 10}, {10, 0}, {-1, 10}, {10, 32761}, {INT32_MIN, 5}, {32761, 32761}}) {
    NativeFileBuilder b(w, h);
    b.addLayer(1, 1, 0, 0, {0xFFFFFFFFu});
    files.push_back(b.bytes);
  }
  for (const auto& bytes : files) {
    Document doc(strings);
    doc.newCanvas(40, 30, kLayerKind32);
    doc.addLayer32();
    Status s = readBytes(doc, bytes);
    EXPECT_TRUE(s.isFailed());
    EXPECT_FALSE(s.reason().empty());
    EXPECT_EQ(std::make_tuple(doc.width(), doc.height(), doc.layerCount()), std::make_tuple(40, 30, 2));
  }
  // The largest canvas is accepted; a header alone is an empty document of its size.
  NativeFileBuilder big(32760, 32760, 96);
  Document doc(strings);
  EXPECT_TRUE(readBytes(doc, big.bytes).isOk());
  EXPECT_EQ(std::make_tuple(doc.width(), doc.height(), doc.resolution), std::make_tuple(32760, 32760, 96));
  EXPECT_EQ(doc.layerCount(), 0);
  EXPECT_EQ(doc.currentLayerIndex(), -1);
}

// Every chunk rule: a file of layer a, then the chunks of the case (layer c among them or not).
// The outcome, the reason, the layers kept and the summary are all checked.
TEST_F(NativeReaderTest, EveryKindOfChunkDamageFollowsItsRule) {
  const SourceLayer a{8, 8, 0, 0, patternPixels(8, 8, 10)}, c{30, 20, -5, 4, patternPixels(30, 20, 19)};
  const SourceLayer w{20, 10, 0, 0, patternPixels(20, 10, 23)}, more{20, 12, 0, 0, patternPixels(20, 12, 23)};
  struct Case {
    std::string name;
    std::function<void(NativeFileBuilder&)> chunks;
    Status::Code outcome;
    std::string says;
    std::vector<SourceLayer> kept;
    NativeReadSummary summary;  // layersRead is taken from kept
  };
  std::vector<Case> cases;
  auto add = [&](Case c) { cases.push_back(std::move(c)); };
  auto otherChunk = [](int32_t type, int32_t size) {
    return [=](NativeFileBuilder& b) {
      b.appendI32(type);
      b.appendI32(size);
    };
  };
  // Chunks of other types of every size and type are skipped, aligned to 4 bytes; a layer
  // chunk's size field is not used.
  add({"skipped sizes",
       [&](NativeFileBuilder& b) {
         for (int32_t size = 8; size <= 20; ++size) b.addOtherChunk(7 + size, size, size_t(size) - 8);
         b.addOtherChunk(INT32_MIN + 1, 13, 5);
         for (int i = 0; i < 5000; ++i) b.addOtherChunk(1, 8, 0);
         addLayer(b, c);
       },
       Status::kOk,
       "",
       {a, c},
       {.skippedChunks = 5014}});
  for (int32_t size : {1, 3, 7, 8, 9999, INT32_MAX})
    add({"layer size field " + std::to_string(size),
         [&, size](NativeFileBuilder& b) {
           addLayer(b, c);
           b.putAt(b.chunks.back().offset + 4, size);
         },
         Status::kOk,
         "",
         {a, c},
         {}});
  // A size of 0 or below is the end marker, whatever the type.
  for (int32_t size : {0, -1, INT32_MIN})
    for (int32_t type : {0, 9})
      add({"end " + std::to_string(type) + "/" + std::to_string(size),
           [&, size, type](NativeFileBuilder& b) {
             otherChunk(type, size)(b);
             addLayer(b, c);
           },
           Status::kOk,
           "",
           {a},
           {}});
  for (int32_t size = 1; size <= 7; ++size)
    add({"skipped size " + std::to_string(size),
         [&, size](NativeFileBuilder& b) {
           otherChunk(5, size)(b);
           addLayer(b, c);
         },
         Status::kPartial,
         "impossible size " + std::to_string(size),
         {a},
         {}});
  add({"skipped past the end",
       [](NativeFileBuilder& b) { b.addOtherChunk(3, 1000, 100); },
       Status::kPartial,
       "",
       {a},
       {.truncated = true}});
  // Sides out of range, or more pixels than the compressed bytes could hold: the chunk is
  // passed over (nothing is allocated for it) and reading goes on.
  for (auto [sw, sh] : std::vector<std::pair<int32_t, int32_t>>{{0, 4},
                                                                {4, 0},
                                                                {-4, 4},
                                                                {4, -4},
                                                                {32761, 1},
                                                                {1, 32761},
                                                                {65536, 65536},
                                                                {INT32_MIN, INT32_MIN},
                                                                {INT32_MAX, 2},
                                                                {-1, -1},
                                                                {0x40000000, 4},
                                                                {0x20000000, 0x20000000}})
    add({"sides " + std::to_string(sw) + "x" + std::to_string(sh),
         [&, sw, sh](NativeFileBuilder& b) {
           const std::vector<uint8_t> stream = test::zlibCompress(a.pixels.data(), 36);
           b.addLayerStream(sw, sh, 0, 0, stream, int32_t(stream.size()));
           addLayer(b, c);
         },
         Status::kPartial,
         "",
         {a, c},
         {.rejectedChunks = 1}});
  for (auto [sw, sh, n] :
       std::vector<std::tuple<int32_t, int32_t, int32_t>>{{32760, 32760, 15}, {1, 1, 0}, {100, 100, 38}})
    add({"pixels for " + std::to_string(n) + " bytes",
         [&, sw, sh, n](NativeFileBuilder& b) {
           b.addLayerStream(sw, sh, 0, 0, std::vector<uint8_t>(size_t(n), 0x78), n);
           addLayer(b, c);
         },
         Status::kPartial,
         "",
         {a, c},
         {.rejectedChunks = 1}});
  // A negative compressed size: the next chunk cannot be found.
  for (int32_t cs : {-1, -72, INT32_MIN})
    add({"compressed size " + std::to_string(cs),
         [&, cs](NativeFileBuilder& b) {
           addLayer(b, c);
           b.putAt(compressedSizeAt(b.chunks.back()), cs);
           addLayer(b, c);
         },
         Status::kPartial,
         "negative compressed size",
         {a},
         {}});
  // A compressed size past the end of the file: the stream that is there is read.
  for (int32_t cs : {-2, 0x7FFFFFF0, INT32_MAX})
    add({"compressed size past the end " + std::to_string(cs),
         [&, cs](NativeFileBuilder& b) {
           addLayer(b, c);
           const test::NativeChunkInfo& info = b.chunks.back();
           b.putAt(compressedSizeAt(info), cs == -2 ? int32_t(info.end - info.pixelsOffset) + 1 : cs);
         },
         Status::kPartial,
         "",
         {a, c},
         {.truncated = true}});
  // Streams of too few or too many bytes, and a stream without its end (its check value).
  SourceLayer shortW = w;
  std::fill(shortW.pixels.begin() + 140, shortW.pixels.end(), 0u);
  auto stream = [&](const SourceLayer& src, size_t bytes, int level, size_t cut) {
    return [&, src, bytes, level, cut](NativeFileBuilder& b) {
      std::vector<uint8_t> s = test::zlibCompress(src.pixels.data(), bytes, level);
      s.resize(s.size() - cut);
      b.addLayerStream(w.width, w.height, 0, 0, s, int32_t(s.size()));
      addLayer(b, c);
    };
  };
  add({"short stream",
       stream(w, 20 * 7 * 4, Z_DEFAULT_COMPRESSION, 0),
       Status::kPartial,
       "end after 560 of 800 bytes",
       {a, shortW, c},
       {.damagedLayers = 1}});
  add({"long stream",
       stream(more, 20 * 12 * 4, Z_DEFAULT_COMPRESSION, 0),
       Status::kPartial,
       "hold more than 20 x 10",
       {a, w, c},
       {}});
  add({"no end", stream(w, 800, 0, 4), Status::kPartial, "lack their end", {a, w, c}, {}});
  // Layer chunks past the 64th a document holds are passed over.
  std::vector<SourceLayer> sixtyFour = {a};
  for (int i = 1; i < 64; ++i)
    sixtyFour.push_back({1, 1, i % 4, i / 4 % 4, {makeColor(i, 2 * i, 3 * i, 255)}});
  add({"70 layers",
       [&](NativeFileBuilder& b) {
         for (size_t i = 1; i < 64; ++i) addLayer(b, sixtyFour[i]);
         for (int i = 0; i < 6; ++i) addLayer(b, c);
       },
       Status::kPartial,
       "6 more layers were left out",
       sixtyFour,
       {.layersBeyondLimit = 6}});

  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    NativeFileBuilder b(16, 16);
    addLayer(b, a);
    k.chunks(b);
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readBytes(doc, b.bytes, &summary);
    EXPECT_EQ(s.code(), k.outcome) << s.reason();
    EXPECT_NE(s.reason().find(k.says), std::string::npos) << s.reason();
    expectLayersAre(doc, k.kept);
    EXPECT_EQ(doc.currentLayerIndex(), doc.layerCount() - 1);
    const NativeReadSummary& want = k.summary;
    EXPECT_EQ(std::make_tuple(summary.layersRead, summary.damagedLayers, summary.rejectedChunks,
                              summary.layersBeyondLimit, summary.skippedChunks, summary.truncated),
              std::make_tuple(int32_t(k.kept.size()), want.damagedLayers, want.rejectedChunks,
                              want.layersBeyondLimit, want.skippedChunks, want.truncated));
  }
}

// Randomly damaged streams: the layer holds what zlib itself decodes before the damage, then
// zeros, and reading goes on with the next chunk.
TEST_F(NativeReaderTest, DamagedStreamsKeepWhatWasDecodedAndZerosAfterIt) {
  std::mt19937 rng(20);
  const SourceLayer a{50, 40, 2, 3, patternPixels(50, 40, 21)}, after{3, 3, 0, 0, patternPixels(3, 3, 22)};
  const std::vector<uint8_t> stream = test::zlibCompress(a.pixels.data(), a.pixels.size() * 4);
  int partial = 0;
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<uint8_t> bad = stream;
    const size_t at = 2 + rng() % (bad.size() - 2);
    for (int k = 0, n = 1 + int(rng() % 6); k < n && at + size_t(k) < bad.size(); ++k)
      bad[at + size_t(k)] ^= uint8_t(1 + rng() % 255);
    NativeFileBuilder b(64, 64);
    b.addLayerStream(a.width, a.height, a.offsetX, a.offsetY, bad, int32_t(bad.size()));
    addLayer(b, after);
    Document doc(strings);
    Status s = readBytes(doc, b.bytes);
    ASSERT_FALSE(s.isFailed());
    partial += s.isPartial();
    SourceLayer want = a;
    std::fill(want.pixels.begin(), want.pixels.end(), 0u);
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = bad.data();
    zs.avail_in = uInt(bad.size());
    zs.next_out = reinterpret_cast<Bytef*>(want.pixels.data());
    zs.avail_out = uInt(want.pixels.size() * 4);
    inflate(&zs, Z_NO_FLUSH);
    inflateEnd(&zs);
    ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, {want, after})) << trial;
  }
  EXPECT_GT(partial, 150);
}

// Every prefix of a file: the layers whose pixels had begun are kept (complete or cut, their
// missing bytes zero), and the file reads as whole only where no chunk was cut.
TEST_F(NativeReaderTest, TruncationAtEveryByteKeepsWhatWasCompleteAndNeverFails) {
  const std::vector<SourceLayer> layers = {{9, 7, 0, 0, patternPixels(9, 7, 24)},
                                           {13, 5, -2, 1, patternPixels(13, 5, 25)},
                                           {4, 4, 1, 1, patternPixels(4, 4, 26)}};
  NativeFileBuilder b(16, 16);
  addLayer(b, layers[0]);
  b.addOtherChunk(7, 13, 5);
  addLayer(b, layers[1]);
  addLayer(b, layers[2]);
  const test::NativeChunkInfo layerChunks[] = {b.chunks[0], b.chunks[2], b.chunks[3]};
  for (size_t cut = 0; cut <= b.bytes.size(); ++cut) {
    SCOPED_TRACE(cut);
    Document doc(strings);
    Status s = readBytes(doc, std::vector<uint8_t>(b.bytes.begin(), b.bytes.begin() + ptrdiff_t(cut)));
    if (cut < native::kHeaderBytes) {
      ASSERT_TRUE(s.isFailed());
      continue;
    }
    bool whole = true;  // a missing padding at the very end does not count
    for (const auto& c : b.chunks) whole = whole && !(cut > c.offset && cut < c.contentEnd);
    EXPECT_EQ(s.isOk(), whole) << s.reason();
    EXPECT_EQ(s.isPartial(), !whole);
    std::vector<SourceLayer> want;
    for (size_t i = 0; i < 3; ++i) {
      const test::NativeChunkInfo& c = layerChunks[i];
      if (cut < c.pixelsOffset) break;
      // The bytes zlib decodes from what is there: at most 1032 per byte, none from too few.
      const SourceLayer& l = layers[i];
      if ((cut - c.pixelsOffset) * native::kMaxInflateRatio < size_t(l.width) * size_t(l.height) * 4) break;
      want.push_back(l);
      if (cut >= c.contentEnd) continue;
      std::vector<uint8_t> part(b.bytes.begin() + ptrdiff_t(c.pixelsOffset),
                                b.bytes.begin() + ptrdiff_t(cut));
      std::fill(want.back().pixels.begin(), want.back().pixels.end(), 0u);
      uLongf n = uLongf(l.pixels.size() * 4);
      uncompress(reinterpret_cast<Bytef*>(want.back().pixels.data()), &n, part.data(), uLong(part.size()));
    }
    ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, want));
  }
}

TEST_F(NativeReaderTest, AWideSparseLayerAllocatesTilesOnlyWhereItHasPixels) {
  SourceLayer wide{20000, 300, -10000, 0, std::vector<uint32_t>(size_t(20000) * 300, 0)};
  wide.pixels[size_t(5) * 20000 + 19999] = 0xFF123456u;
  wide.pixels[size_t(200) * 20000 + 64] = 0x00000001u;  // colour without alpha still counts
  NativeFileBuilder b(100, 100);
  b.addLayer(wide.width, wide.height, wide.offsetX, wide.offsetY, wide.pixels, 9);
  Document doc(strings);
  ASSERT_TRUE(readBytes(doc, b.bytes).isOk());
  EXPECT_EQ(doc.layer(0)->pixels32.presentTileCount(), 2);
  expectLayersAre(doc, {wide});
}

}  // namespace
}  // namespace kanvo
