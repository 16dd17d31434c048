#include "formats/DocumentSaver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "formats/CompositeRows.h"
#include "formats/FileExtension.h"
#include "formats/NetpbmWriter.h"
#include "formats/jpeg/JpegImage.h"
#include "formats/native/NativeReader.h"
#include "strings/StringTable.h"
#include "support/NativeFileBuilder.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

class RecordingProgress : public Progress {
 public:
  void report(int32_t done, int32_t total) override { calls.push_back({done, total}); }
  std::vector<std::pair<int32_t, int32_t>> calls;
};

class DocumentSaverTest : public ::testing::Test {
 protected:
  // Three bands (the last one partial), layers with partial alpha, offsets in every direction
  // and a layer bigger than the canvas.
  void SetUp() override {
    test::NativeFileBuilder b(300, 520, 96);
    b.addLayer(300, 520, 0, 0, test::patternPixels(300, 520, 1));
    b.addLayer(90, 300, -20, 200, test::patternPixels(90, 300, 2, true));
    b.addLayer(400, 40, -50, 500, test::patternPixels(400, 40, 3));
    b.addLayer(33, 33, 280, -10, test::patternPixels(33, 33, 4));
    ASSERT_TRUE(readNativeDocument(doc, b.bytes.data(), b.bytes.size()).isOk());
  }
  // The file the Netpbm writer makes of the whole flattened picture.
  std::vector<uint8_t> reference(Document& d, bool pam) {
    Image32 image(d.width(), d.height());
    EXPECT_TRUE(d.flatten(image, exportCompositeOptions(pam ? 0 : kOpaqueWhite)));
    const std::string path = dir.file(pam ? "ref.pam" : "ref.ppm");
    const auto* px = reinterpret_cast<const Color32*>(image.bits());
    Status s = pam ? writePam(path, px, image.width(), image.height(), image.stride() / 4)
                   : writePpm(path, px, image.width(), image.height(), image.stride() / 4);
    EXPECT_TRUE(s.isOk()) << s.reason();
    return test::readWholeFile(path);
  }
  StringTable strings;
  Document doc{strings};
  test::TempDir dir;
};

TEST_F(DocumentSaverTest, EveryListedExtensionIsFoundByItsLowerCaseName) {
  for (const SaveFormat& f : saveFormats()) {
    EXPECT_EQ(lowerCaseExtension(std::string(f.extension)), f.extension);
    EXPECT_EQ(findSaveFormat(f.extension), &f) << f.extension;  // listed once
    EXPECT_FALSE(f.writesNothing && f.write != nullptr);
  }
}

TEST_F(DocumentSaverTest, CompositeRowsEqualTheFlattenedPicture) {
  for (Color32 background : {0u, kOpaqueWhite, 0x80402010u}) {
    Image32 whole(doc.width(), doc.height());
    ASSERT_TRUE(doc.flatten(whole, exportCompositeOptions(background)));
    RecordingProgress progress;
    CompositeRows rows(doc, exportCompositeOptions(background), &progress);
    ASSERT_TRUE(rows.ready());
    for (int32_t y = 0; y < doc.height(); ++y) {
      const Color32* row = rows.row(y);
      ASSERT_NE(row, nullptr);
      ASSERT_EQ(std::memcmp(row, whole.rowAddress(y), size_t(doc.width()) * 4), 0) << y;
    }
    EXPECT_EQ(rows.row(-1), nullptr);
    EXPECT_EQ(rows.row(doc.height()), nullptr);
    ASSERT_EQ(progress.calls.size(), 3u);
    EXPECT_EQ(progress.calls.back(), std::make_pair(2, 2));
  }
}

