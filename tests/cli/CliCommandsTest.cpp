// kanvo-cli end to end: the real binary on native files, its output parsed back, its files
// compared with the program's own composite and read by ImageMagick, and every exit status.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "document/Document.h"
#include "formats/CompositeRows.h"
#include "formats/jpeg/JpegImage.h"
#include "formats/native/NativeReader.h"
#include "formats/NetpbmWriter.h"
#include "strings/Cp932.h"
#include "strings/StringTable.h"
#include "support/CliProcess.h"
#include "support/MiniJson.h"
#include "support/NativeFileBuilder.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::CliRun;
using test::Json;
using test::runCliArgs;

std::string corpus(const std::string& name) {
  return std::string(KANVO_CORPUS_DIR) + "/" + name;
}

size_t lines(const std::string& s) {
  return size_t(std::count(s.begin(), s.end(), '\n'));
}

class CliCommandsTest : public ::testing::Test {
 protected:
  // The tool names new layers in the locale's language: these tests run it without a locale.
  void SetUp() override { setenv("LC_ALL", "C", 1); }
  void TearDown() override { unsetenv("LC_ALL"); }
  // A document of three bands with layers in every position, written to the temporary folder.
  std::string sampleFile() {
    test::NativeFileBuilder b(150, 300, 200);
    b.addLayer(150, 300, 0, 0, test::patternPixels(150, 300, 1));
    b.addLayer(60, 80, -10, 250, test::patternPixels(60, 80, 2, true));
    b.addLayer(200, 20, -25, -5, test::patternPixels(200, 20, 3));
    const std::string path = dir.file("sample.knvmob");
    EXPECT_TRUE(test::writeWholeFile(path, b.bytes));
    return path;
  }
  // The composite as the program makes it, for comparison.
  std::vector<Color32> composite(const std::string& path, Color32 background) {
    Document doc(strings);
    EXPECT_FALSE(readNativeDocument(doc, path).isFailed());
    Image32 flat(doc.width(), doc.height());
    EXPECT_TRUE(doc.flatten(flat, exportCompositeOptions(background)));
    std::vector<Color32> px(size_t(doc.width()) * size_t(doc.height()));
    for (int32_t y = 0; y < doc.height(); ++y)
      std::memcpy(&px[size_t(y) * size_t(doc.width())], flat.rowAddress(y), size_t(doc.width()) * 4);
    return px;
  }
  // ImageMagick's reading of a picture as raw bytes (format "rgba" or "rgb").
  std::string peerRead(const std::string& file, const std::string& format) {
    std::string cmd = "convert '" + file + "' -depth 8 " + format + ":- 2>/dev/null";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
  }
  StringTable strings;
  test::TempDir dir;
};

