#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>
#include <set>

#include "formats/CompositeRows.h"
#include "formats/DocumentSaver.h"
#include "formats/FileExtension.h"
#include "formats/jpeg/JpegImage.h"
#include "formats/native/NativeReader.h"
#include "formats/NetpbmWriter.h"
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
  std::vector<uint8_t> reference(Color32 background, bool pam) {
    Image32 flat(doc.width(), doc.height());
    EXPECT_TRUE(doc.flatten(flat, exportCompositeOptions(background)));
    const std::string path = dir.file(pam ? "ref.pam" : "ref.ppm");
    Status s = pam ? writePam(path, reinterpret_cast<const Color32*>(flat.bits()), flat.width(),
                              flat.height(), flat.stride() / 4)
                   : writePpm(path, reinterpret_cast<const Color32*>(flat.bits()), flat.width(),
                              flat.height(), flat.stride() / 4);
    EXPECT_TRUE(s.isOk()) << s.reason();
    return test::readWholeFile(path);
  }
  StringTable strings;
  Document doc{strings};
  test::TempDir dir;
};

TEST_F(DocumentSaverTest, TheTableHoldsLowerCaseExtensionsOnce) {
  std::set<std::string_view> seen;
  for (const SaveFormat& f : saveFormats()) {
    EXPECT_EQ(lowerCaseExtension(std::string(f.extension)), f.extension);
    EXPECT_TRUE(seen.insert(f.extension).second);
    EXPECT_FALSE(f.writesNothing && f.write != nullptr);
  }
  for (const char* e : {".jpg", ".jpeg", ".psd", ".tga", ".png", ".bmp", ".pam", ".ppm"})
    EXPECT_NE(findSaveFormat(e), nullptr) << e;
  EXPECT_EQ(findSaveFormat(".knvmob"), nullptr);
  EXPECT_TRUE(findSaveFormat(".png")->writesNothing);
  EXPECT_TRUE(findSaveFormat(".tga")->writesNothing);
}

TEST_F(DocumentSaverTest, CompositeRowsEqualTheFlattenedPicture) {
  for (Color32 background : {0u, kOpaqueWhite, 0x80402010u}) {
    Image32 flat(doc.width(), doc.height());
    ASSERT_TRUE(doc.flatten(flat, exportCompositeOptions(background)));
    RecordingProgress progress;
    CompositeRows rows(doc, exportCompositeOptions(background), &progress);
    ASSERT_TRUE(rows.ready());
    for (int32_t y = 0; y < doc.height(); ++y) {
      const Color32* row = rows.row(y);
      ASSERT_NE(row, nullptr);
      ASSERT_EQ(std::memcmp(row, flat.rowAddress(y), size_t(doc.width()) * 4), 0) << y;
    }
    EXPECT_EQ(rows.row(-1), nullptr);
    EXPECT_EQ(rows.row(doc.height()), nullptr);
    ASSERT_EQ(progress.calls.size(), 3u);
    EXPECT_EQ(progress.calls.back(), std::make_pair(2, 2));
  }
}

TEST_F(DocumentSaverTest, PamAndPpmHoldTheCompositeOverTransparentAndOverWhite) {
  RecordingProgress progress;
  SaveOptions options;
  options.progress = &progress;
  ASSERT_TRUE(saveDocument(doc, dir.file("out.pam"), options).isOk());
  EXPECT_EQ(test::readWholeFile(dir.file("out.pam")), reference(0, true));
  EXPECT_FALSE(progress.calls.empty());
  ASSERT_TRUE(saveDocument(doc, dir.file("OUT.PPM")).isOk());
  std::vector<uint8_t> ppm = test::readWholeFile(dir.file("OUT.PPM"));
  EXPECT_EQ(ppm, reference(kOpaqueWhite, false));
  // The PPM's pixels are the probe colours (the composite over white).
  const size_t header = ppmHeader(300, 520).size();
  std::mt19937 rng(5);
  for (int i = 0; i < 300; ++i) {
    const int32_t x = int32_t(rng() % 300), y = int32_t(rng() % 520);
    const Color32 c = doc.probeColour(x, y);
    const uint8_t* p = &ppm[header + (size_t(y) * 300 + size_t(x)) * 3];
    ASSERT_EQ(int(p[0]), redOf(c));
    ASSERT_EQ(int(p[1]), greenOf(c));
    ASSERT_EQ(int(p[2]), blueOf(c));
  }
}

