#include <gtest/gtest.h>

#include "formats/FileExtension.h"

namespace kanvo {
namespace {

TEST(FileExtension, TakesTheLastDotOfTheNameLowerCased) {
  EXPECT_EQ(lowerCaseExtension("a.knvmob"), ".knvmob");
  EXPECT_EQ(lowerCaseExtension("pictures/KNV_UPPER_9x9.KNVMOB"), ".knvmob");
  EXPECT_EQ(lowerCaseExtension("x.tar.JPEG"), ".jpeg");
  EXPECT_EQ(lowerCaseExtension("dir.d/name"), "");
  EXPECT_EQ(lowerCaseExtension("name"), "");
  EXPECT_EQ(lowerCaseExtension(""), "");
  EXPECT_EQ(lowerCaseExtension(".psd"), ".psd");
  EXPECT_EQ(lowerCaseExtension("a/b/.PsD"), ".psd");
  EXPECT_EQ(lowerCaseExtension("ends.with.dot."), ".");
  EXPECT_EQ(lowerCaseExtension("a/"), "");
  // Only ASCII letters change; other bytes stay as they are.
  EXPECT_EQ(lowerCaseExtension("\xE7\x94\xBB.\xC3\x89P"), ".\xC3\x89p");
}

}  // namespace
}  // namespace kanvo
