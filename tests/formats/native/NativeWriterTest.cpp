// Documents written by the native writer: read back identical, read by the plain layout as
// they show, damaged in every way a file can be, and saved where saving fails.
#include "formats/native/NativeWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "formats/CompositeRows.h"
#include "formats/DocumentOpener.h"
#include "formats/DocumentSaver.h"
#include "formats/native/NativeFormat.h"
#include "formats/native/NativeReader.h"
#include "raster/parallel/WorkerPool.h"
#include "strings/StringTable.h"
#include "support/DocumentState.h"
#include "support/FullDisk.h"
#include "support/NativeFileBuilder.h"
#include "support/RandomDocuments.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// Everything a document holds that the file keeps: the common state and the fields beyond it.
std::string fullState(const Document& doc) {
  std::string s = test::documentState(doc);
  auto word = [&](auto v) { s.append(reinterpret_cast<const char*>(&v), sizeof v); };
  word(doc.resolution);
  for (int32_t i = 0; i < doc.layerCount(); ++i) {
    const Layer& l = *doc.layer(i);
    for (int64_t v : {l.blendMode, int32_t(l.colour), int32_t(l.locked), int32_t(l.reservedFlag), l.toneMode,
                      l.toneLines, l.antialiasMode, l.vectorWidth, l.vectorHeight})
      word(v);
    word(l.subPixelX);
    word(l.subPixelY);
    // What a reader makes from the pixels: the reduced images and the thumbnail.
    auto pixels = [&](const auto& image) {
      for (int32_t y = 0; y < int32_t(image.height()); ++y)
        for (int32_t x = 0; x < int32_t(image.width()); ++x) word(uint32_t(image.getPixel(x, y)));
    };
    for (int32_t k = 1; k <= kPyramidLevels; ++k) {
      pixels(l.pyramid32.level(k));
      pixels(l.pyramid8.level(k));
      pixels(l.pyramid1.level(k));
    }
    pixels(l.thumbnail.picture());
  }
  for (uint8_t flag : doc.selectionFlags()) word(flag);
  return s;
}

// A random document of every layer kind with every attribute, selection and flag set at random.
void makeDocument(Document& doc, std::mt19937& rng) {
  doc.resolution = test::randomIn(rng, 72, 1200);  // before the halftones are made for it
  ASSERT_NO_FATAL_FAILURE(test::makeRandomDocument(doc, rng, 150, 120, 5));
  if (rng() % 2) {
    ASSERT_NE(doc.addLayer(kLayerKindVector), nullptr);
  }
  for (int32_t i = 0; i < doc.layerCount(); ++i) {
    Layer& l = *doc.layer(i);
    l.locked = rng() % 2;
    l.reservedFlag = rng() % 2;
    l.subPixelX = std::ldexp(double(int32_t(rng())), -20);
    l.subPixelY = -1.0 / double(1 + rng() % 7);
    l.antialiasMode = int32_t(rng() % 3);
    l.name.assign(rng() % 12, '\0');
    for (char& c : l.name) c = char(rng());
    if (l.kind != kLayerKind8) l.toneLines = test::randomIn(rng, 0, 99);
  }
  for (int n = int(rng() % 4); n > 0; --n) ASSERT_NE(doc.addSelection(), nullptr);
  for (int32_t i = 0; i < doc.selectionCount(); ++i) {
    Selection& s = *doc.selection(i);
    test::fillRandomTiles(s.mask, rng);
    s.mode = int32_t(rng() % 4);
    s.refresh();
    doc.setSelectionFlag(i, uint8_t(rng()));
  }
  doc.setCurrentSelection(int32_t(rng() % uint32_t(doc.selectionCount())));
  doc.selectLayer(int32_t(rng() % uint32_t(doc.layerCount())));
}

// The file as a reader of the plain layout takes it: every record chunk of another type.
std::vector<uint8_t> plainView(std::vector<uint8_t> bytes) {
  for (const test::NativeChunk& c : test::nativeChunks(bytes))
    if (c.type != native::kLayerChunkType) storeU32LE(&bytes[c.offset], 0x7F7F7F7Fu);
  return bytes;
}

// Layer i alone, at full opacity, over white.
std::vector<Color32> layerAlone(Document& doc, int32_t i) {
  std::vector<std::tuple<uint8_t, uint8_t, int32_t>> kept;
  for (int32_t k = 0; k < doc.layerCount(); ++k) {
    Layer& l = *doc.layer(k);
    kept.emplace_back(l.visible, l.opacity, l.blendMode);
    std::tie(l.visible, l.opacity, l.blendMode) = std::make_tuple(k == i, 255, kBlendNormal);
  }
  std::vector<Color32> out;
  {
    CompositeRows rows(doc, exportCompositeOptions(kOpaqueWhite));
    for (int32_t y = 0; y < doc.height(); ++y) out.insert(out.end(), rows.row(y), rows.row(y) + doc.width());
  }
  for (int32_t k = 0; k < doc.layerCount(); ++k) {
    Layer& l = *doc.layer(k);
    std::tie(l.visible, l.opacity, l.blendMode) = kept[size_t(k)];
  }
  return out;
}

class NativeWriterTest : public ::testing::Test {
 protected:
  Status read(Document& doc, const std::vector<uint8_t>& bytes, NativeReadSummary* summary = nullptr) {
    return readNativeDocument(doc, bytes.data(), bytes.size(), nullptr, summary);
  }
  StringTable strings;
  test::TempDir dir;
};

