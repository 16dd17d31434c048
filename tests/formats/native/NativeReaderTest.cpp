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
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::NativeFileBuilder;
using test::patternPixels;

struct SourceLayer {
  int32_t width, height, offsetX, offsetY;
  std::vector<uint32_t> pixels;
};

void addLayer(NativeFileBuilder& b, const SourceLayer& l) {
  b.addLayer(l.width, l.height, l.offsetX, l.offsetY, l.pixels);
}

// What zlib itself decodes from a stream (damaged or cut) into a layer of the source's size.
SourceLayer zlibDecodes(SourceLayer layer, const uint8_t* stream, size_t n) {
  std::fill(layer.pixels.begin(), layer.pixels.end(), 0u);
  uLongf size = uLongf(layer.pixels.size() * 4);
  uncompress(reinterpret_cast<Bytef*>(layer.pixels.data()), &size, stream, uLong(n));
  return layer;
}

// The document holds exactly these layers, bottom first, each with a tile exactly where a
// pixel is not 0.
void expectLayersAre(const Document& doc, const std::vector<SourceLayer>& want) {
  ASSERT_EQ(doc.layerCount(), int32_t(want.size()));
  for (size_t i = 0; i < want.size(); ++i) {
    const Layer& layer = *doc.layer(int32_t(i));
    const SourceLayer& src = want[i];
    ASSERT_EQ(
        std::make_tuple(layer.kind, layer.storeWidth(), layer.storeHeight(), layer.offsetX, layer.offsetY),
        std::make_tuple(kLayerKind32, uint32_t(src.width), uint32_t(src.height), src.offsetX, src.offsetY))
        << "layer " << i;
    const TiledImage32& store = layer.pixels32;
    int64_t mismatches = 0;
    std::vector<bool> tiles(size_t(store.tilesX()) * size_t(store.tilesY()));
    for (int32_t y = 0; y < src.height; ++y)
      for (int32_t x = 0; x < src.width; ++x) {
        const uint32_t v = src.pixels[size_t(y) * size_t(src.width) + size_t(x)];
        mismatches += store.getPixel(x, y) != v;
        if (v) tiles[size_t(y / 64) * size_t(store.tilesX()) + size_t(x / 64)] = true;
      }
    EXPECT_EQ(mismatches, 0) << "layer " << i;
    EXPECT_EQ(test::presence(store), tiles) << "layer " << i;
    LayerPyramid<32> rebuilt;  // the reduced images made as the rows came equal a rebuild
    ASSERT_TRUE(rebuilt.rebuild(store));
    for (int32_t k = 1; k <= kPyramidLevels; ++k) {
      if (rebuilt.level(k).width() == 0 || rebuilt.level(k).height() == 0) break;
      Image32 level;
      test::copyToFlat(rebuilt.level(k), level);
      EXPECT_TRUE(test::samePixels(layer.pyramid32.level(k), level)) << "layer " << i << " level " << k;
    }
  }
}

class NativeReaderTest : public ::testing::Test {
 protected:
  Status read(Document& doc, const std::vector<uint8_t>& bytes, NativeReadSummary* summary = nullptr) {
    return readNativeDocument(doc, bytes.data(), bytes.size(), nullptr, summary);
  }
  StringTable strings;
};

