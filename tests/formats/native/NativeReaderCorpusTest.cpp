// Every native document of the shared corpus against the facts its manifest records.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "document/Document.h"
#include "formats/native/NativeFormat.h"
#include "formats/native/NativeReader.h"
#include "strings/StringTable.h"
#include "support/MiniJson.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::Json;

const Json& manifest() {
  static Json root = [] {
    Json j;
    std::vector<uint8_t> bytes = test::readWholeFile(std::string(KANVO_CORPUS_DIR) + "/manifest.json");
    test::parseJson(std::string(bytes.begin(), bytes.end()), j);
    return j;
  }();
  return root;
}

std::vector<const Json*> nativeEntries() {
  std::vector<const Json*> out;
  for (const Json& e : manifest().array)
    if (e["kind"].string == "KNVMOB") out.push_back(&e);
  return out;
}

// The pixel as the manifest writes it: bytes blue, green, red, alpha as hex digits in that order.
std::string asBgraHex(Color32 c) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X", blueOf(c), greenOf(c), redOf(c), alphaOf(c));
  return buf;
}

int64_t nonzeroAlphaPixels(const Layer& layer) {
  int64_t n = 0;
  for (uint32_t y = 0; y < layer.storeHeight(); ++y)
    for (uint32_t x = 0; x < layer.storeWidth(); ++x)
      n += alphaOf(layer.pixel32(int32_t(x), int32_t(y))) != 0;
  return n;
}

TEST(NativeReaderCorpus, ManifestListsTheNativeFiles) {
  ASSERT_EQ(manifest().type, Json::kArray) << "manifest.json could not be parsed";
  EXPECT_GE(nativeEntries().size(), 11u);
}

// What a reader that keeps every layer it can must produce, derived from the chunk facts: the
// layer chunks before the end marker, without those whose sides are out of range, the first 64;
// a chunk whose pixels run past the end of the file still gives a layer and ends reading.
TEST(NativeReaderCorpus, EveryFileMatchesItsFacts) {
  StringTable strings;
  for (const Json* entry : nativeEntries()) {
    const Json& facts = (*entry)["json"];
    const std::string name = (*entry)["file"].string;
    SCOPED_TRACE(name);
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readNativeDocument(doc, std::string(KANVO_CORPUS_DIR) + "/" + name, nullptr, &summary);
    ASSERT_FALSE(s.isFailed()) << s.reason();

    EXPECT_EQ(doc.width(), facts["canvas"]["width"].asInt());
    EXPECT_EQ(doc.height(), facts["canvas"]["height"].asInt());
    EXPECT_EQ(doc.resolution, facts["canvas"]["resolution"].asInt());

    const int64_t fileSize = facts["file_size"].asInt();
    std::vector<const Json*> expected;
    bool damaged = false;
    int64_t beyond = 0;
    for (const Json& chunk : facts["chunks"].array) {
      if (chunk["after_end"].boolean) break;
      if (chunk["type"].asInt() != 0) continue;
      if (!native::isValidSide(int32_t(chunk["width"].asInt())) ||
          !native::isValidSide(int32_t(chunk["height"].asInt()))) {
        damaged = true;
        continue;
      }
      if (expected.size() == size_t(Document::kMaxLayers)) {
        ++beyond;
        continue;
      }
      expected.push_back(&chunk);
      if (!chunk.has("probes_BGRA")) damaged = true;
      if (chunk["pixels_offset"].asInt() + chunk["compressedSize"].asInt() > fileSize ||
          chunk.has("truncated_at")) {
        damaged = true;
        break;
      }
    }
    const std::string verdict = (*entry)["verdict"].string;
    if (verdict == "accept") {
      EXPECT_TRUE(s.isOk()) << s.reason();
    } else {
      EXPECT_TRUE(s.isPartial()) << "verdict " << verdict;
      EXPECT_FALSE(s.reason().empty());
    }
    EXPECT_EQ(damaged || beyond > 0 || name.find("truncated") != std::string::npos, !s.isOk());
    EXPECT_EQ(summary.layersBeyondLimit, beyond);

    ASSERT_EQ(doc.layerCount(), int32_t(expected.size()));
    EXPECT_EQ(summary.layersRead, doc.layerCount());
    EXPECT_EQ(doc.currentLayerIndex(), doc.layerCount() - 1);
    for (size_t i = 0; i < expected.size(); ++i) {
      const Json& chunk = *expected[i];
      const Layer& layer = *doc.layer(int32_t(i));
      SCOPED_TRACE("layer " + std::to_string(i));
      EXPECT_EQ(layer.kind, kLayerKind32);
      EXPECT_EQ(int64_t(layer.storeWidth()), chunk["width"].asInt());
      EXPECT_EQ(int64_t(layer.storeHeight()), chunk["height"].asInt());
      EXPECT_EQ(layer.offsetX, chunk["offsetX"].asInt());
      EXPECT_EQ(layer.offsetY, chunk["offsetY"].asInt());
      EXPECT_EQ(layer.visible, 1);
      EXPECT_EQ(layer.opacity, 255);
      EXPECT_EQ(layer.blendMode, kBlendNormal);
      if (!chunk.has("probes_BGRA") || chunk.has("truncated_at")) continue;
      for (const Json& probe : chunk["probes_BGRA"].array) {
        const int32_t x = int32_t(probe[0].asInt()), y = int32_t(probe[1].asInt());
        EXPECT_EQ(asBgraHex(layer.pixel32(x, y)), probe[2].string) << "(" << x << "," << y << ")";
      }
      EXPECT_EQ(nonzeroAlphaPixels(layer), chunk["nonzero_alpha_pixels"].asInt());
      if (chunk["nonzero_alpha_pixels"].asInt() == 0) {
        // An all-zero layer allocates no tile (this one has only colour-free zero pixels).
        bool allZero = true;
        for (const Json& probe : chunk["probes_BGRA"].array)
          allZero = allZero && probe[2].string == "00000000";
        if (allZero) {
          EXPECT_EQ(layer.pixels32.presentTileCount(), 0);
        }
      }
    }
  }
}