TEST_F(CliCommandsTest, InfoJsonMatchesEveryNativeFileOfTheCorpus) {
  for (const char* name :
       {"knv_multilayer_64x48.knvmob", "knv_skipchunks_17x9.knvmob", "knv_headeronly_33x22.knvmob",
        "knv_size0_ends_12x12.knvmob", "KNV_UPPER_9x9.KNVMOB"}) {
    SCOPED_TRACE(name);
    CliRun r = runCliArgs({"info", corpus(name), "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Json j;
    ASSERT_TRUE(test::parseJson(r.out, j)) << r.out;
    Document doc(strings);
    ASSERT_TRUE(readNativeDocument(doc, corpus(name)).isOk());
    EXPECT_EQ(j["width"].asInt(), doc.width());
    EXPECT_EQ(j["height"].asInt(), doc.height());
    EXPECT_EQ(j["resolution"].asInt(), doc.resolution);
    EXPECT_EQ(j["currentLayer"].asInt(), doc.currentLayerIndex());
    ASSERT_EQ(j["layers"].array.size(), size_t(doc.layerCount()));
    for (int32_t i = 0; i < doc.layerCount(); ++i) {
      const Json& l = j["layers"][size_t(i)];
      const Layer& layer = *doc.layer(i);
      EXPECT_EQ(l["name"].string, cp932ToUtf8(layer.name));
      EXPECT_EQ(l["name"].string, "レイヤー" + std::to_string(i + 1));
      EXPECT_EQ(l["kind"].asInt(), 2);
      EXPECT_EQ(l["offsetX"].asInt(), layer.offsetX);
      EXPECT_EQ(l["offsetY"].asInt(), layer.offsetY);
      EXPECT_EQ(l["width"].asInt(), int64_t(layer.storeWidth()));
      EXPECT_EQ(l["height"].asInt(), int64_t(layer.storeHeight()));
      EXPECT_EQ(l["opacity"].asInt(), 255);
      EXPECT_TRUE(l["visible"].boolean);
      EXPECT_EQ(l["blendMode"].asInt(), 0);
      EXPECT_FALSE(l["protected"].boolean);
    }
  }
}

TEST_F(CliCommandsTest, InfoTextDescribesTheDocument) {
  CliRun r = runCliArgs({"info", corpus("knv_multilayer_64x48.knvmob")});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("64 x 48 pixels, 72 dpi"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("layers: 4 (current: 3)"), std::string::npos);
  EXPECT_NE(r.out.find("21 x 15 at (-7, -5)"), std::string::npos);
  EXPECT_EQ(lines(r.out), 6u);
}

TEST_F(CliCommandsTest, ADamagedFileIsPrintedAsFarAsReadWithAWarningAndStatusOne) {
  for (bool json : {false, true}) {
    std::vector<std::string> args = {"info", corpus("knv_truncated_in_pixels_40x30.knvmob")};
    if (json) args.push_back("--json");
    CliRun r = runCliArgs(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines(r.err), 1u) << r.err;
    EXPECT_EQ(r.err.rfind(corpus("knv_truncated_in_pixels_40x30.knvmob") + ": warning: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("2 layers read"), std::string::npos);
    if (json) {
      Json j;
      ASSERT_TRUE(test::parseJson(r.out, j));
      EXPECT_EQ(j["layers"].array.size(), 2u);
    } else {
      EXPECT_NE(r.out.find("layers: 2"), std::string::npos);
    }
  }
}

TEST_F(CliCommandsTest, InputsThatCannotBeOpenedExitOneWithTheFileAndReasonOnOneLine) {
  ASSERT_TRUE(test::writeWholeFile(dir.file("a.psd"), std::string("8BPS")));
  ASSERT_TRUE(test::writeWholeFile(dir.file("bad.knvmob"), std::string("tiny")));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir.file("missing.knvmob"), "No such file"}, {dir.file("a.psd"), "not a PSD file"},
      {dir.file("bad.knvmob"), "shorter than"},     {dir.file("a.png"), "does not open .png files"},
      {dir.path(), "without an extension"},
  };
  for (const auto& [file, says] : cases) {
    for (const char* command : {"info", "probe", "convert"}) {
      std::vector<std::string> args = {command, file};
      if (std::string(command) == "probe") args.insert(args.end(), {"0", "0"});
      if (std::string(command) == "convert") args.push_back(dir.file("out.pam"));
      CliRun r = runCliArgs(args);
      EXPECT_EQ(r.status, 1) << command << " " << file;
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(lines(r.err), 1u) << r.err;
      EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
  }
  EXPECT_EQ(dir.entries().size(), 2u);  // nothing was written
}

TEST_F(CliCommandsTest, WrongUsageExitsTwoWithTheUsage) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"info"},
                                             {"frobnicate"},
                                             {"convert", "a.knvmob"},
                                             {"convert", "a", "b.jpg", "--quality", "0"},
                                             {"probe", "a", "x", "1"},
                                             {"info", "a", "--bogus"}}) {
    CliRun r = runCliArgs(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("usage: kanvo-cli info FILE [--json]"), std::string::npos) << r.err;
  }
  CliRun help = runCliArgs({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("kanvo-cli convert IN OUT [--quality N]"), std::string::npos);
  CliRun version = runCliArgs({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("kanvo-cli ", 0), 0u);
}

TEST_F(CliCommandsTest, ConvertWritesTheCompositeAsPamAndPpm) {
  const std::string in = sampleFile();
  CliRun pam = runCliArgs({"convert", in, dir.file("out.pam")});
  ASSERT_EQ(pam.status, 0) << pam.err;
  EXPECT_EQ(pam.out, "");
  EXPECT_EQ(pam.err, "");  // no progress bar when standard error is not a terminal
  std::vector<Color32> over0 = composite(in, 0);
  std::vector<uint8_t> bytes = test::readWholeFile(dir.file("out.pam"));
  const std::string header = pamHeader(150, 300);
  ASSERT_EQ(bytes.size(), header.size() + over0.size() * 4);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + ptrdiff_t(header.size())), header);
  std::string rgba;
  for (Color32 c : over0) rgba += {char(redOf(c)), char(greenOf(c)), char(blueOf(c)), char(alphaOf(c))};
  EXPECT_TRUE(std::string(bytes.begin() + ptrdiff_t(header.size()), bytes.end()) == rgba);
  EXPECT_EQ(peerRead(dir.file("out.pam"), "rgba"), rgba);

  CliRun ppm = runCliArgs({"convert", in, dir.file("Out.PPM")});
  ASSERT_EQ(ppm.status, 0) << ppm.err;
  std::vector<Color32> overWhite = composite(in, kOpaqueWhite);
  std::string rgb;
  for (Color32 c : overWhite) rgb += {char(redOf(c)), char(greenOf(c)), char(blueOf(c))};
  bytes = test::readWholeFile(dir.file("Out.PPM"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ppmHeader(150, 300) + rgb);
  EXPECT_EQ(peerRead(dir.file("Out.PPM"), "rgb"), rgb);
}

