// The commands in-process with a stand-in for the platform's picture loader: an imported
// picture shows as the program's own open makes it, two 32 bpp layers.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/CliCommands.h"
#include "support/FakeImageLoader.h"
#include "support/MiniJson.h"

namespace kanvo::cli {
namespace {

// Runs the command with standard output and error in temporary files; returns the status.
int run(const CliCommand& c, const ImageLoader* loader, std::string& out, std::string& err) {
  std::FILE* files[2] = {std::tmpfile(), std::tmpfile()};
  const int status = runCommand(c, files[0], files[1], loader);
  for (int i = 0; i < 2; ++i) {
    std::string& s = i == 0 ? out : err;
    std::rewind(files[i]);
    s.clear();
    for (int ch; (ch = std::fgetc(files[i])) != EOF;) s += char(ch);
    std::fclose(files[i]);
  }
  return status;
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
  std::string out, err;
  ASSERT_EQ(run(c, &loader, out, err), kExitDone) << err;
  test::Json j;
  ASSERT_TRUE(test::parseJson(out, j));
  EXPECT_EQ(std::tuple(j["width"].asInt(), j["height"].asInt(), j["currentLayer"].asInt()),
            std::tuple(5, 2, 1));
  ASSERT_EQ(j["layers"].array.size(), 2u);
  EXPECT_EQ(std::tuple(j["layers"][0]["kind"].asInt(), j["layers"][1]["kind"].asInt()), std::tuple(2, 2));

  // The probe sees the picture; without a loader the file cannot be opened.
  c.kind = CliCommand::kProbe;
  EXPECT_EQ(run(c, &loader, out, err), kExitDone);
  EXPECT_EQ(out, "0 0 255 255\n");  // 0xFF0000FF: blue in the lowest byte
  EXPECT_EQ(run(c, nullptr, out, err), kExitInput);
  EXPECT_NE(err.find("photo.BMP: BMP files cannot be read here"), std::string::npos);
}

}  // namespace
}  // namespace kanvo::cli
