#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "strings/StringTable.h"
#include "tools/dispatch/ToolMode.h"

namespace kanvo {
namespace {

// Every category's sub-tools with their display names; switching categories keeps each
// category's sub-tool.
TEST(ToolModeTest, SubToolsAndNames) {
  struct Case {
    int32_t category;
    std::vector<const char*> names;
  };
  const Case cases[] = {
      {kCategoryBrush, {"Brush", "Dot Brush", "Stamp", "Eraser"}},
      {kCategoryShape, {"Fill Rect", "Fill Ellipse", "Fill Polygon", "Fill Line", "Fill Frame", "Bucket"}},
      {kCategoryGradient, {"Gradient", nullptr}},
      {kCategoryVector, {"Object", "Object", "Object", "Object", "Object"}},
      {kCategorySelection,
       {"Select Rect", "Select Ellipse", "Select Polygon", "Select ???", "Select Auto", "Select Range"}},
      {kCategoryMove, {"Move", "Rotation"}},
      {kCategoryView, {"Hand", "Hand (Rotation)", "Spoit", "Zoom In", "Zoom Out", "Ruler"}},
  };
  const StringTable english(kUiLanguageEnglish);
  ToolMode mode;
  for (const Case& c : cases) {
    for (int32_t sub = 0; sub <= int32_t(c.names.size()); ++sub) {
      const int32_t id = toolNameId(c.category, sub);
      if (sub < int32_t(c.names.size()) && c.names[size_t(sub)] != nullptr) {
        EXPECT_GE(id, 140);
        EXPECT_LE(id, 167);
        EXPECT_EQ(std::string(english.GetString(uint32_t(id))), c.names[size_t(sub)]) << c.category << "/" << sub;
      } else {
        EXPECT_EQ(id, -1) << c.category << "/" << sub;
      }
    }
    mode.select(c.category, int32_t(c.names.size()) - 1);
  }
  // Each category remembered its last sub-tool; word 0 holds the last category selected.
  for (const Case& c : cases) EXPECT_EQ(mode.subToolOf(c.category), int32_t(c.names.size()) - 1);
  EXPECT_TRUE(mode.is(kCategoryView, kToolRuler));
  mode.select(7, 0);
  EXPECT_EQ(mode.category(), kCategoryView);
  ToolChoice choice;
  const ToolChoice buttons[] = {{0, 0}, {0, 3}, {5, 0}, {1, 5}, {1, 0}, {4, 0}, {6, 2}, {6, 0}};
  for (int32_t b = 0; b < 8; ++b) {
    ASSERT_TRUE(panelButtonTool(b, choice));
    EXPECT_EQ(std::pair(choice.category, choice.subTool), std::pair(buttons[b].category, buttons[b].subTool));
  }
  EXPECT_FALSE(panelButtonTool(8, choice));
}

}  // namespace
}  // namespace kanvo