TEST_F(CliCommandsTest, ConvertReplacesAFileOnlyWithACompleteOne) {
  const std::string in = sampleFile();
  const std::string out = dir.file("keep.pam");
  ASSERT_TRUE(test::writeWholeFile(out, std::string("precious")));
  auto unchanged = [&] {
    std::vector<uint8_t> b = test::readWholeFile(out);
    return std::string(b.begin(), b.end()) == "precious";
  };
  // A damaged input: nothing is written, status 1.
  CliRun damaged = runCliArgs({"convert", corpus("knv_badzlib_48x32.knvmob"), out});
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.err.find("nothing was written"), std::string::npos) << damaged.err;
  EXPECT_EQ(lines(damaged.err), 1u);
  EXPECT_TRUE(unchanged());
  // Names that write nothing and outputs that cannot be written: status 3.
  for (const std::string& target :
       {dir.file("x.png"), dir.file("x.tga"), dir.file("no/such/x.psd"), dir.file("no/such/x.bmp"), dir.file("no/such/x.jpg"),
        dir.file("x"), dir.file("x.knvmob"), dir.file("no/such/x.pam")}) {
    CliRun r = runCliArgs({"convert", in, target});
    EXPECT_EQ(r.status, 3) << target;
    EXPECT_EQ(lines(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find(target), std::string::npos) << r.err;
  }
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  CliRun readOnly = runCliArgs({"convert", in, out});
  chmod(dir.path().c_str(), 0755);
  if (geteuid() != 0) {  // root writes anywhere
    EXPECT_EQ(readOnly.status, 3);
    EXPECT_TRUE(unchanged());
  }
  // The .png name leaves an existing file alone too.
  ASSERT_TRUE(test::writeWholeFile(dir.file("x.png"), std::string("png")));
  EXPECT_EQ(runCliArgs({"convert", in, dir.file("x.png")}).status, 3);
  std::vector<uint8_t> png = test::readWholeFile(dir.file("x.png"));
  EXPECT_EQ(std::string(png.begin(), png.end()), "png");
  // And a good conversion replaces it.
  ASSERT_EQ(runCliArgs({"convert", in, out}).status, 0);
  EXPECT_FALSE(unchanged());
}

TEST_F(CliCommandsTest, JpegInAndOut) {
  // A JPEG opens as the program imports it; converting it to PPM gives the decoded picture.
  const std::string jpg = corpus("jpg_444_q85_64x64.jpg");
  CliRun info = runCliArgs({"info", jpg, "--json"});
  ASSERT_EQ(info.status, 0) << info.err;
  Json j;
  ASSERT_TRUE(test::parseJson(info.out, j));
  EXPECT_EQ(j["width"].asInt(), 64);
  EXPECT_EQ(j["layers"].array.size(), 2u);
  EXPECT_EQ(j["currentLayer"].asInt(), 1);
  ASSERT_EQ(runCliArgs({"convert", jpg, dir.file("j.ppm")}).status, 0);
  Image32 decoded;
  ASSERT_TRUE(decodeJpegImage(test::readWholeFile(jpg), decoded).isOk());
  std::string rgb = ppmHeader(64, 64);
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x) {
      const Color32 c = decoded.getPixel(x, y);
      rgb += {char(redOf(c)), char(greenOf(c)), char(blueOf(c))};
    }
  std::vector<uint8_t> written = test::readWholeFile(dir.file("j.ppm"));
  EXPECT_TRUE(std::string(written.begin(), written.end()) == rgb);
  // Out as JPEG at the quality asked; ImageMagick reads it back at the canvas size.
  const std::string in = sampleFile();
  ASSERT_EQ(runCliArgs({"convert", in, dir.file("low.jpg"), "--quality", "5"}).status, 0);
  ASSERT_EQ(runCliArgs({"convert", in, dir.file("high.jpg"), "--quality=95"}).status, 0);
  EXPECT_LT(test::readWholeFile(dir.file("low.jpg")).size(),
            test::readWholeFile(dir.file("high.jpg")).size());
  EXPECT_EQ(peerRead(dir.file("high.jpg"), "rgb").size(), size_t(150) * 300 * 3);
  // A progressive JPEG is a kind the program does not read: status 1, one line.
  CliRun progressive = runCliArgs({"info", corpus("jpg_progressive_64x64.jpg")});
  EXPECT_EQ(progressive.status, 1);
  EXPECT_EQ(lines(progressive.err), 1u);
  EXPECT_EQ(progressive.out, "");
}

