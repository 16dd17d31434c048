// The dialogs' arithmetic: typed sides, the keep-aspect rule, the brush slider and its preview.
#include "app/commands/DialogLogic.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kanvo {
namespace {

TEST(DialogLogicTest, SidesAreWholeNumbersFromOneToTheLargestCanvas) {
  const std::pair<const char*, int32_t> cases[] = {
      {"1", 1},   {" 640 ", 640}, {"32760", 32760}, {"32761", 0}, {"0", 0},         {"-5", 0},
      {"", 0},    {"12a", 0},     {"1.5", 0},       {"99999999999999999999", 0}, {"+3", 0},
  };
  for (const auto& [text, side] : cases) EXPECT_EQ(parseSide(text).value_or(0), side) << text;
}

TEST(DialogLogicTest, KeepAspectScalesTheOtherSideInSixtyFourBits) {
  ResolutionDialogValues v;
  v.documentWidth = 32760;
  v.documentHeight = 32759;
  EXPECT_EQ(v.widthTyped("32760").value_or(""), "32759");  // the product exceeds 32 bits
  EXPECT_EQ(v.heightTyped("1").value_or(""), "1");
  v.documentWidth = 3;
  v.documentHeight = 1;
  EXPECT_FALSE(v.widthTyped("2"));  // trunc(2 / 3) is 0: nothing is written
  EXPECT_FALSE(v.widthTyped("x"));
  v.keepAspect = false;
  EXPECT_FALSE(v.heightTyped("5"));
}

TEST(DialogLogicTest, BrushSliderPositions) {
  EXPECT_EQ(BrushDialogLogic::startPosition(5.75), 11);  // the fraction counts at the start
  EXPECT_EQ(BrushDialogLogic::startPosition(0.2), 2);
  EXPECT_EQ(BrushDialogLogic::kindPosition(1e12), 200);
  EXPECT_EQ(BrushDialogLogic::previewSide(1.5), 75);
}

int darkPixels(const Image32& image) {
  int n = 0;
  for (int32_t y = 0; y < image.height(); ++y)
    for (int32_t x = 0; x < image.width(); ++x) n += (image.getPixel(x, y) & 0xFF) < 128;
  return n;
}

TEST(DialogLogicTest, PreviewDiscCoversItsAreaAndNothingOutOfRange) {
  Image32 image;
  ASSERT_TRUE(image.resizeBuffer(600, 600));
  for (double r : {0.0, -1.0, 250.5, double(NAN)}) {
    drawBrushPreview(image, r);
    EXPECT_EQ(image.getPixel(300, 300), kOpaqueWhite) << r;
  }
  for (double r : {0.7, 2.5, 3.0, 3.2, 17.3, 250.0}) {
    drawBrushPreview(image, r);
    const double area = M_PI * r * r;
    EXPECT_NEAR(darkPixels(image) - 2 * (599 + 597), area, 2 * M_PI * r + 2) << r;
    // Every pixel inside the circle by a margin is fully black, every one outside it untouched.
    EXPECT_EQ(image.getPixel(300, 300) & 0xFFFFFF, r > 1 ? 0u : image.getPixel(300, 300) & 0xFFFFFF);
    EXPECT_EQ(image.getPixel(300 + int(r) + 2, 300), kOpaqueWhite);
  }
}

}  // namespace
}  // namespace kanvo
