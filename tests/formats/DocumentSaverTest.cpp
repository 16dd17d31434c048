#include "formats/DocumentSaver.h"

#include <gtest/gtest.h>

#include "strings/StringTable.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// A quality out of range, or a name that writes nothing, leaves an existing file as it was. (The
// command-line tests save every kind, compare the composites and try the other names.)
TEST(DocumentSaver, FailuresKeepTheOldFile) {
  StringTable strings;
  Document doc(strings);
  ASSERT_TRUE(doc.newCanvas(30, 20, kLayerKind32));
  test::TempDir dir;
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