TEST_F(CliCommandsTest, NewLayerNamesFollowTheLocale) {
  CliRun japanese = runCliArgs({"info", corpus("jpg_1x1_444.jpg"), "--json"});
  setenv("LC_ALL", "en_US.UTF-8", 1);
  CliRun english = runCliArgs({"info", corpus("jpg_1x1_444.jpg"), "--json"});
  Json j, e;
  ASSERT_TRUE(test::parseJson(japanese.out, j));
  ASSERT_TRUE(test::parseJson(english.out, e));
  EXPECT_EQ(j["layers"][0]["name"].string, "レイヤー1");
  EXPECT_EQ(e["layers"][0]["name"].string, "Layer1");
  EXPECT_EQ(e["layers"][1]["name"].string, "Layer2");
}

TEST_F(CliCommandsTest, PsdAndBmpInAndOut) {
  // A layered document goes out as PSD and comes back with the same layers and composite.
  const std::string in = sampleFile();
  const std::string psd = dir.file("out.psd");
  ASSERT_EQ(runCliArgs({"convert", in, psd}).status, 0);
  CliRun before = runCliArgs({"info", in, "--json"});
  CliRun after = runCliArgs({"info", psd, "--json"});
  ASSERT_EQ(after.status, 0) << after.err;
  Json a, b;
  ASSERT_TRUE(test::parseJson(before.out, a));
  ASSERT_TRUE(test::parseJson(after.out, b));
  EXPECT_EQ(b["width"].asInt(), 150);
  EXPECT_EQ(b["height"].asInt(), 300);
  ASSERT_EQ(b["layers"].array.size(), a["layers"].array.size());
  for (size_t i = 0; i < a["layers"].array.size(); ++i) {
    EXPECT_EQ(b["layers"].array[i]["name"].string, a["layers"].array[i]["name"].string);
    EXPECT_EQ(b["layers"].array[i]["opacity"].asInt(), a["layers"].array[i]["opacity"].asInt());
  }
  ASSERT_EQ(runCliArgs({"convert", in, dir.file("a.pam")}).status, 0);
  ASSERT_EQ(runCliArgs({"convert", psd, dir.file("b.pam")}).status, 0);
  EXPECT_TRUE(test::readWholeFile(dir.file("a.pam")) == test::readWholeFile(dir.file("b.pam")));
  // ImageMagick sees every layer of our PSD (its first image is the merged one).
  EXPECT_FALSE(peerRead(psd + "[3]", "rgba").empty());

  // Out as BMP: the flattened composite put over white by the writer; ImageMagick and our own
  // open read it alike.
  const std::string bmp = dir.file("out.BMP");
  ASSERT_EQ(runCliArgs({"convert", psd, bmp}).status, 0);
  std::string expected;
  for (Color32 c : composite(in, 0)) {
    const int alpha = alphaOf(c);
    for (int v : {redOf(c), greenOf(c), blueOf(c)}) expected += char((255 * (255 - alpha) + v * (alpha + 1)) >> 8);
  }
  EXPECT_TRUE(peerRead(bmp, "rgb") == expected);
  ASSERT_EQ(runCliArgs({"convert", bmp, dir.file("bmp.ppm")}).status, 0);
  std::vector<uint8_t> back = test::readWholeFile(dir.file("bmp.ppm"));
  EXPECT_TRUE(std::string(back.begin(), back.end()) == ppmHeader(150, 300) + expected);
  CliRun bmpInfo = runCliArgs({"info", bmp, "--json"});
  ASSERT_EQ(bmpInfo.status, 0) << bmpInfo.err;
  Json j;
  ASSERT_TRUE(test::parseJson(bmpInfo.out, j));
  EXPECT_EQ(j["layers"].array.size(), 2u);

  // A PSD cut short: info shows what was read with a warning, convert writes nothing; both exit 1.
  std::vector<uint8_t> bytes = test::readWholeFile(psd);
  bytes.resize(bytes.size() / 3);  // within the layers' channels
  ASSERT_TRUE(test::writeWholeFile(dir.file("cut.psd"), bytes));
  CliRun cut = runCliArgs({"info", dir.file("cut.psd")});
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.out.find("layers"), std::string::npos) << cut.out;
  EXPECT_EQ(lines(cut.err), 1u) << cut.err;
  EXPECT_EQ(runCliArgs({"convert", dir.file("cut.psd"), dir.file("cut.bmp")}).status, 1);
  EXPECT_FALSE(std::ifstream(dir.file("cut.bmp")).good());
}

