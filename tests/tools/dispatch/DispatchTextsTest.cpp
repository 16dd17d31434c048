#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/Document.h"
#include "strings/Cp932.h"
#include "strings/TextId.h"
#include "support/TiledImages.h"
#include "tools/dispatch/KeyCodes.h"
#include "tools/dispatch/KeyState.h"
#include "tools/dispatch/SnapPoint.h"
#include "tools/dispatch/StatusText.h"
#include "tools/dispatch/ToolMode.h"

namespace kanvo {
namespace {

using namespace kanvo::keys;

// The override of every key combination of the table, with and without the stamp and a last
// brush point; repeats change nothing; a release is told from the release of a key not down.
TEST(DispatchTextsTest, KeyOverrides) {
  struct Case {
    std::vector<int32_t> held;
    int32_t plain, stamp, straight;  // without either, with the stamp, with a last brush point
  };
  const Case cases[] = {
      {{}, 0, 0, 0},
      {{kAlt}, 8, 9, 8},
      {{kSpace, kControl, kAlt}, 7, 7, 7},
      {{kSpace, kControl}, 6, 6, 6},
      {{kA}, 11, 11, 11},
      {{kV}, 3, 3, 3},
      {{kV, kShift, kControl}, 3, 3, 3},
      {{kNonConvert}, 2, 2, 2},
      {{kSpace, kShift}, 2, 2, 2},
      {{kSpace, kAlt}, 2, 2, 2},
      {{kSpace}, 1, 1, 1},
      {{kShift}, 0, 0, 10},
      {{kShift, kZ}, 0, 0, 0},
      {{kSpace, kNonConvert}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    KeyState keys;
    for (int32_t k : c.held) {
      EXPECT_TRUE(keys.press(k));
      EXPECT_FALSE(keys.press(k));  // auto-repeat
    }
    EXPECT_EQ(keyOverrideOf(keys, nullptr, false, false), c.plain) << c.held.size();
    EXPECT_EQ(keyOverrideOf(keys, nullptr, true, false), c.stamp);
    EXPECT_EQ(keyOverrideOf(keys, nullptr, false, true), c.straight);
  }
  KeyState keys;
  keys.press(kControl);
  KeyStateTable table{};
  table[kV] = 1;  // V is tested on the shell's plain table
  EXPECT_EQ(keyOverrideOf(keys, &table, false, false), 3);
  keys.press(kSpace);
  EXPECT_TRUE(keys.release(kSpace));
  EXPECT_FALSE(keys.release(kSpace));
  EXPECT_TRUE(keys.only(kControl));
  EXPECT_TRUE(keys.snapshot(1)[kSpace]);  // the snapshot before the release
}

// Snapping in thousandths, the rule mirrored for negative values, tiny pitches left alone.
TEST(DispatchTextsTest, SnapPoints) {
  for (auto [v, pitch, snapped] : {std::tuple{12.6, 5.0, 15.0}, {12.4, 5.0, 10.0}, {-12.6, 5.0, -15.0},
                                   {-14.9, 5.0, -15.0}, {-12.4, 5.0, -10.0}, {7.0, 0.0009, 7.0}, {3.3, 0.25, 3.25}})
    EXPECT_DOUBLE_EQ(snapCoordinate(v, pitch), snapped) << v << " " << pitch;
  const CanvasPoint p{40.1, 70.0};
  EXPECT_EQ(snapPoint(p, SnapSettings{}, 600), p);  // off by default
  SnapSettings grid{GuideMode::kGridPixels, 8.0, 25.0};
  EXPECT_EQ(snapPoint(p, grid, 600), (CanvasPoint{40.0, 75.0}));
  // 1 cm at 254 dpi is 100 pixels; 1 mm 10.
  EXPECT_EQ(snapPoint(p, SnapSettings{GuideMode::kRulerCentimetres}, 254), (CanvasPoint{0.0, 100.0}));
  EXPECT_EQ(snapPoint(p, SnapSettings{GuideMode::kRulerMillimetres}, 254), (CanvasPoint{40.0, 70.0}));
  EXPECT_EQ(snapPoint(p, SnapSettings{GuideMode::kGridCentimetres, 0.5, 0.5}, 254), (CanvasPoint{50.0, 50.0}));
  EXPECT_EQ(snapPoint(p, SnapSettings{GuideMode::kRulerCentimetres}, 0), p);
}

// Every status text byte for byte, in English and in Japanese.
TEST(DispatchTextsTest, StatusTexts) {
  StringTable english(kUiLanguageEnglish), japanese(kUiLanguageJapanese);
  Document doc(english);
  ASSERT_NE(doc.newCanvas(10, 10, kLayerKind32), nullptr);
  doc.layer(0)->name = "Back";
  doc.layer(0)->pixels32.setPixel(2, 3, rgba(10, 20, 30, 40));
  Layer* ink = doc.addLayer8();
  ink->setOffset(1, 1);
  ink->pixels8.setPixel(1, 2, 77);
  Layer* bits = doc.addLayer1();
  auto jp = [&](const std::string& s) { return cp932ToUtf8(s); };
  const std::vector<uint32_t> hints = {TextId::HintSelectionAddDelete, TextId::HintRotationReset};
  EXPECT_EQ(jp(positionText(english, {3.7, -0.5}, hints, true)),
            "Position ( 3, -1 ) : +Shift is Add、+Ctrl is Delete : 無変換キーで回転表示の解除Layer is Locked");
  EXPECT_EQ(jp(positionText(japanese, {3.7, 4.0}, {}, false)), "位置 ( 3, 4 )");
  EXPECT_EQ(jp(rangeText(japanese, {1, 2}, {-3, 7})), "範囲 ( 1, 2 ) - ( -3, 7 )  サイズ ( 4, 5 )");
  EXPECT_EQ(distanceText(english, {0, 0}, {3, 4}, 254), "Range ( 0, 0 ) - ( 3, 4 )  Distance ( 5 pixel / 0.05 cm )  Angle ( 306 deg )");
  EXPECT_EQ(jp(distanceText(japanese, {0, 0}, {3, 4}, 0)), "範囲 ( 0, 0 ) - ( 3, 4 )  距離 ( 5 pixel / 0.00 cm )  角度 ( 306 度 )");
  for (auto [dx, dy, degrees] : {std::tuple{0, -9, 90}, {0, 9, 270}, {5, 0, 0}, {-5, 0, 180}, {4, -4, 45}, {3, -4, 53}})
    EXPECT_EQ(screenAngleDegrees(dx, dy), degrees) << dx << "," << dy;
  EXPECT_EQ(colourText(english, rgba(1, 2, 3), doc.layer(0), 2, 3),
            "Combined RGB ( 1, 2, 3 )   32bpp Layer RGB/A ( 10, 20, 30 / 40 )");
  EXPECT_EQ(colourText(english, rgba(1, 2, 3), ink, 2, 3), "Combined RGB ( 1, 2, 3 )   8bpp Layer Color ( 77 )");
  EXPECT_EQ(jp(colourText(japanese, rgba(1, 2, 3), bits, 2, 3)), "統合色RGB ( 1, 2, 3 )   1bppレイヤー 濃度 ( 0 )");
  EXPECT_EQ(colourText(english, rgba(1, 2, 3), nullptr, 0, 0), "Combined RGB ( 1, 2, 3 )   ");
  EXPECT_EQ(jp(offsetText(japanese, 5, -6)), "移動量 ( 5, -6 )");
  EXPECT_EQ(jp(layerPickText(english, doc, {})), "画素をクリックでレイヤー選択  [ ]");
  EXPECT_EQ(layerPickText(english, doc, {0, 1}).substr(std::string(english.GetString(116)).size()), " [Back] [" + ink->name + "] ");
}

// Every category's sub-tools with their display names (null: none); switching categories keeps
// each category's sub-tool; the panel's eight buttons.
TEST(ToolModeTest, SubToolsNamesAndPanelButtons) {
  const std::vector<std::vector<const char*>> names = {
      {"Brush", "Dot Brush", "Stamp", "Eraser"},
      {"Fill Rect", "Fill Ellipse", "Fill Polygon", "Fill Line", "Fill Frame", "Bucket"},
      {"Gradient", nullptr},
      {"Object", "Object", "Object", "Object", "Object"},
      {"Select Rect", "Select Ellipse", "Select Polygon", "Select ???", "Select Auto", "Select Range"},
      {"Move", "Rotation"},
      {"Hand", "Hand (Rotation)", "Spoit", "Zoom In", "Zoom Out", "Ruler"}};
  const StringTable english(kUiLanguageEnglish);
  ToolMode mode;
  for (int32_t c = 0; c < kToolCategoryCount; ++c) {
    for (int32_t sub = 0; sub <= int32_t(names[size_t(c)].size()); ++sub) {
      const char* name = sub < int32_t(names[size_t(c)].size()) ? names[size_t(c)][size_t(sub)] : nullptr;
      const int32_t id = toolNameId(c, sub);
      EXPECT_EQ(std::string(id < 0 ? "-" : english.GetString(uint32_t(id))), std::string(name ? name : "-"));
    }
    mode.select(c, int32_t(names[size_t(c)].size()) - 1);
  }
  for (int32_t c = 0; c < kToolCategoryCount; ++c) EXPECT_EQ(mode.subToolOf(c), int32_t(names[size_t(c)].size()) - 1);
  mode.select(7, 0);  // unknown: nothing changes
  EXPECT_TRUE(mode.is(kCategoryView, kToolRuler));
  const std::vector<std::pair<int32_t, int32_t>> buttons = {{0, 0}, {0, 3}, {5, 0}, {1, 5}, {1, 0}, {4, 0}, {6, 2}, {6, 0}};
  ToolChoice choice;
  for (int32_t b = 0; b < 8; ++b)
    EXPECT_TRUE(panelButtonTool(b, choice) && std::pair(choice.category, choice.subTool) == buttons[size_t(b)]);
  EXPECT_FALSE(panelButtonTool(8, choice));
}

}  // namespace
}  // namespace kanvo
