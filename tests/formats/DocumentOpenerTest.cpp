#include "formats/DocumentOpener.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "formats/FileExtension.h"
#include "formats/jpeg/JpegImage.h"
#include "strings/StringTable.h"
#include "support/FakeImageLoader.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

std::string corpus(const std::string& name) {
  return std::string(KANVO_CORPUS_DIR) + "/" + name;
}

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
  // The document holds the picture as its bottom layer with an empty current layer above.
  void expectImported(const Document& doc, const Image32& picture) {
    ASSERT_EQ(doc.width(), picture.width());
    ASSERT_EQ(doc.height(), picture.height());
    ASSERT_EQ(doc.layerCount(), 2);
    EXPECT_EQ(doc.currentLayerIndex(), 1);
    EXPECT_EQ(doc.layer(1)->kind, kLayerKind32);
    EXPECT_EQ(doc.layer(1)->pixels32.presentTileCount(), 0);
    int64_t mismatches = 0;
    for (int32_t y = 0; y < picture.height(); ++y)
      for (int32_t x = 0; x < picture.width(); ++x)
        mismatches += doc.layer(0)->pixel32(x, y) != picture.getPixel(x, y);
    EXPECT_EQ(mismatches, 0);
  }
  StringTable strings;
  test::TempDir dir;
};

TEST_F(DocumentOpenerTest, EveryListedExtensionIsFoundByItsLowerCaseName) {
  for (const OpenFormat& f : openFormats()) {
    EXPECT_EQ(lowerCaseExtension(std::string(f.extension)), f.extension);
    EXPECT_EQ(findOpenFormat(f.extension), &f) << f.extension;  // listed once
  }
  Document doc(strings);
  Status s = openDocument(doc, corpus("KNV_UPPER_9x9.KNVMOB"));
  ASSERT_TRUE(s.isOk()) << s.reason();
  EXPECT_EQ(doc.layer(0)->pixel32(4, 4), 0xFF417676u);
}

// Each name reaches its reader (or none); each failure says why and leaves the document alone.
TEST_F(DocumentOpenerTest, FailuresSayWhyAndLeaveTheDocumentAlone) {
  ASSERT_EQ(mkdir(dir.file("folder.knvmob").c_str(), 0755), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"a.psd", "not a PSD file"},
      {"a.JPG", "not a JPEG file"},
      {"a.jpeg", "not a JPEG file"},
      {"a.png", "does not open .png files"},
      {"noextension", "without an extension"},
      {"a.bmp", "BMP"},  // no image loader given
      {"short.knvmob", "shorter than"},
      {"missing.knvmob", "missing.knvmob"},
      {"folder.knvmob", "folder.knvmob"},
  };
  for (const auto& [name, says] : cases) {
    SCOPED_TRACE(name);
    if (name != "missing.knvmob" && name != "folder.knvmob") {
      ASSERT_TRUE(test::writeWholeFile(dir.file(name), std::string("KNV")));
    }
    Document doc(strings);
    prepare(doc);
    Status s = openDocument(doc, dir.file(name));
    EXPECT_TRUE(s.isFailed());
    EXPECT_NE(s.reason().find(says), std::string::npos) << s.reason();
    expectUntouched(doc);
  }
}

TEST_F(DocumentOpenerTest, PicturesFromTheLoaderAreImportedAsTheyCome) {
  test::FakeImageLoader loader;
  loader.width = 70;
  loader.height = 3;
  Image32 picture(70, 3);
  for (int i = 0; i < 210; ++i) {
    loader.pixels.push_back(i % 3 == 0 ? 0u : makeColor(i, 2 * i, 3 * i, 255 - i));
    picture.setPixel(i % 70, i / 70, loader.pixels.back());
  }
  OpenServices services;
  services.imageLoader = &loader;
  // A damaged picture read in part is imported and reported; a failed load imports nothing.
  for (Status result : {Status::ok(), Status::partial("cut short"), Status::failed("not a BMP")}) {
    loader.result = result;
    Document doc(strings);
    prepare(doc);
    const int32_t serialBefore = doc.layerSerial();
    Status s = openDocument(doc, dir.file("Picture.BMP"), services);
    EXPECT_EQ(loader.asked.back(), dir.file("Picture.BMP"));
    EXPECT_EQ(s.code(), result.code());
    EXPECT_EQ(s.reason(), result.reason());
    if (result.isFailed()) {
      expectUntouched(doc);
      continue;
    }
    expectImported(doc, picture);
    EXPECT_EQ(doc.layer(0)->serial, serialBefore + 1);
    EXPECT_EQ(doc.layer(1)->serial, serialBefore + 2);
  }
}

TEST_F(DocumentOpenerTest, JpegFilesAreImportedAsTheDecoderReadsThem) {
  const std::pair<const char*, Status::Code> cases[] = {
      {"jpg_422_q85_257x131.jpg", Status::kOk},
      {"jpg_grayscale_64x64.jpg", Status::kOk},
      {"jpg_truncated_420_q85_100x70.jpg", Status::kPartial},
      {"jpg_progressive_64x64.jpg", Status::kFailed},
  };
  for (const auto& [name, outcome] : cases) {
    SCOPED_TRACE(name);
    Document doc(strings);
    prepare(doc);
    Image32 want;
    Status decoded = decodeJpegImage(test::readWholeFile(corpus(name)), want);
    Status s = openDocument(doc, corpus(name));
    EXPECT_EQ(s.code(), outcome) << s.reason();
    EXPECT_EQ(s.reason(), decoded.reason());
    if (s.isFailed()) {
      expectUntouched(doc);
    } else {
      expectImported(doc, want);
    }
  }
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
