#include "formats/DocumentSaver.h"

#include <gtest/gtest.h>

#include "formats/CompositeRows.h"
#include "formats/native/NativeReader.h"
#include "strings/StringTable.h"
#include "support/NativeFileBuilder.h"
#include "support/RecordingProgress.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

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
  StringTable strings;
  Document doc{strings};
  test::TempDir dir;
};

TEST_F(DocumentSaverTest, CompositeRowsEqualTheFlattenedPicture) {
  for (Color32 background : {0u, kOpaqueWhite, 0x80402010u}) {
    Image32 whole(doc.width(), doc.height());
    ASSERT_TRUE(doc.flatten(whole, exportCompositeOptions(background)));
    test::RecordingProgress progress;
    CompositeRows rows(doc, exportCompositeOptions(background), &progress);
    ASSERT_TRUE(rows.ready());
    for (int32_t y = 0; y < doc.height(); ++y)
      ASSERT_EQ(std::memcmp(rows.row(y), whole.rowAddress(y), size_t(doc.width()) * 4), 0) << y;
    EXPECT_TRUE(rows.row(-1) == nullptr && rows.row(doc.height()) == nullptr);
    EXPECT_EQ(progress.calls, (std::vector<std::pair<int32_t, int32_t>>{{0, 2}, {1, 2}, {2, 2}}));
  }
}

// A quality out of range, or a name that writes nothing, leaves an existing file as it was. (The
// command-line tests save every kind and try the other names.)
TEST_F(DocumentSaverTest, FailuresKeepTheOldFile) {
  SaveOptions options;
  options.quality = 0;
  for (const char* name : {"a.pam", "a.png"}) {
    const std::string path = dir.file(name);
    ASSERT_TRUE(test::writeWholeFile(path, std::string("precious")));
    Status s = saveDocument(doc, path, options);
    EXPECT_EQ(s.reason().rfind("nothing was written to '" + path + "': ", 0), 0u) << s.reason();
    EXPECT_EQ(test::readWholeFile(path).size(), 8u);
  }
  EXPECT_EQ(dir.entries().size(), 2u);  // no temporary file left behind
}

}  // namespace
}  // namespace kanvo
