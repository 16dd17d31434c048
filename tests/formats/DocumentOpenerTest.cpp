#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>

#include "formats/DocumentOpener.h"
#include "formats/FileExtension.h"
#include "formats/jpeg/JpegImage.h"
#include "strings/StringTable.h"
#include "support/FakeImageLoader.h"
#include "support/NativeFileBuilder.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

class DocumentOpenerTest : public ::testing::Test {
 protected:
  // A document in a known state, to see that failures leave it alone.
  void prepare(Document& doc) {
    doc.newCanvas(40, 30, kLayerKind32);
    doc.addLayer32();
    doc.layer(0)->pixels32.setPixel(1, 1, 0xFF00FF00u);
  }
  void expectUntouched(const Document& doc) {
    EXPECT_EQ(doc.width(), 40);
    EXPECT_EQ(doc.height(), 30);
    ASSERT_EQ(doc.layerCount(), 2);
    EXPECT_EQ(doc.layer(0)->pixel32(1, 1), 0xFF00FF00u);
  }
  StringTable strings;
  test::TempDir dir;
};

TEST_F(DocumentOpenerTest, TheTableHoldsLowerCaseExtensionsOnce) {
  std::set<std::string_view> seen;
  for (const OpenFormat& f : openFormats()) {
    EXPECT_EQ(lowerCaseExtension(std::string(f.extension)), f.extension);
    EXPECT_TRUE(seen.insert(f.extension).second) << f.extension;
    EXPECT_FALSE(f.name.empty());
    EXPECT_FALSE(f.readDocument != nullptr && f.readPicture != nullptr);
  }
  for (const char* e : {".knvmob", ".psd", ".bmp", ".jpg", ".jpeg"})
    EXPECT_NE(findOpenFormat(e), nullptr) << e;
  EXPECT_EQ(findOpenFormat(".png"), nullptr);
  EXPECT_EQ(findOpenFormat(".KNVMOB"), nullptr);  // callers lower-case first
}

TEST_F(DocumentOpenerTest, NativeFilesOpenWhateverTheCaseOfTheirExtension) {
  Document doc(strings);
  Status s = openDocument(doc, std::string(KANVO_CORPUS_DIR) + "/KNV_UPPER_9x9.KNVMOB");
  ASSERT_TRUE(s.isOk()) << s.reason();
  EXPECT_EQ(doc.width(), 9);
  ASSERT_EQ(doc.layerCount(), 1);
  EXPECT_EQ(doc.layer(0)->pixel32(4, 4), 0xFF417676u);

  test::NativeFileBuilder b(5, 5);
  b.addLayer(1, 1, 2, 2, {0xFF112233u});
  const std::string path = dir.file("Mixed.KnvMob");
  ASSERT_TRUE(test::writeWholeFile(path, b.bytes));
  Document other(strings);
  ASSERT_TRUE(openDocument(other, path).isOk());
  EXPECT_EQ(other.layer(0)->pixel32(0, 0), 0xFF112233u);
}

TEST_F(DocumentOpenerTest, FilesOfTheWrongKindAndUnknownNamesFailClearly) {
  const std::string file = dir.file("x");
  struct Case {
    std::string name;
    std::string says;
  } cases[] = {{"a.psd", "not a PSD file"},
               {"a.JPG", "not a JPEG file"},
               {"a.jpeg", "not a JPEG file"},
               {"a.png", "does not open .png files"},
               {"a.tga", "does not open .tga files"},
               {"noextension", "without an extension"}};
  for (const Case& c : cases) {
    ASSERT_TRUE(test::writeWholeFile(dir.file(c.name), std::string("not really")));
    Document doc(strings);
    prepare(doc);
    Status s = openDocument(doc, dir.file(c.name));
    EXPECT_TRUE(s.isFailed()) << c.name;
    EXPECT_NE(s.reason().find(c.says), std::string::npos) << s.reason();
    expectUntouched(doc);
  }
}

TEST_F(DocumentOpenerTest, AMissingOrBadNativeFileLeavesTheDocumentAlone) {
  Document doc(strings);
  prepare(doc);
  Status s = openDocument(doc, dir.file("missing.knvmob"));
  EXPECT_TRUE(s.isFailed());
  EXPECT_NE(s.reason().find("missing.knvmob"), std::string::npos);
  expectUntouched(doc);
  ASSERT_TRUE(test::writeWholeFile(dir.file("short.knvmob"), std::string("KNV")));
  EXPECT_TRUE(openDocument(doc, dir.file("short.knvmob")).isFailed());
  expectUntouched(doc);
  // A folder named like a document.
  ASSERT_EQ(mkdir(dir.file("folder.knvmob").c_str(), 0755), 0);
  EXPECT_TRUE(openDocument(doc, dir.file("folder.knvmob")).isFailed());
  expectUntouched(doc);
}

TEST_F(DocumentOpenerTest, BmpNeedsTheImageLoader) {
  Document doc(strings);
  prepare(doc);
  Status s = openDocument(doc, dir.file("a.bmp"));
  EXPECT_TRUE(s.isFailed());
  EXPECT_NE(s.reason().find("BMP"), std::string::npos);
  expectUntouched(doc);
}