// PAM: the composite over transparent black; PPM: over white, which is what the probe shows.
TEST_F(DocumentSaverTest, PamAndPpmHoldTheComposite) {
  RecordingProgress progress;
  SaveOptions options;
  options.progress = &progress;
  ASSERT_TRUE(saveDocument(doc, dir.file("out.pam"), options).isOk());
  EXPECT_EQ(test::readWholeFile(dir.file("out.pam")), reference(doc, true));
  EXPECT_FALSE(progress.calls.empty());
  ASSERT_TRUE(saveDocument(doc, dir.file("OUT.PPM")).isOk());
  const std::vector<uint8_t> ppm = test::readWholeFile(dir.file("OUT.PPM"));
  EXPECT_EQ(ppm, reference(doc, false));
  const size_t header = ppmHeader(300, 520).size();
  std::mt19937 rng(5);
  for (int i = 0; i < 300; ++i) {
    const int32_t x = int32_t(rng() % 300), y = int32_t(rng() % 520);
    const Color32 c = doc.probeColour(x, y);
    const uint8_t* p = &ppm[header + (size_t(y) * 300 + size_t(x)) * 3];
    ASSERT_EQ(rgba(p[0], p[1], p[2], 255), c | 0xFF000000u) << x << "," << y;
  }
  // A document without layers saves its background.
  test::NativeFileBuilder b(7, 3);
  Document empty(strings);
  ASSERT_TRUE(readNativeDocument(empty, b.bytes.data(), b.bytes.size()).isOk());
  for (bool pam : {true, false}) {
    const std::string path = dir.file(pam ? "e.pam" : "e.ppm");
    ASSERT_TRUE(saveDocument(empty, path).isOk());
    std::vector<uint8_t> want(pam ? 84 : 63, pam ? 0 : 255);
    const std::string head = pam ? pamHeader(7, 3) : ppmHeader(7, 3);
    want.insert(want.begin(), head.begin(), head.end());
    EXPECT_EQ(test::readWholeFile(path), want);
  }
}

TEST_F(DocumentSaverTest, JpegHoldsTheCompositeOverWhiteAtTheQualityAsked) {
  Image32 overWhite(doc.width(), doc.height());
  ASSERT_TRUE(doc.flatten(overWhite, exportCompositeOptions(kOpaqueWhite)));
  for (int quality : {85, 10, 100}) {
    SaveOptions options;
    options.quality = quality;
    const std::string path = dir.file("out" + std::to_string(quality) + (quality == 10 ? ".JPEG" : ".jpg"));
    ASSERT_TRUE(saveDocument(doc, path, options).isOk());
    std::vector<uint8_t> want;
    ASSERT_TRUE(encodeJpegImage(overWhite, quality, want).isOk());
    EXPECT_EQ(test::readWholeFile(path), want) << quality;
  }
}

// Names that write nothing, and saves that fail, leave an existing file as it was.
TEST_F(DocumentSaverTest, FailedSavesKeepTheOldFile) {
  ASSERT_EQ(mkdir(dir.file("folder.ppm").c_str(), 0755), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"a.png", "PNG names are accepted but never written"},
      {"a.TGA", "nothing was written"},
      {"a.knvmob", "nothing was written"},
      {"noext", "nothing was written"},
      {"no/such/a.psd", ""},
      {"no/such/a.bmp", ""},
      {"folder.ppm", ""},
  };
  for (const auto& [name, says] : cases) {
    SCOPED_TRACE(name);
    const std::string path = dir.file(name);
    if (!says.empty()) {
      ASSERT_TRUE(test::writeWholeFile(path, std::string("precious")));
    }
    Status s = saveDocument(doc, path);
    EXPECT_TRUE(s.isFailed());
    EXPECT_NE(s.reason().find(path), std::string::npos) << s.reason();
    EXPECT_NE(s.reason().find(says), std::string::npos) << s.reason();
    if (!says.empty()) {
      EXPECT_EQ(test::readWholeFile(path).size(), 8u);
    }
  }
  const std::string path = dir.file("keep.pam");
  ASSERT_TRUE(test::writeWholeFile(path, std::string("old")));
  SaveOptions badQuality;
  badQuality.quality = 0;
  EXPECT_TRUE(saveDocument(doc, path, badQuality).isFailed());
  EXPECT_EQ(test::readWholeFile(path).size(), 3u);
  EXPECT_EQ(dir.entries().size(), 6u);  // no temporary file left behind
}

}  // namespace
}  // namespace kanvo