// Every rule of the header and the chunks: a file of layer a, then the chunks of the case, read
// into a document holding two layers. The outcome, the reason, the layers kept (numbered on
// from the document's serial, the top one current, the reduced images made) and the whole
// summary are checked.
TEST_F(NativeReaderTest, EveryKindOfChunkDamageFollowsItsRule) {
  // Offsets to the limits of 32 bits; a layer larger than the canvas with an empty band.
  const SourceLayer a{129, 65, INT_MIN, INT_MAX, patternPixels(129, 65, 4)};
  const SourceLayer c{200, 130, -8, -6, patternPixels(200, 130, 3, true)};
  const SourceLayer w{20, 10, 0, 0, patternPixels(20, 10, 23)}, more{20, 12, 0, 0, patternPixels(20, 12, 23)};
  const SourceLayer blank{70, 3, 10, 40, std::vector<uint32_t>(210, 0)};
  SourceLayer shortW = w;  // 7 of its 10 rows
  std::fill(shortW.pixels.begin() + 140, shortW.pixels.end(), 0u);
  // Reads layer a and the chunks of the case; layersRead of the summary is taken from kept.
  auto check = [&](const std::string& name, const std::function<void(NativeFileBuilder&)>& chunks,
                   Status::Code outcome, const std::string& says, const std::vector<SourceLayer>& kept,
                   NativeReadSummary summary) {
    SCOPED_TRACE(name);
    NativeFileBuilder b(16, 16, 150);
    addLayer(b, a);
    chunks(b);
    Document doc(strings);
    doc.newCanvas(40, 30, kLayerKind32);
    doc.addLayer32();
    const int32_t serial = doc.layerSerial();
    NativeReadSummary got;
    Status s = read(doc, b.bytes, &got);
    EXPECT_EQ(s.code(), outcome) << s.reason();
    EXPECT_NE(s.reason().find(says), std::string::npos) << s.reason();
    if (s.isFailed()) {
      EXPECT_EQ(std::make_tuple(doc.width(), doc.height(), doc.layerCount()), std::make_tuple(40, 30, 2));
      return;
    }
    EXPECT_EQ(doc.resolution, 150);
    expectLayersAre(doc, kept);
    EXPECT_EQ(doc.currentLayerIndex(), doc.layerCount() - 1);
    for (int32_t i = 0; i < doc.layerCount(); ++i) EXPECT_EQ(doc.layer(i)->serial, serial + i + 1);
    EXPECT_EQ(doc.layer(0)->pyramid32.level(1).getPixel(3, 2), a.pixels[size_t(4) * 129 + 6]);
    EXPECT_EQ(std::make_tuple(got.layersRead, got.damagedLayers, got.rejectedChunks, got.layersBeyondLimit,
                              got.skippedChunks, got.truncated),
              std::make_tuple(int32_t(kept.size()), summary.damagedLayers, summary.rejectedChunks,
                              summary.layersBeyondLimit, summary.skippedChunks, summary.truncated));
  };
  // A chunk header of any type and size field, then layer c.
  auto header = [&](int32_t type, int32_t size) {
    return [&, type, size](NativeFileBuilder& b) {
      b.appendI32(type);
      b.appendI32(size);
      addLayer(b, c);
    };
  };
  // Layer c with two of its fields (offsets within the chunk) set, then c again.
  auto patchedC = [&](size_t field, int32_t value, size_t field2 = 0, int32_t value2 = 0) {
    return [&, field, value, field2, value2](NativeFileBuilder& b) {
      addLayer(b, c);
      b.putAt(b.chunks.back().offset + field, value);
      if (field2) b.putAt(b.chunks.back().offset + field2, value2);
      addLayer(b, c);
    };
  };
  // A layer chunk of w's size holding the stream of `bytes` bytes of src, cut by `cut` bytes.
  auto stream = [&](const SourceLayer& src, size_t bytes, int level, size_t cut) {
    return [&, src, bytes, level, cut](NativeFileBuilder& b) {
      std::vector<uint8_t> s = test::zlibCompress(src.pixels.data(), bytes, level);
      s.resize(s.size() - cut);
      b.addLayerStream(w.width, w.height, 0, 0, s, int32_t(s.size()));
      addLayer(b, c);
    };
  };
  const size_t sizeField = 4, widthField = 12, heightField = 16, compressedSizeField = 32;
  // Other chunks of every size and type are skipped, aligned to 4 bytes, however many.
  auto skipped = [&](NativeFileBuilder& b) {
    for (int32_t size = 8; size <= 20; ++size) b.addOtherChunk(7 + size, size, size_t(size) - 8);
    b.addOtherChunk(INT32_MIN + 1, 13, 5);
    for (int i = 0; i < 5000; ++i) b.addOtherChunk(1, 8, 0);
    addLayer(b, c);
    addLayer(b, blank);
  };
  check("skipped", skipped, Status::kOk, "", {a, c, blank}, {.skippedChunks = 5014});
  // A layer chunk's size field is not used, unless it ends the document.
  for (int32_t size : {1, 3, 7, 8, 9999, INT32_MAX})
    check("layer size " + std::to_string(size), patchedC(sizeField, size), Status::kOk, "", {a, c, c}, {});
  for (int32_t size : {0, -1, INT32_MIN})
    for (int32_t type : {0, 9})
      check("end marker " + std::to_string(type), header(type, size), Status::kOk, "", {a}, {});
  for (int32_t size = 1; size <= 7; ++size)
    check("size " + std::to_string(size), header(5, size), Status::kPartial,
          "impossible size " + std::to_string(size), {a}, {});
  auto pastTheEnd = [](NativeFileBuilder& b) { b.addOtherChunk(3, 1000, 100); };
  check("skipped past the end", pastTheEnd, Status::kPartial, "", {a}, {.truncated = true});
  // Sides out of range, or more pixels than the compressed bytes could hold (at most 1032 bytes
  // each): the chunk is passed over, nothing is allocated for it, and reading goes on.
  // clang-format off
  const std::pair<int32_t, int32_t> badSides[] = {
      {0, 4}, {4, 0}, {-4, 4}, {4, -4}, {32761, 1}, {1, 32761}, {65536, 65536}, {-1, -1}, {INT32_MAX, 2},
      {0x40000000, 4}, {32760, 32760}, {0x20000000, 0x20000000}, {INT32_MIN, INT32_MIN}};
  // clang-format on
  for (auto [sw, sh] : badSides)
    check("sides " + std::to_string(sw) + "x" + std::to_string(sh), patchedC(widthField, sw, heightField, sh),
          Status::kPartial, "", {a, c}, {.rejectedChunks = 1});
  // n bytes for w x h pixels: rejected below the bound, read (and found damaged) from it on.
  for (auto [n, w, h] : std::vector<std::tuple<int32_t, int32_t, int32_t>>{
           {0, 1, 1}, {38, 100, 100}, {39, 100, 100}, {100, 129, 200}}) {
    auto junk = [&, n, w, h](NativeFileBuilder& b) {
      b.addLayerStream(w, h, 0, 0, std::vector<uint8_t>(size_t(n), 0x78), n);
      addLayer(b, c);
    };
    const bool held = n * 1032 >= w * h * 4;
    const SourceLayer zeros{w, h, 0, 0, std::vector<uint32_t>(size_t(w) * size_t(h), 0)};
    check(std::to_string(w) + " x " + std::to_string(h) + " from " + std::to_string(n), junk,
          Status::kPartial, "", held ? std::vector{a, zeros, c} : std::vector{a, c},
          {.damagedLayers = held, .rejectedChunks = !held});
  }
  // A negative compressed size: the next chunk cannot be found.
  for (int32_t cs : {-1, -72, INT32_MIN})
    check("compressed size " + std::to_string(cs), patchedC(compressedSizeField, cs), Status::kPartial,
          "negative compressed size", {a}, {});
  // A compressed size past the end of the file: the stream that is there is read.
  for (int32_t cs : {-2, 0x7FFFFFF0, INT32_MAX}) {
    auto beyond = [&, cs](NativeFileBuilder& b) {
      addLayer(b, c);
      const test::NativeChunkInfo& info = b.chunks.back();
      b.putAt(info.offset + compressedSizeField, cs == -2 ? int32_t(info.end - info.pixelsOffset) + 1 : cs);
    };
    check("compressed size past the end " + std::to_string(cs), beyond, Status::kPartial, "", {a, c},
          {.truncated = true});
  }
  // Streams of too few or too many bytes, and a stream without its end (its check value).
  check("short stream", stream(w, 20 * 7 * 4, Z_DEFAULT_COMPRESSION, 0), Status::kPartial,
        "end after 560 of 800 bytes", {a, shortW, c}, {.damagedLayers = 1});
  check("long stream", stream(more, 20 * 12 * 4, Z_DEFAULT_COMPRESSION, 0), Status::kPartial,
        "hold more than 20 x 10", {a, w, c}, {});
  check("no end", stream(w, 800, 0, 4), Status::kPartial, "lack their end", {a, w, c}, {});
  // A layer too wide for bands of whole tile rows, whole and with its stream ending in a band.
  const SourceLayer wide{4200, 150, 3, 0, patternPixels(4200, 150, 27, true)};
  SourceLayer wideCut = wide;
  std::fill(wideCut.pixels.begin() + 4200 * 100 + 17, wideCut.pixels.end(), 0u);
  auto wideStreams = [&](NativeFileBuilder& b) {
    addLayer(b, wide);
    const std::vector<uint8_t> s = test::zlibCompress(wide.pixels.data(), (4200 * 100 + 17) * 4, 1);
    b.addLayerStream(wide.width, wide.height, wide.offsetX, 0, s, int32_t(s.size()));
  };
  check("wide", wideStreams, Status::kPartial, "end after", {a, wide, wideCut}, {.damagedLayers = 1});
  // Canvas sides out of range fail and leave the document as it was (a header cut short too,
  // below); the largest canvas is taken.
  for (auto [cw, ch] : std::vector<std::pair<int32_t, int32_t>>{
           {0, 10}, {10, 0}, {-1, 10}, {10, 32761}, {INT32_MIN, 5}, {32761, 32761}, {32760, 32760}}) {
    auto canvas = [&, cw, ch](NativeFileBuilder& b) {
      b.put(native::kHeaderWidthAt, cw);
      b.put(native::kHeaderHeightAt, ch);
    };
    const bool fits = cw == 32760;
    check("canvas " + std::to_string(cw) + "x" + std::to_string(ch), canvas,
          fits ? Status::kOk : Status::kFailed, "", fits ? std::vector{a} : std::vector<SourceLayer>{}, {});
  }
}

