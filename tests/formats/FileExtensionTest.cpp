#include "formats/FileExtension.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(FileExtension, TakesTheLastDotOfTheNameLowerCased) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"pictures/KNV_UPPER_9x9.KNVMOB", ".knvmob"}, {"x.tar.JPEG", ".jpeg"}, {"dir.d/name", ""}, {"", ""},
      {"a/b/.PsD", ".psd"}, {"ends.with.dot.", "."}, {"a/", ""},
      {"\xE7\x94\xBB.\xC3\x89P", ".\xC3\x89p"}};  // only ASCII letters change
  // clang-format on
  for (const auto& [name, extension] : cases) EXPECT_EQ(lowerCaseExtension(name), extension) << name;
}

}  // namespace
}  // namespace kanvo
