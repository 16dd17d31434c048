#include <gtest/gtest.h>

#include <set>

#include "cli/DocumentReport.h"
#include "strings/Cp932.h"
#include "strings/StringTable.h"
#include "support/MiniJson.h"

namespace kanvo::cli {
namespace {

using test::Json;

TEST(DocumentReport, JsonStringsEscapeEverythingJsonRequires) {
  std::string all;
  for (int c = 1; c < 0x80; ++c) all += char(c);
  all += "\xE3\x83\xAC\xC2\x9B";  // a Japanese character and the C1 control U+009B
  const std::string literal = jsonString(all);
  for (char c : literal) EXPECT_GE(uint8_t(c), 0x20);
  Json parsed;
  ASSERT_TRUE(test::parseJson(literal, parsed)) << literal;
  EXPECT_EQ(parsed.string, all);
  EXPECT_NE(literal.find("\\u009b"), std::string::npos);
  EXPECT_EQ(jsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
}

TEST(DocumentReport, JsonHoldsExactlyTheContractKeysWithNamesInUtf8) {
  StringTable strings;
  Document doc(strings);
  doc.newCanvas(120, 80, kLayerKind32);
  doc.addLayer8();
  doc.addLayer1();
  doc.resolution = 350;
  doc.layer(0)->name = std::string("\"quoted\"\\ \n\t\x01 ") + utf8ToCp932("レイヤー 画");
  doc.layer(1)->name = std::string("\x82\xA0\xFF\x81", 4);  // a character, an invalid byte, a lone lead byte
  doc.layer(1)->opacity = 128;
  doc.layer(1)->visible = 0;
  doc.layer(1)->blendMode = kBlendMultiply;
  doc.layer(1)->reservedFlag = 1;
  doc.layer(2)->offsetX = -5;
  doc.layer(2)->offsetY = 7;
  doc.selectLayer(1);

  Json j;
  ASSERT_TRUE(test::parseJson(documentJson(doc), j)) << documentJson(doc);
  const std::set<std::string> top = {"width", "height", "resolution", "currentLayer", "layers"};
  std::set<std::string> keys;
  for (const auto& [k, v] : j.object) keys.insert(k);
  EXPECT_EQ(keys, top);
  EXPECT_EQ(j["width"].asInt(), 120);
  EXPECT_EQ(j["height"].asInt(), 80);
  EXPECT_EQ(j["resolution"].asInt(), 350);
  EXPECT_EQ(j["currentLayer"].asInt(), 1);
  ASSERT_EQ(j["layers"].array.size(), 3u);
  const std::set<std::string> layerKeys = {"name",   "kind",    "offsetX", "offsetY",   "width",
                                           "height", "opacity", "visible", "blendMode", "protected"};
  for (int i = 0; i < 3; ++i) {
    const Json& l = j["layers"][size_t(i)];
    std::set<std::string> lk;
    for (const auto& [k, v] : l.object) lk.insert(k);
    EXPECT_EQ(lk, layerKeys);
    EXPECT_EQ(l["name"].string, cp932ToUtf8(doc.layer(i)->name));
    EXPECT_EQ(l["kind"].asInt(), doc.layer(i)->kind);
    EXPECT_EQ(l["width"].asInt(), 120);
    EXPECT_EQ(l["height"].asInt(), 80);
  }
  EXPECT_EQ(j["layers"][0]["name"].string, "\"quoted\"\\ \n\t\x01 レイヤー 画");
  EXPECT_EQ(j["layers"][1]["name"].string, "あ\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(j["layers"][0]["kind"].asInt(), 2);
  EXPECT_EQ(j["layers"][1]["kind"].asInt(), 1);
  EXPECT_EQ(j["layers"][2]["kind"].asInt(), 0);
  EXPECT_EQ(j["layers"][1]["opacity"].asInt(), 128);
  EXPECT_FALSE(j["layers"][1]["visible"].boolean);
  EXPECT_TRUE(j["layers"][0]["visible"].boolean);
  EXPECT_EQ(j["layers"][1]["blendMode"].asInt(), 1);
  EXPECT_TRUE(j["layers"][1]["protected"].boolean);
  EXPECT_FALSE(j["layers"][0]["protected"].boolean);
  EXPECT_EQ(j["layers"][2]["offsetX"].asInt(), -5);
  EXPECT_EQ(j["layers"][2]["offsetY"].asInt(), 7);

  // The text form shows the same, with control characters as escapes.
  const std::string text = documentText(doc);
  EXPECT_NE(text.find("120 x 80 pixels, 350 dpi"), std::string::npos);
  EXPECT_NE(text.find("\\n\\t\\u0001 レイヤー 画"), std::string::npos) << text;
  EXPECT_NE(text.find("hidden, multiply, protected"), std::string::npos);
  EXPECT_NE(text.find("at (-5, 7)"), std::string::npos);
  for (char c : text) EXPECT_TRUE(c == '\n' || uint8_t(c) >= 0x20);
}

TEST(DocumentReport, ADocumentWithoutLayers) {
  StringTable strings;
  Document doc(strings);
  doc.initialise(3, 2);
  Json j;
  ASSERT_TRUE(test::parseJson(documentJson(doc), j));
  EXPECT_EQ(j["currentLayer"].asInt(), -1);
  EXPECT_TRUE(j["layers"].array.empty());
  EXPECT_EQ(j["layers"].type, Json::kArray);
}

}  // namespace
}  // namespace kanvo::cli
