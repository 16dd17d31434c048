// The commands in-process with a stand-in for the platform's picture loader: an imported
// picture shows as the program's own open makes it, two 32 bpp layers.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/CliCommands.h"
#include "support/FakeImageLoader.h"
#include "support/MiniJson.h"
#include "support/TempDir.h"

namespace kanvo::cli {
namespace {

std::string contents(std::FILE* f) {
  std::rewind(f);
  std::string s;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

TEST(CliImport, ABmpOpensAsAPictureLayerUnderAnEmptyOne) {
  test::FakeImageLoader loader;
  loader.width = 5;
  loader.height = 2;
  loader.pixels = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0x80FFFFFFu, 0u, 1u, 2u, 3u, 4u, 0xFF000000u};
  CliCommand c;
  c.kind = CliCommand::kInfo;
  c.input = "photo.BMP";
  c.json = true;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_EQ(runCommand(c, out, err, &loader), kExitDone) << contents(err);
  test::Json j;
  ASSERT_TRUE(test::parseJson(contents(out), j));
  EXPECT_EQ(j["width"].asInt(), 5);
  EXPECT_EQ(j["height"].asInt(), 2);
  ASSERT_EQ(j["layers"].array.size(), 2u);
  EXPECT_EQ(j["currentLayer"].asInt(), 1);
  EXPECT_EQ(j["layers"][0]["kind"].asInt(), 2);
  EXPECT_EQ(j["layers"][1]["kind"].asInt(), 2);

  // The probe sees the picture; without a loader the file cannot be opened.
  c.kind = CliCommand::kProbe;
  c.x = 0;
  c.y = 0;
  std::FILE* probeOut = std::tmpfile();
  EXPECT_EQ(runCommand(c, probeOut, err, &loader), kExitDone);
  EXPECT_EQ(contents(probeOut), "0 0 255 255\n");  // 0xFF0000FF: blue in the lowest byte
  std::FILE* noLoaderErr = std::tmpfile();
  EXPECT_EQ(runCommand(c, out, noLoaderErr, nullptr), kExitInput);
  EXPECT_NE(contents(noLoaderErr).find("photo.BMP: BMP files cannot be read here"), std::string::npos);
  for (std::FILE* f : {out, err, probeOut, noLoaderErr}) std::fclose(f);
}

}  // namespace
}  // namespace kanvo::cli
