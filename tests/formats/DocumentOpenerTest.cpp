#include "formats/DocumentOpener.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "formats/jpeg/JpegImage.h"
#include "strings/StringTable.h"
#include "support/FakeImageLoader.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

class DocumentOpenerTest : public ::testing::Test {
 protected:
  // Opens path into a document in a known state: failed leaves it untouched; otherwise it holds
  // the picture as its bottom layer (new serials), an empty current layer above.
  void expectOpens(const std::string& path, const Image32& picture, Status want,
                   const OpenServices& services = {}) {
    Document doc(strings);
    doc.newCanvas(40, 30, kLayerKind32);
    doc.addLayer32();
    doc.layer(0)->pixels32.setPixel(1, 1, 0xFF00FF00u);
    const int32_t serial = doc.layerSerial();
    Status s = openDocument(doc, path, services);
    EXPECT_EQ(s.code(), want.code()) << s.reason();
    EXPECT_NE(s.reason().find(want.reason()), std::string::npos) << s.reason();
    if (s.isFailed()) {
      EXPECT_EQ(std::make_tuple(doc.width(), doc.height(), doc.layerCount(), doc.layer(0)->pixel32(1, 1)),
                std::make_tuple(40, 30, 2, 0xFF00FF00u));
      return;
    }
    ASSERT_EQ(std::make_tuple(doc.width(), doc.height(), doc.layerCount(), doc.currentLayerIndex()),
              std::make_tuple(picture.width(), picture.height(), 2, 1));
    EXPECT_EQ(std::make_pair(doc.layer(0)->serial, doc.layer(1)->serial),
              std::make_pair(serial + 1, serial + 2));
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

// Each name reaches its reader, whatever the case of its extension; failures say why and leave
// the document alone.
TEST_F(DocumentOpenerTest, FailuresSayWhyAndLeaveTheDocumentAlone) {
  ASSERT_EQ(mkdir(dir.file("folder.knvmob").c_str(), 0755), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"a.psd", "not a PSD file"},      {"a.JPG", "not a JPEG file"},
      {"a.jpeg", "not a JPEG file"},    {"a.bmp", "BMP"},
      {"short.knvmob", "shorter than"}, {"folder.knvmob", "folder.knvmob"},
      {"a.png", "does not open .png"},  {"noextension", "without an extension"},
  };
  for (const auto& [name, says] : cases) {
    SCOPED_TRACE(name);
    if (name != "folder.knvmob") {
      ASSERT_TRUE(test::writeWholeFile(dir.file(name), std::string("KNV")));
    }
    expectOpens(dir.file(name), Image32(), Status::failed(says));
  }
}

// Pictures come from the platform's loader (BMP) or the JPEG decoder; one read in part is
// imported and reported as partial, a refused one leaves the document alone.
TEST_F(DocumentOpenerTest, PicturesAreImportedAsTheirReadersGiveThem) {
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
  for (Status result : {Status::ok(), Status::partial("cut short"), Status::failed("not a BMP")}) {
    loader.result = result;
    expectOpens(dir.file("Picture.BMP"), picture, result, services);
    EXPECT_EQ(loader.asked.back(), dir.file("Picture.BMP"));
  }
  for (const char* name :
       {"jpg_422_q85_257x131.jpg", "jpg_truncated_420_q85_100x70.jpg", "jpg_progressive_64x64.jpg"}) {
    SCOPED_TRACE(name);
    const std::string path = std::string(KANVO_CORPUS_DIR) + "/" + name;
    Image32 decoded;
    Status want = decodeJpegImage(test::readWholeFile(path), decoded);
    expectOpens(path, decoded, want);
  }
}

TEST_F(DocumentOpenerTest, PicturesLargerThanTheLargestCanvasAreRefused) {
  Image32 wide(32761, 1), edge(32760, 1);
  wide.fill(0xFFFFFFFFu);
  edge.fill(0xFF0000FFu);
  Document doc(strings);
  doc.newCanvas(40, 30, kLayerKind32);
  Status s = importPicture(doc, wide);
  EXPECT_NE(s.reason().find("32761 x 1"), std::string::npos);
  EXPECT_EQ(std::make_tuple(s.isFailed(), doc.width(), doc.layerCount()), std::make_tuple(true, 40, 1));
  ASSERT_TRUE(importPicture(doc, edge).isOk());
  EXPECT_EQ(doc.layer(0)->pixel32(32759, 0), 0xFF0000FFu);
}

}  // namespace
}  // namespace kanvo