TEST_F(DocumentSaverTest, NamesThatWriteNothingLeaveAnExistingFileAlone) {
  for (const char* name : {"a.png", "a.TGA", "a.knvmob", "a.txt", "noext", "no/such/a.psd", "no/such/a.bmp"}) {
    const std::string path = dir.file(name);
    const bool folderMissing = std::string(name).find('/') != std::string::npos;
    if (!folderMissing) {
      ASSERT_TRUE(test::writeWholeFile(path, std::string("precious")));
    }
    Status s = saveDocument(doc, path);
    EXPECT_TRUE(s.isFailed()) << name;
    if (!folderMissing) {
      EXPECT_NE(s.reason().find("nothing was written"), std::string::npos) << s.reason();
    }
    EXPECT_NE(s.reason().find(path), std::string::npos) << s.reason();
    if (folderMissing) continue;
    std::vector<uint8_t> after = test::readWholeFile(path);
    EXPECT_EQ(std::string(after.begin(), after.end()), "precious");
  }
  EXPECT_NE(saveDocument(doc, dir.file("b.png")).reason().find("PNG names are accepted but never written"),
            std::string::npos);
  EXPECT_EQ(dir.entries().size(), 5u);  // no temporary file left behind
}

TEST_F(DocumentSaverTest, JpegHoldsTheCompositeOverWhiteAtTheQualityAsked) {
  Image32 flat(doc.width(), doc.height());
  ASSERT_TRUE(doc.flatten(flat, exportCompositeOptions(kOpaqueWhite)));
  for (int quality : {85, 10, 100}) {
    SaveOptions options;
    options.quality = quality;
    const std::string path = dir.file("out" + std::to_string(quality) + (quality == 10 ? ".JPEG" : ".jpg"));
    ASSERT_TRUE(saveDocument(doc, path, options).isOk());
    std::vector<uint8_t> want;
    ASSERT_TRUE(encodeJpegImage(flat, quality, want).isOk());
    EXPECT_EQ(test::readWholeFile(path), want) << quality;
  }
  EXPECT_LT(test::readWholeFile(dir.file("out10.JPEG")).size(),
            test::readWholeFile(dir.file("out100.jpg")).size());
  // What was written decodes to the canvas size, close to the composite.
  Image32 back;
  ASSERT_TRUE(decodeJpegImage(test::readWholeFile(dir.file("out100.jpg")), back).isOk());
  ASSERT_EQ(back.width(), 300);
  ASSERT_EQ(back.height(), 520);
  int64_t total = 0;
  for (int32_t y = 0; y < 520; ++y)
    for (int32_t x = 0; x < 300; ++x)
      for (int c = 0; c < 3; ++c)
        total += std::abs(byteOf(back.getPixel(x, y), c) - byteOf(flat.getPixel(x, y), c));
  EXPECT_LT(double(total) / (300.0 * 520 * 3), 6.0);
}

TEST_F(DocumentSaverTest, AFailedWriteKeepsTheOldFile) {
  const std::string path = dir.file("keep.pam");
  ASSERT_TRUE(test::writeWholeFile(path, std::string("old")));
  // A target that is a folder, and a folder that does not exist.
  ASSERT_EQ(mkdir(dir.file("folder.ppm").c_str(), 0755), 0);
  EXPECT_TRUE(saveDocument(doc, dir.file("folder.ppm")).isFailed());
  EXPECT_TRUE(saveDocument(doc, dir.file("missing/x.pam")).isFailed());
  SaveOptions badQuality;
  badQuality.quality = 0;
  EXPECT_TRUE(saveDocument(doc, path, badQuality).isFailed());
  std::vector<uint8_t> after = test::readWholeFile(path);
  EXPECT_EQ(std::string(after.begin(), after.end()), "old");
  // Replaced only by the complete new file.
  ASSERT_TRUE(saveDocument(doc, path).isOk());
  EXPECT_EQ(test::readWholeFile(path), reference(0, true));
}

TEST_F(DocumentSaverTest, ADocumentWithoutLayersSavesItsBackground) {
  test::NativeFileBuilder b(7, 3);
  Document empty(strings);
  ASSERT_TRUE(readNativeDocument(empty, b.bytes.data(), b.bytes.size()).isOk());
  ASSERT_TRUE(saveDocument(empty, dir.file("e.ppm")).isOk());
  std::vector<uint8_t> ppm = test::readWholeFile(dir.file("e.ppm"));
  const std::string header = ppmHeader(7, 3);
  ASSERT_EQ(ppm.size(), header.size() + 63);
  for (size_t i = header.size(); i < ppm.size(); ++i) EXPECT_EQ(ppm[i], 255);
  ASSERT_TRUE(saveDocument(empty, dir.file("e.pam")).isOk());
  std::vector<uint8_t> pam = test::readWholeFile(dir.file("e.pam"));
  ASSERT_EQ(pam.size(), pamHeader(7, 3).size() + 84);
  for (size_t i = pamHeader(7, 3).size(); i < pam.size(); ++i) EXPECT_EQ(pam[i], 0);
}

}  // namespace
}  // namespace kanvo
