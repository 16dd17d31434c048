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

// What a reader that keeps every layer it can must produce, derived from the chunk facts: the
// layer chunks before the end marker, without those whose sides are out of range, the first 64;
// a chunk whose pixels run past the end of the file still gives a layer and ends reading. Each
// layer's probes (bytes blue, green, red, alpha) and count of pixels with alpha are checked.
// Damaged files say, on one line, what was wrong and how many layers were kept.
TEST(NativeReaderCorpus, EveryFileMatchesItsFacts) {
  test::Json manifest;
  const std::vector<uint8_t> text = test::readWholeFile(std::string(KANVO_CORPUS_DIR) + "/manifest.json");
  ASSERT_TRUE(test::parseJson(std::string(text.begin(), text.end()), manifest));
  const std::map<std::string, std::string> mentions = {
      {"knv_truncated_header_16x16.knvmob", "chunk header"},
      {"knv_truncated_in_pixels_40x30.knvmob", "ends inside the pixels"},
      {"knv_badzlib_48x32.knvmob", "damaged"},
      {"knv_hugelayer_65536x65536.knvmob", "65536 x 65536"},
      {"knv_huge_csize_10x10.knvmob", "ends inside the pixels"},
      {"knv_65layers_4x4.knvmob", "at most 64 layers"}};
  StringTable strings;
  int files = 0;
  for (const test::Json& entry : manifest.array) {
    if (entry["kind"].string != "KNVMOB") continue;
    ++files;
    const test::Json& facts = entry["json"];
    const std::string name = entry["file"].string;
    SCOPED_TRACE(name);
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readNativeDocument(doc, std::string(KANVO_CORPUS_DIR) + "/" + name, nullptr, &summary);
    EXPECT_EQ(s.code(), entry["verdict"].string == "accept" ? Status::kOk : Status::kPartial) << s.reason();
    const test::Json& canvas = facts["canvas"];
    EXPECT_EQ(
        std::make_tuple(int64_t(doc.width()), int64_t(doc.height()), int64_t(doc.resolution)),
        std::make_tuple(canvas["width"].asInt(), canvas["height"].asInt(), canvas["resolution"].asInt()));
    std::vector<const test::Json*> expected;
    int64_t beyond = 0;
    for (const test::Json& chunk : facts["chunks"].array) {
      if (chunk["after_end"].boolean) break;
      if (chunk["type"].asInt() != 0 || !native::isValidSide(int32_t(chunk["width"].asInt())) ||
          !native::isValidSide(int32_t(chunk["height"].asInt())))
        continue;
      if (expected.size() == size_t(Document::kMaxLayers)) {
        ++beyond;
        continue;
      }
      expected.push_back(&chunk);
      if (chunk["pixels_offset"].asInt() + chunk["compressedSize"].asInt() > facts["file_size"].asInt())
        break;
    }
    const size_t n = expected.size();
    EXPECT_EQ(std::make_tuple(summary.layersBeyondLimit, summary.layersRead, doc.currentLayerIndex()),
              std::make_tuple(int32_t(beyond), int32_t(n), int32_t(n) - 1));
    if (!s.isOk()) {
      EXPECT_NE(s.reason().find(std::to_string(n) + (n == 1 ? " layer read" : " layers read")),
                std::string::npos);
      EXPECT_NE(s.reason().find(mentions.count(name) ? mentions.at(name) : "?"), std::string::npos)
          << s.reason();
      EXPECT_EQ(s.reason().find('\n'), std::string::npos);
    }
    ASSERT_EQ(doc.layerCount(), int32_t(n));
    for (size_t i = 0; i < n; ++i) {
      const test::Json& chunk = *expected[i];
      const Layer& layer = *doc.layer(int32_t(i));
      SCOPED_TRACE("layer " + std::to_string(i));
      EXPECT_EQ(std::make_tuple(layer.kind, int64_t(layer.storeWidth()), int64_t(layer.storeHeight()),
                                int64_t(layer.offsetX), int64_t(layer.offsetY), layer.opacity, layer.visible),
                std::make_tuple(kLayerKind32, chunk["width"].asInt(), chunk["height"].asInt(),
                                chunk["offsetX"].asInt(), chunk["offsetY"].asInt(), 255, 1));
      if (!chunk.has("probes_BGRA") || chunk.has("truncated_at")) continue;
      for (const test::Json& probe : chunk["probes_BGRA"].array) {
        const Color32 c = layer.pixel32(int32_t(probe[0].asInt()), int32_t(probe[1].asInt()));
        char bgra[9];
        std::snprintf(bgra, sizeof bgra, "%02X%02X%02X%02X", blueOf(c), greenOf(c), redOf(c), alphaOf(c));
        EXPECT_EQ(bgra, probe[2].string) << probe[0].asInt() << "," << probe[1].asInt();
      }
      int64_t withAlpha = 0;
      for (uint32_t y = 0; y < layer.storeHeight(); ++y)
        for (uint32_t x = 0; x < layer.storeWidth(); ++x)
          withAlpha += alphaOf(layer.pixel32(int32_t(x), int32_t(y))) != 0;
      EXPECT_EQ(withAlpha, chunk["nonzero_alpha_pixels"].asInt());
    }
  }
  EXPECT_GE(files, 11);
}

}  // namespace
}  // namespace kanvo