// Every prefix of a file, and random damage to the stream of its middle layer: the layers
// whose pixels had begun are kept as zlib decodes what is there (bytes up to the damage, then
// zeros), reading goes on after damage, and the file reads as whole only where nothing was cut.
TEST_F(NativeReaderTest, CutAndDamagedStreamsKeepWhatZlibDecodes) {
  const std::vector<SourceLayer> layers = {{9, 7, 0, 0, patternPixels(9, 7, 24)},
                                           {20, 12, -2, 1, patternPixels(20, 12, 25)},
                                           {4, 4, 1, 1, patternPixels(4, 4, 26)}};
  NativeFileBuilder b(16, 16);
  addLayer(b, layers[0]);
  b.addOtherChunk(7, 13, 5);
  addLayer(b, layers[1]);
  addLayer(b, layers[2]);
  const test::NativeChunkInfo layerChunks[] = {b.chunks[0], b.chunks[2], b.chunks[3]};
  std::mt19937 rng(20);
  int partial = 0;
  for (size_t variant = 0; variant <= b.bytes.size() + 200; ++variant) {
    const size_t cut = std::min(variant, b.bytes.size());
    SCOPED_TRACE(variant);
    std::vector<uint8_t> bytes(b.bytes.begin(), b.bytes.begin() + ptrdiff_t(cut));
    if (variant > cut) {  // a few bytes of the middle stream changed
      const size_t at = layerChunks[1].pixelsOffset + 2 +
                        rng() % (layerChunks[1].contentEnd - layerChunks[1].pixelsOffset - 2);
      for (size_t k = 0, n = 1 + rng() % 6; k < n && at + k < layerChunks[1].contentEnd; ++k)
        bytes[at + k] ^= uint8_t(1 + rng() % 255);
    }
    Document doc(strings);
    Status s = read(doc, bytes);
    if (cut < native::kHeaderBytes) {
      ASSERT_TRUE(s.isFailed() && doc.layerCount() == 0);
      continue;
    }
    bool whole = true;  // a missing padding at the very end does not count
    for (const auto& c : b.chunks) whole = whole && !(cut > c.offset && cut < c.contentEnd);
    if (variant <= cut) {
      EXPECT_EQ(s.code(), whole ? Status::kOk : Status::kPartial) << s.reason();
    }
    partial += variant > cut && s.isPartial();
    std::vector<SourceLayer> want;
    for (size_t i = 0; i < 3; ++i) {
      const test::NativeChunkInfo& c = layerChunks[i];
      const size_t there = cut < c.pixelsOffset ? 0 : std::min(cut, c.contentEnd) - c.pixelsOffset;
      // Too few bytes to hold the pixels (at most 1032 each) reject the chunk.
      if (cut < c.pixelsOffset || there * 1032 < layers[i].pixels.size() * 4) break;
      want.push_back(zlibDecodes(layers[i], &bytes[c.pixelsOffset], there));
    }
    ASSERT_NO_FATAL_FAILURE(expectLayersAre(doc, want));
  }
  EXPECT_GT(partial, 150);
}

}  // namespace
}  // namespace kanvo
