// Every native document of the shared corpus against the facts its manifest records.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "document/Document.h"
#include "formats/native/NativeFormat.h"
#include "formats/native/NativeReader.h"
#include "strings/StringTable.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// What a reader that keeps every layer it can must produce, derived from the chunk facts: the
// layer chunks before the end marker, without those whose sides are out of range, the first 64;
// a chunk whose pixels run past the end of the file still gives a layer and ends reading. Each
// layer's probes (bytes blue, green, red, alpha) and count of pixels with alpha are checked.
// Damaged files say, on one line, what was wrong and how many layers were kept.
TEST(NativeReaderCorpus, EveryFileMatchesItsFacts) {
  const std::vector<uint8_t> text = test::readWholeFile(std::string(KANVO_CORPUS_DIR) + "/manifest.json");
  const nlohmann::json manifest = nlohmann::json::parse(text);
  const std::map<std::string, std::string> mentions = {
      {"knv_truncated_header_16x16.knvmob", "chunk header"},
      {"knv_truncated_in_pixels_40x30.knvmob", "ends inside the pixels"},
      {"knv_badzlib_48x32.knvmob", "damaged"},
      {"knv_hugelayer_65536x65536.knvmob", "65536 x 65536"},
      {"knv_huge_csize_10x10.knvmob", "ends inside the pixels"},
      {"knv_65layers_4x4.knvmob", "at most 64 layers"}};
  StringTable strings;
  int files = 0;
  for (const nlohmann::json& entry : manifest) {
    if (entry.at("kind") != "KNVMOB") continue;
    ++files;
    const nlohmann::json& facts = entry.at("json");
    const std::string name = entry.at("file");
    SCOPED_TRACE(name);
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readNativeDocument(doc, std::string(KANVO_CORPUS_DIR) + "/" + name, nullptr, &summary);
    EXPECT_EQ(s.code(), entry.at("verdict") == "accept" ? Status::kOk : Status::kPartial) << s.reason();
    const nlohmann::json& canvas = facts.at("canvas");
    EXPECT_EQ(std::make_tuple(doc.width(), doc.height(), doc.resolution),
              std::make_tuple(canvas.at("width"), canvas.at("height"), canvas.at("resolution")));
    std::vector<const nlohmann::json*> expected;
    int64_t beyond = 0;
    for (const nlohmann::json& chunk : facts.at("chunks")) {
      if (chunk.value("after_end", false)) break;
      if (chunk.at("type") != 0 || !native::isValidSide(chunk.value("width", 0)) ||
          !native::isValidSide(chunk.value("height", 0)))
        continue;
      if (expected.size() == size_t(Document::kMaxLayers)) {
        ++beyond;
        continue;
      }
      expected.push_back(&chunk);
      if (chunk.at("pixels_offset").get<int64_t>() + chunk.at("compressedSize").get<int64_t>() >
          facts.at("file_size").get<int64_t>())
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
      const nlohmann::json& chunk = *expected[i];
      const Layer& layer = *doc.layer(int32_t(i));
      SCOPED_TRACE("layer " + std::to_string(i));
      EXPECT_EQ(std::make_tuple(layer.kind, int64_t(layer.storeWidth()), int64_t(layer.storeHeight()),
                                int64_t(layer.offsetX), int64_t(layer.offsetY), layer.opacity, layer.visible),
                std::make_tuple(kLayerKind32, chunk.at("width"), chunk.at("height"), chunk.at("offsetX"),
                                chunk.at("offsetY"), 255, 1));
      if (!chunk.contains("probes_BGRA") || chunk.contains("truncated_at")) continue;
      for (const nlohmann::json& probe : chunk.at("probes_BGRA")) {
        const Color32 c = layer.pixel32(probe.at(0), probe.at(1));
        char bgra[9];
        std::snprintf(bgra, sizeof bgra, "%02X%02X%02X%02X", blueOf(c), greenOf(c), redOf(c), alphaOf(c));
        EXPECT_EQ(probe.at(2), bgra) << probe.at(0) << "," << probe.at(1);
      }
      int64_t withAlpha = 0;
      for (uint32_t y = 0; y < layer.storeHeight(); ++y)
        for (uint32_t x = 0; x < layer.storeWidth(); ++x)
          withAlpha += alphaOf(layer.pixel32(int32_t(x), int32_t(y))) != 0;
      EXPECT_EQ(withAlpha, chunk.at("nonzero_alpha_pixels"));
    }
  }
  EXPECT_GE(files, 11);
}

}  // namespace
}  // namespace kanvo
