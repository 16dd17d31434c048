// The tool-panel buttons' menus: what each offers, what choosing writes, what a plain press
// then writes.
#include "app/ToolChooser.h"

#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/InputRouting.h"

namespace kanvo {
namespace {

TEST(ToolChooserTest, ButtonsOfferTheirCategoryAndKeepTheChoice) {
  Application app;
  ASSERT_TRUE(app.initialise());
  app.strings.setLanguage(kUiLanguageEnglish);
  app.layOut(800, 600);  // the panel at x 740
  const std::vector<std::string> brushes = {"Brush", "Dot Brush", "Stamp", "Eraser"};
  const std::vector<std::string> shapes = {"Fill Rect", "Fill Ellipse", "Fill Polygon", "Fill Line", "Fill Frame",
                                           "Bucket"};
  std::vector<std::string> shapesAndGradient = shapes;
  shapesAndGradient.push_back("Gradient");
  const std::vector<std::string> views = {"Hand", "Hand (Rotation)", "Spoit", "Zoom In", "Zoom Out", "Ruler"};
  const std::vector<std::vector<std::string>> menus = {
      brushes, brushes, {}, shapes, shapesAndGradient,
      {"Select Rect", "Select Ellipse", "Select Polygon", "Select ???", "Select Auto", "Select Range"}, views, views};
  auto press = [&](int button) {
    const double x = 740 + (button % 2) * 30 + 15, y = (button / 2) * 30 + 15;
    EXPECT_EQ(toolButtonAt(app, x, y), button);
    stylusPress(app, {x, y});
    stylusRelease(app, {x, y});
  };
  for (int button = 0; button < 8; ++button) {
    const std::vector<ToolOffer> menu = toolMenu(app, button);
    std::vector<std::string> names;
    for (const ToolOffer& offer : menu) names.push_back(offer.name);
    EXPECT_EQ(names, menus[size_t(button)]) << button;
    for (const ToolOffer& offer : menu) {
      chooseTool(app, button, offer.tool);
      press((button + 1) % 8);
      press(button);  // a plain press selects the chosen tool again
      EXPECT_EQ(app.routing.selectedToolButton, button);
      EXPECT_EQ(std::string(app.strings.GetString(uint32_t(toolNameId(app.tools.mode.category(),
                                                                       app.tools.mode.subTool())))),
                offer.name);
      if (offer.tool.category == kCategoryBrush) {
        const int set = offer.name == "Eraser" ? ToolSettings::kEraserSet : ToolSettings::kBrushSet;
        EXPECT_EQ(&app.settings.attached(), &app.settings.set(set));
      }
    }
  }
  // The bucket button does not offer the gradient: choosing it there changes nothing.
  chooseTool(app, 3, {kCategoryGradient, kToolGradient});
  EXPECT_EQ(app.routing.chooser.held(3).category, kCategoryShape);
  EXPECT_EQ(toolButtonAt(app, 739, 15), -1);
}

}  // namespace
}  // namespace kanvo
