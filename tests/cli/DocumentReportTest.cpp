#include "cli/DocumentReport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>

#include "strings/Cp932.h"
#include "strings/StringTable.h"

namespace kanvo::cli {
namespace {

using nlohmann::json;

std::set<std::string> keysOf(const json& j) {
  std::set<std::string> keys;
  for (const auto& [k, v] : j.items()) keys.insert(k);
  return keys;
}

TEST(DocumentReport, JsonAndTextHoldTheContractKeysWithNamesInUtf8) {
  StringTable strings;
  Document doc(strings);
  doc.newCanvas(120, 80, kLayerKind32);
  doc.addLayer8();
  doc.addLayer1();
  doc.resolution = 350;
  std::string ascii;  // every ASCII byte, NUL and the controls included, each escaped as JSON needs
  for (int c = 0; c < 0x80; ++c) ascii += char(c);
  doc.layer(0)->name = ascii + utf8ToCp932("レイヤー 画");
  Layer& second = *doc.layer(1);
  second.name = std::string("\x82\xA0\xFF\x81", 4);  // a character, an invalid byte, a lone lead byte
  second.opacity = 128;
  second.visible = 0;
  second.blendMode = kBlendMultiply;
  second.reservedFlag = 1;
  doc.layer(2)->setOffset(-5, 7);
  doc.selectLayer(1);
  int keys = 0;  // a key written twice would leave the key sets below as they are
  const json j = json::parse(documentJson(doc), [&](int, json::parse_event_t event, json&) {
    keys += event == json::parse_event_t::key;
    return true;
  });
  EXPECT_EQ(keys, 5 + 3 * 10);
  EXPECT_EQ(keysOf(j), (std::set<std::string>{"width", "height", "resolution", "currentLayer", "layers"}));
  EXPECT_EQ(std::tuple(j.at("width"), j.at("height"), j.at("resolution"), j.at("currentLayer")),
            std::tuple(120, 80, 350, 1));
  ASSERT_EQ(j.at("layers").size(), 3u);
  const std::string names[] = {ascii + "レイヤー 画", "あ\xEF\xBF\xBD\xEF\xBF\xBD", "レイヤー3"};
  for (int i = 0; i < 3; ++i) {
    const json& l = j.at("layers").at(i);
    EXPECT_EQ(l.at("name"), names[i]);
    EXPECT_EQ(keysOf(l), (std::set<std::string>{"name", "kind", "offsetX", "offsetY", "width", "height",
                                                "opacity", "visible", "blendMode", "protected"}));
    EXPECT_EQ(std::tuple(l.at("kind"), l.at("offsetX"), l.at("offsetY"), l.at("width"), l.at("height"),
                         l.at("opacity"), l.at("visible"), l.at("blendMode"), l.at("protected")),
              std::tuple(2 - i, i == 2 ? -5 : 0, i == 2 ? 7 : 0, 120, 80, i == 1 ? 128 : 255, i != 1,
                         i == 1 ? 1 : 0, i == 1));
  }

  // The text form shows the same, with control characters as escapes.
  const std::string text = documentText(doc);
  for (const char* says : {"120 x 80 pixels, 350 dpi", "\\u0007\\b\\t\\n\\u000b\\f\\r", "\\u007fレイヤー 画",
                           "hidden, multiply, protected", "at (-5, 7)"})
    EXPECT_NE(text.find(says), std::string::npos) << text;
  for (char c : text) EXPECT_TRUE(c == '\n' || uint8_t(c) >= 0x20);
}

}  // namespace
}  // namespace kanvo::cli
