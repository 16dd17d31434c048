// Opening files as the document; the command-line tests open every kind of file through it.
#include "formats/DocumentOpener.h"

#include <gtest/gtest.h>

#include "formats/FileExtension.h"
#include "formats/jpeg/JpegImage.h"
#include "strings/StringTable.h"
#include "support/FakeImageLoader.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// Pictures come from the platform's loader (BMP, any case; PNG) or the JPEG decoder (.jpg,
// .jpeg), by the last dot of the name: one read wholly or in part becomes the bottom layer of a
// canvas of its size (new serials) under an empty current layer (a PNG, with its alpha, goes
// above it), reported as its reader reported it; a failure says why and leaves the document alone.
TEST(DocumentOpener, PicturesAreImportedAsTheirReadersGiveThem) {
  StringTable strings;
  test::TempDir dir;
  test::FakeImageLoader loader;
  loader.width = 70;
  loader.height = 3;
  Image32 loaded(70, 3), none;
  for (int i = 0; i < 210; ++i) {
    loader.pixels.push_back(i % 3 == 0 ? 0u : makeColor(i, 2 * i, 3 * i, 255 - i));
    loaded.setPixel(i % 70, i / 70, loader.pixels.back());
  }
  OpenServices services;
  services.imageLoader = &loader;
  ASSERT_TRUE(test::writeWholeFile(dir.file("a.bmp.JPEG"), std::string("KNV")));
  ASSERT_TRUE(std::filesystem::create_directory(dir.file("d.jpg")));
  auto jpeg = [&](const std::string& name, Image32& picture) {
    return decodeJpegImage(test::readWholeFile(name), picture);
  };
  const std::string cut = std::string(KANVO_CORPUS_DIR) + "/jpg_truncated_420_q85_100x70.jpg";
  Image32 cutPicture;
  const std::tuple<std::string, Status, const Image32*> cases[] = {
      {dir.file("Picture.BMP"), Status::ok(), &loaded},
      {dir.file("d.jpg/b.bmp"), Status::partial("cut short"), &loaded},
      {dir.file("c.jpg.bmp"), Status::failed("not a BMP"), &none},
      {cut, jpeg(cut, cutPicture), &cutPicture},
      {dir.file("a.bmp.JPEG"), Status::failed("not a JPEG file"), &none},
      {dir.file("d.jpg/plain"), Status::failed("kanvo cannot tell the kind of a file without an extension"),
       &none},
      {dir.file("x.PNG"), Status::ok(), &loaded},
  };
  for (const auto& [path, want, picture] : cases) {
    SCOPED_TRACE(path);
    loader.result = want;
    Document doc(strings);
    doc.newCanvas(40, 30, kLayerKind32);
    doc.addLayer32();
    doc.layer(0)->pixels32.setPixel(1, 1, 0xFF00FF00u);
    const int32_t serial = doc.layerSerial();
    Status s = openDocument(doc, path, services);
    EXPECT_EQ(std::make_pair(s.code(), s.reason()), std::make_pair(want.code(), want.reason()));
    if (s.isFailed()) {
      EXPECT_EQ(std::make_tuple(doc.width(), doc.height(), doc.layerCount(), doc.layer(0)->pixel32(1, 1)),
                std::make_tuple(40, 30, 2, 0xFF00FF00u));
      continue;
    }
    const int shown = lowerCaseExtension(path) == ".png" ? 1 : 0, empty = 1 - shown;
    ASSERT_EQ(std::make_tuple(doc.width(), doc.height(), doc.layerCount(), doc.currentLayerIndex()),
              std::make_tuple(picture->width(), picture->height(), 2, empty));
    EXPECT_EQ(std::make_tuple(doc.layer(shown)->serial, doc.layer(empty)->serial,
                              doc.layer(empty)->pixels32.presentTileCount()),
              std::make_tuple(serial + 1, serial + 2, 0));
    int64_t mismatches = 0;
    for (int32_t y = 0; y < picture->height(); ++y)
      for (int32_t x = 0; x < picture->width(); ++x)
        mismatches += doc.layer(shown)->pixel32(x, y) != picture->getPixel(x, y);
    EXPECT_EQ(mismatches, 0);
  }
  EXPECT_EQ(loader.asked, (std::vector<std::string>{dir.file("Picture.BMP"), dir.file("d.jpg/b.bmp"),
                                                    dir.file("c.jpg.bmp"), dir.file("x.PNG")}));

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
