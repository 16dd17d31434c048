#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "strings/StringTable.h"
#include "tools/dispatch/ToolMode.h"

namespace kanvo {
namespace {

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