TEST_F(CliCommandsTest, ProbeGivesTheCompositeOverWhite) {
  const std::string in = sampleFile();
  std::vector<Color32> overWhite = composite(in, kOpaqueWhite);
  Document doc(strings);
  ASSERT_TRUE(readNativeDocument(doc, in).isOk());
  for (auto [x, y] :
       std::vector<std::pair<int, int>>{{0, 0}, {149, 299}, {5, 260}, {75, 10}, {0, 255}, {100, 256}}) {
    CliRun r = runCliArgs({"probe", in, std::to_string(x), std::to_string(y)});
    ASSERT_EQ(r.status, 0) << r.err;
    const Color32 c = doc.probeColour(x, y);
    EXPECT_EQ(c, overWhite[size_t(y) * 150 + size_t(x)]);
    EXPECT_EQ(r.out, std::to_string(redOf(c)) + " " + std::to_string(greenOf(c)) + " " +
                         std::to_string(blueOf(c)) + " " + std::to_string(alphaOf(c)) + "\n");
  }
  for (auto [x, y] :
       std::vector<std::pair<std::string, std::string>>{{"-1", "0"}, {"150", "0"}, {"0", "300"}}) {
    CliRun r = runCliArgs({"probe", in, x, y});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("outside the 150 x 300 canvas"), std::string::npos) << r.err;
  }
  CliRun partial = runCliArgs({"probe", corpus("knv_truncated_header_16x16.knvmob"), "8", "8"});
  EXPECT_EQ(partial.status, 1);
  EXPECT_EQ(lines(partial.out), 1u);
  EXPECT_NE(partial.err.find("warning"), std::string::npos);
}

TEST_F(CliCommandsTest, AProgressBarIsDrawnOnATerminalOnly) {
  // A document big enough to report progress several times.
  test::NativeFileBuilder b(1024, 1024);
  b.addLayer(1024, 1024, 0, 0, test::patternPixels(1024, 1024, 5));
  ASSERT_TRUE(test::writeWholeFile(dir.file("big.knvmob"), b.bytes));
  CliRun tty = runCliArgs({"convert", dir.file("big.knvmob"), dir.file("big.ppm")}, true);
  EXPECT_EQ(tty.status, 0) << tty.err;
  EXPECT_NE(tty.err.find("reading big.knvmob ["), std::string::npos) << tty.err;
  EXPECT_NE(tty.err.find("writing big.ppm ["), std::string::npos) << tty.err;
  EXPECT_NE(tty.err.find("100%"), std::string::npos);
  EXPECT_NE(tty.err.find('\r'), std::string::npos);
  EXPECT_EQ(tty.err.find('\n'), std::string::npos);  // drawn in place and wiped
  CliRun pipe = runCliArgs({"convert", dir.file("big.knvmob"), dir.file("big2.ppm")});
  EXPECT_EQ(pipe.status, 0);
  EXPECT_EQ(pipe.err, "");
  // Errors still reach a terminal as one line.
  CliRun missing = runCliArgs({"info", dir.file("none.knvmob")}, true);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("none.knvmob"), std::string::npos);
}

}  // namespace
}  // namespace kanvo
