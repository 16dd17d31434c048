// PNG out through libpng and in through the program's picture loader (kanvo-cli, on Qt): the
// peers read what we write pixel for pixel, alpha included, and what they write in other forms
// of PNG opens as the same picture, over an empty layer (DocumentOpenerTest: which is current).
#include <gtest/gtest.h>

#include <random>

#include "formats/DocumentSaver.h"
#include "formats/native/NativeReader.h"
#include "strings/StringTable.h"
#include "support/CliProcess.h"
#include "support/ImageMagick.h"
#include "support/Netpbm.h"
#include "support/RandomDocuments.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

class PngTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::haveImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  }
  StringTable strings;
  test::TempDir dir;
};

TEST_F(PngTest, PeersReadEveryPixelAndTheResolutionAndThePngOpensAsItWasWritten) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    Document doc(strings);
    doc.resolution = int32_t(seed * 150);
    ASSERT_NO_FATAL_FAILURE(test::makeRandomDocument(doc, rng, 300, 200, 4));
    const std::string png = dir.file("a.png"), pam = dir.file("a.pam");
    ASSERT_TRUE(saveDocument(doc, png).isOk());
    ASSERT_TRUE(saveDocument(doc, pam).isOk());
    const test::NetpbmImage want = test::readNetpbm(pam);

    // ImageMagick, and libpng's own checker.
    const test::NetpbmImage peer = test::imageMagickRead(png, dir.file("peer.pam"));
    ASSERT_EQ(peer.channels, 4);
    EXPECT_TRUE(peer.samples == want.samples);
    const test::CliRun dpi = test::runProgram({"identify", "-units", "PixelsPerInch", "-format", "%x", png});
    EXPECT_EQ(std::lround(std::stod(dpi.out)), doc.resolution);
    EXPECT_EQ(test::runProgram({"pngfix", png}).status, 0);

    // Opened by the program's loader, as we wrote it and as the peer writes it in 16 bits.
    ASSERT_EQ(test::runProgram({"convert", png, "-depth", "16", dir.file("deep.png")}).status, 0);
    for (const std::string& in : {png, dir.file("deep.png")}) {
      ASSERT_EQ(test::runCliArgs({"convert", in, dir.file("back.knvmob")}).status, 0) << in;
      Document back(strings);
      ASSERT_TRUE(readNativeDocument(back, dir.file("back.knvmob")).isOk());
      ASSERT_EQ(back.layerCount(), 2);
      int64_t differences = 0;
      for (int32_t y = 0; y < doc.height(); ++y)
        for (int32_t x = 0; x < doc.width(); ++x) {
          const uint8_t* p = &want.samples[(size_t(y) * size_t(doc.width()) + size_t(x)) * 4];
          differences += back.layer(1)->pixel32(x, y) != (rgba(p[0], p[1], p[2]) & 0xFFFFFFu) + (uint32_t(p[3]) << 24);
        }
      EXPECT_EQ(differences, 0) << in;
    }
  }
}

}  // namespace
}  // namespace kanvo
