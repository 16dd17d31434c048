// Every native document of the shared corpus against the facts its manifest records.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "document/Document.h"
#include "formats/native/NativeFormat.h"
#include "formats/native/NativeReader.h"
#include "strings/StringTable.h"
#include "support/MiniJson.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::Json;

// The pixel as the manifest writes it: bytes blue, green, red, alpha as hex digits in that order.
std::string asBgraHex(Color32 c) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X", blueOf(c), greenOf(c), redOf(c), alphaOf(c));
  return buf;
}

// What a reader that keeps every layer it can must produce, derived from the chunk facts: the
// layer chunks before the end marker, without those whose sides are out of range, the first 64;
// a chunk whose pixels run past the end of the file still gives a layer and ends reading.
// Damaged files say, on one line, what was wrong and how many layers were kept.
TEST(NativeReaderCorpus, EveryFileMatchesItsFacts) {
  Json manifest;
  const std::vector<uint8_t> text = test::readWholeFile(std::string(KANVO_CORPUS_DIR) + "/manifest.json");
  ASSERT_TRUE(test::parseJson(std::string(text.begin(), text.end()), manifest));
  const std::map<std::string, std::string> mentions = {
      {"knv_truncated_header_16x16.knvmob", "chunk header"},
      {"knv_truncated_in_pixels_40x30.knvmob", "ends inside the pixels"},
      {"knv_badzlib_48x32.knvmob", "damaged"},
      {"knv_hugelayer_65536x65536.knvmob", "65536 x 65536"},
      {"knv_huge_csize_10x10.knvmob", "ends inside the pixels"},
      {"knv_65layers_4x4.knvmob", "at most 64 layers"},
  };
  StringTable strings;
  int files = 0;
  for (const Json& entry : manifest.array) {
    if (entry["kind"].string != "KNVMOB") continue;
    ++files;
    const Json& facts = entry["json"];
    const std::string name = entry["file"].string;
    SCOPED_TRACE(name);
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readNativeDocument(doc, std::string(KANVO_CORPUS_DIR) + "/" + name, nullptr, &summary);
    EXPECT_EQ(s.code(), entry["verdict"].string == "accept" ? Status::kOk : Status::kPartial) << s.reason();
    EXPECT_EQ(
        std::make_tuple(doc.width(), doc.height(), doc.resolution),
        std::make_tuple(int32_t(facts["canvas"]["width"].asInt()), int32_t(facts["canvas"]["height"].asInt()),
                        int32_t(facts["canvas"]["resolution"].asInt())));

    std::vector<const Json*> expected;
    bool damaged = name.find("truncated") != std::string::npos;
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
      damaged = damaged || !chunk.has("probes_BGRA");
      if (chunk["pixels_offset"].asInt() + chunk["compressedSize"].asInt() > facts["file_size"].asInt() ||
          chunk.has("truncated_at")) {
        damaged = true;
        break;
      }
    }
    EXPECT_EQ(damaged || beyond > 0, !s.isOk());
    EXPECT_EQ(summary.layersBeyondLimit, beyond);
    if (!s.isOk()) {
      const size_t n = expected.size();
      EXPECT_NE(s.reason().find(std::to_string(n) + (n == 1 ? " layer read" : " layers read")),
                std::string::npos)
          << s.reason();
      EXPECT_NE(s.reason().find(mentions.count(name) ? mentions.at(name) : "?"), std::string::npos)
          << s.reason();
      EXPECT_EQ(s.reason().find('\n'), std::string::npos);
    }

    ASSERT_EQ(doc.layerCount(), int32_t(expected.size()));
    EXPECT_EQ(summary.layersRead, doc.layerCount());
    EXPECT_EQ(doc.currentLayerIndex(), doc.layerCount() - 1);
    for (size_t i = 0; i < expected.size(); ++i) {
      const Json& chunk = *expected[i];
      const Layer& layer = *doc.layer(int32_t(i));
      SCOPED_TRACE("layer " + std::to_string(i));
      EXPECT_EQ(std::make_tuple(layer.kind, int64_t(layer.storeWidth()), int64_t(layer.storeHeight()),
                                int64_t(layer.offsetX), int64_t(layer.offsetY)),
                std::make_tuple(kLayerKind32, chunk["width"].asInt(), chunk["height"].asInt(),
                                chunk["offsetX"].asInt(), chunk["offsetY"].asInt()));
      EXPECT_EQ(std::make_tuple(layer.visible, layer.opacity, layer.blendMode),
                std::make_tuple(1, 255, kBlendNormal));
      if (!chunk.has("probes_BGRA") || chunk.has("truncated_at")) continue;
      bool allZero = true;
      for (const Json& probe : chunk["probes_BGRA"].array) {
        const int32_t x = int32_t(probe[0].asInt()), y = int32_t(probe[1].asInt());
        EXPECT_EQ(asBgraHex(layer.pixel32(x, y)), probe[2].string) << "(" << x << "," << y << ")";
        allZero = allZero && probe[2].string == "00000000";
      }
      int64_t nonzeroAlpha = 0;
      for (uint32_t y = 0; y < layer.storeHeight(); ++y)
        for (uint32_t x = 0; x < layer.storeWidth(); ++x)
          nonzeroAlpha += alphaOf(layer.pixel32(int32_t(x), int32_t(y))) != 0;
      EXPECT_EQ(nonzeroAlpha, chunk["nonzero_alpha_pixels"].asInt());
      // An all-zero layer allocates no tile.
      if (nonzeroAlpha == 0 && allZero) {
        EXPECT_EQ(layer.pixels32.presentTileCount(), 0);
      }
    }
  }
  EXPECT_GE(files, 11);
}

}  // namespace
}  // namespace kanvo