TEST_F(DocumentOpenerTest, AnImportedPictureBecomesTwoLayersWithTheEmptyOneCurrent) {
  test::FakeImageLoader loader;
  loader.width = 70;
  loader.height = 3;
  for (int i = 0; i < 210; ++i)
    loader.pixels.push_back(i % 3 == 0 ? 0u : makeColor(i, 2 * i, 3 * i, 255 - i));
  OpenServices services;
  services.imageLoader = &loader;
  Document doc(strings);
  prepare(doc);
  const int32_t serialBefore = doc.layerSerial();
  Status s = openDocument(doc, dir.file("Picture.BMP"), services);
  ASSERT_TRUE(s.isOk()) << s.reason();
  ASSERT_EQ(loader.asked.size(), 1u);
  EXPECT_EQ(loader.asked[0], dir.file("Picture.BMP"));
  EXPECT_EQ(doc.width(), 70);
  EXPECT_EQ(doc.height(), 3);
  ASSERT_EQ(doc.layerCount(), 2);
  EXPECT_EQ(doc.currentLayerIndex(), 1);
  const Layer& bottom = *doc.layer(0);
  const Layer& top = *doc.layer(1);
  EXPECT_EQ(bottom.kind, kLayerKind32);
  EXPECT_EQ(top.kind, kLayerKind32);
  EXPECT_EQ(top.pixels32.presentTileCount(), 0);
  EXPECT_EQ(bottom.serial, serialBefore + 1);
  EXPECT_EQ(top.serial, serialBefore + 2);
  for (int32_t x = 0; x < 70; ++x)
    for (int32_t y = 0; y < 3; ++y)
      EXPECT_EQ(bottom.pixel32(x, y), loader.pixels[size_t(y) * 70 + size_t(x)]);

  // A damaged picture read in part is imported and reported as partial.
  loader.result = Status::partial("cut short");
  Document second(strings);
  Status p = openDocument(second, dir.file("b.bmp"), services);
  EXPECT_TRUE(p.isPartial());
  EXPECT_EQ(p.reason(), "cut short");
  EXPECT_EQ(second.layerCount(), 2);

  // A failed load leaves the document alone.
  loader.result = Status::failed("not a BMP");
  Document third(strings);
  prepare(third);
  Status f = openDocument(third, dir.file("c.bmp"), services);
  EXPECT_TRUE(f.isFailed());
  EXPECT_EQ(f.reason(), "not a BMP");
  expectUntouched(third);
}

TEST_F(DocumentOpenerTest, JpegFilesAreImportedAsTheDecoderReadsThem) {
  for (const char* name : {"jpg_17x9_444.jpg", "jpg_422_q85_257x131.jpg", "jpg_grayscale_64x64.jpg"}) {
    SCOPED_TRACE(name);
    const std::string path = std::string(KANVO_CORPUS_DIR) + "/" + name;
    Document doc(strings);
    Status s = openDocument(doc, path);
    ASSERT_TRUE(s.isOk()) << s.reason();
    std::vector<uint8_t> bytes = test::readWholeFile(path);
    Image32 want;
    ASSERT_TRUE(decodeJpegImage(bytes, want).isOk());
    EXPECT_EQ(doc.width(), want.width());
    EXPECT_EQ(doc.height(), want.height());
    ASSERT_EQ(doc.layerCount(), 2);
    EXPECT_EQ(doc.currentLayerIndex(), 1);
    EXPECT_EQ(doc.layer(1)->pixels32.presentTileCount(), 0);
    int64_t mismatches = 0;
    for (int32_t y = 0; y < want.height(); ++y)
      for (int32_t x = 0; x < want.width(); ++x)
        mismatches += doc.layer(0)->pixel32(x, y) != want.getPixel(x, y);
    EXPECT_EQ(mismatches, 0);
  }
  // A damaged file read in part is imported and reported; a kind the decoder refuses is not.
  Document cut(strings);
  Status partial = openDocument(cut, std::string(KANVO_CORPUS_DIR) + "/jpg_truncated_420_q85_100x70.jpg");
  EXPECT_TRUE(partial.isPartial()) << partial.reason();
  EXPECT_EQ(cut.layerCount(), 2);
  Document refused(strings);
  prepare(refused);
  Status failed = openDocument(refused, std::string(KANVO_CORPUS_DIR) + "/jpg_progressive_64x64.jpg");
  EXPECT_TRUE(failed.isFailed());
  EXPECT_FALSE(failed.reason().empty());
  expectUntouched(refused);
}

TEST_F(DocumentOpenerTest, PicturesLargerThanTheLargestCanvasAreRefused) {
  Image32 wide(32761, 1);
  ASSERT_TRUE(wide.hasPixels());
  wide.fill(0xFFFFFFFFu);
  Document doc(strings);
  prepare(doc);
  Status s = importPicture(doc, wide);
  EXPECT_TRUE(s.isFailed());
  EXPECT_NE(s.reason().find("32761 x 1"), std::string::npos);
  expectUntouched(doc);

  Image32 edge(32760, 1);
  edge.fill(0xFF0000FFu);
  ASSERT_TRUE(importPicture(doc, edge).isOk());
  EXPECT_EQ(doc.width(), 32760);
  EXPECT_EQ(doc.layer(0)->pixel32(32759, 0), 0xFF0000FFu);
}

}  // namespace
}  // namespace kanvo