TEST(NativeReaderCorpus, SixtyFiveLayersKeepTheFirstSixtyFour) {
  StringTable strings;
  Document doc(strings);
  NativeReadSummary summary;
  Status s =
      readNativeDocument(doc, std::string(KANVO_CORPUS_DIR) + "/knv_65layers_4x4.knvmob", nullptr, &summary);
  EXPECT_TRUE(s.isPartial());
  EXPECT_NE(s.reason().find("at most 64 layers"), std::string::npos) << s.reason();
  ASSERT_EQ(doc.layerCount(), 64);
  for (int32_t i = 0; i < 64; ++i) {
    const Layer& layer = *doc.layer(i);
    EXPECT_EQ(layer.pixel32(0, 0), makeColor(3 * i, 5 * i, 7 * i, 255)) << i;
    EXPECT_EQ(layer.offsetX, i % 4);
    EXPECT_EQ(layer.offsetY, (i / 4) % 4);
    EXPECT_EQ(layer.serial, i + 1);
  }
  EXPECT_EQ(summary.layersBeyondLimit, 1);
}

TEST(NativeReaderCorpus, DamagedFilesSayWhatWasKept) {
  StringTable strings;
  struct Case {
    const char* file;
    int32_t layers;
    const char* mention;
  } cases[] = {
      {"knv_truncated_header_16x16.knvmob", 1, "chunk header"},
      {"knv_truncated_in_pixels_40x30.knvmob", 2, "ends inside the pixels"},
      {"knv_badzlib_48x32.knvmob", 3, "damaged"},
      {"knv_hugelayer_65536x65536.knvmob", 1, "65536 x 65536"},
      {"knv_huge_csize_10x10.knvmob", 2, "ends inside the pixels"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Document doc(strings);
    Status s = readNativeDocument(doc, std::string(KANVO_CORPUS_DIR) + "/" + c.file);
    ASSERT_TRUE(s.isPartial()) << s.reason();
    EXPECT_EQ(doc.layerCount(), c.layers);
    EXPECT_NE(s.reason().find(c.mention), std::string::npos) << s.reason();
    EXPECT_NE(s.reason().find(std::to_string(c.layers) + (c.layers == 1 ? " layer read" : " layers read")),
              std::string::npos)
        << s.reason();
    EXPECT_EQ(s.reason().find('\n'), std::string::npos);
  }
}

}  // namespace
}  // namespace kanvo