TEST_F(NativeWriterTest, DocumentsReadBackIdenticalAndShowThroughThePlainLayout) {
  for (uint32_t seed = 1; seed <= 16; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    Document doc(strings), back(strings), plain(strings);
    ASSERT_NO_FATAL_FAILURE(makeDocument(doc, rng));
    const std::string path = dir.file(seed % 2 ? "a.knvmob" : "a.KNVMOB");
    ASSERT_TRUE(saveDocument(doc, path).isOk());
    ASSERT_TRUE(openDocument(back, path).isOk());
    EXPECT_TRUE(fullState(back) == fullState(doc));

    // One thread or many, the same bytes as the file.
    for (int threads : {1, 2, 5}) {
      parallel::ThreadCountOverride count(threads);
      std::vector<uint8_t> bytes;
      ASSERT_TRUE(encodeNativeDocument(doc, bytes).isOk());
      EXPECT_TRUE(bytes == test::readWholeFile(path)) << threads;
      Document again(strings);
      ASSERT_TRUE(readNativeDocument(again, path).isOk());
      EXPECT_TRUE(fullState(again) == fullState(doc)) << threads;
    }

    // Read as plain 32 bpp layers, each layer of an opaque colour shows as it does here.
    for (int32_t i = 0; i < doc.layerCount(); ++i) doc.layer(i)->colour |= 0xFF000000u;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(encodeNativeDocument(doc, bytes).isOk());
    NativeReadSummary summary;
    ASSERT_TRUE(read(plain, plainView(bytes), &summary).isOk());
    ASSERT_EQ(summary.layersRead, doc.layerCount());
    // The coverage span rounds a little differently from the 32 bpp blend (by 2 at most).
    for (int32_t i = 0; i < doc.layerCount(); ++i) {
      const std::vector<Color32> want = layerAlone(doc, i), got = layerAlone(plain, i);
      int worst = 0;
      for (size_t k = 0; k < want.size(); ++k)
        for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(byteOf(want[k], c) - byteOf(got[k], c)));
      EXPECT_LE(worst, doc.layer(i)->kind == kLayerKind8 && doc.layer(i)->toneMode == 0 ? 2 : 0) << i;
    }
  }
}

// Cuts anywhere, and a damaged byte in any record: partial, with every layer that could be read;
// a layer whose record is damaged is the 32 bpp layer of its pixels as they show.
TEST_F(NativeWriterTest, DamageKeepsWhatCanBeReadAndFallsBackToTheShownPixels) {
  std::mt19937 rng(7);
  Document doc(strings), plain(strings);
  ASSERT_NO_FATAL_FAILURE(makeDocument(doc, rng));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(encodeNativeDocument(doc, bytes).isOk());
  ASSERT_TRUE(read(plain, plainView(bytes)).isOk());

  for (size_t cut = native::kHeaderBytes; cut < bytes.size(); cut += 1 + rng() % (bytes.size() / 60)) {
    Document back(strings);
    const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut));
    EXPECT_TRUE(read(back, part).isPartial()) << "cut at " << cut;
    EXPECT_LE(back.layerCount(), doc.layerCount());
  }
  int32_t layer = -1;
  for (const test::NativeChunk& c : test::nativeChunks(bytes)) {
    layer += c.type == native::kLayerChunkType;
    if (c.type == native::kLayerChunkType || c.type == native::kEndRecordType) continue;
    for (size_t at : {c.offset + 9, c.offset + 20, c.end - 5}) {
      std::vector<uint8_t> damaged = bytes;
      damaged[at] ^= 0x10;
      Document back(strings);
      NativeReadSummary summary;
      const Status s = read(back, damaged, &summary);
      ASSERT_TRUE(s.isPartial()) << at;
      EXPECT_NE(s.reason().find("offset " + std::to_string(c.offset)), std::string::npos) << s.reason();
      EXPECT_EQ(summary.damagedRecords, 1);
      ASSERT_EQ(back.layerCount(), doc.layerCount());
      if (c.type != native::kLayerRecordType) continue;
      for (int32_t i = 0; i < doc.layerCount(); ++i) {
        const Layer& want = i == layer ? *plain.layer(i) : *doc.layer(i);  // the fallback
        EXPECT_EQ(back.layer(i)->kind, want.kind);
        EXPECT_EQ(back.layer(i)->name, want.name);
        EXPECT_TRUE(layerAlone(back, i) == layerAlone(i == layer ? plain : doc, i));
      }
    }
  }
}

// A missing folder and a full disk, for both files that hold more than a composite.
TEST_F(NativeWriterTest, AFailedSaveLeavesTheOldFileAsItWas) {
  std::mt19937 rng(3);
  Document doc(strings);
  ASSERT_NO_FATAL_FAILURE(test::makeRandomDocument(doc, rng, 400, 400, 4));
  for (const std::string name : {"old.knvmob", "old.png"}) {
    const std::string path = dir.file(name);
    ASSERT_TRUE(test::writeWholeFile(path, std::string("precious")));
    EXPECT_TRUE(saveDocument(doc, dir.file("missing/" + name)).isFailed());
    EXPECT_TRUE(test::onAFullDisk(4096, [&] { return saveDocument(doc, path).isFailed(); })) << name;
    EXPECT_EQ(test::readWholeFile(path), std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    ASSERT_TRUE(std::filesystem::remove(path));
    EXPECT_TRUE(dir.entries().empty());
  }
}

}  // namespace
}  // namespace kanvo
