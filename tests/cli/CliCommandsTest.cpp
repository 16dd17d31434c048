// kanvo-cli end to end: the real binary on native, JPEG, PSD and BMP files, its JSON parsed back,
// its pictures compared with the program's own composite and read by ImageMagick, and every exit
// status with what goes to which stream.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>

#include "cli/DocumentReport.h"
#include "document/Document.h"
#include "formats/CompositeRows.h"
#include "formats/NetpbmWriter.h"
#include "formats/jpeg/JpegImage.h"
#include "formats/native/NativeReader.h"
#include "strings/Cp932.h"
#include "support/CliProcess.h"
#include "support/Corpus.h"
#include "support/NativeFileBuilder.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::CliRun;
using test::corpus;
using test::runCliArgs;

std::string text(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}
// Packed RGBA, or RGB when alpha is left out, of Color32 pixels.
std::string samples(const std::vector<Color32>& pixels, bool alpha) {
  std::string out;
  for (Color32 c : pixels) {
    out += {char(redOf(c)), char(greenOf(c)), char(blueOf(c))};
    if (alpha) out += char(alphaOf(c));
  }
  return out;
}

class CliCommandsTest : public ::testing::Test {
 protected:
  // The tool names new layers in the locale's language: these tests run it without a locale.
  void SetUp() override {
    setenv("LC_ALL", "C", 1);
    test::NativeFileBuilder b(150, 300, 200);  // three bands with layers in every position
    b.addLayer(150, 300, 0, 0, test::patternPixels(150, 300, 1));
    b.addLayer(60, 80, -10, 250, test::patternPixels(60, 80, 2, true));
    b.addLayer(200, 20, -25, -5, test::patternPixels(200, 20, 3));
    ASSERT_TRUE(test::writeWholeFile(sample, b.bytes));
  }
  void TearDown() override { unsetenv("LC_ALL"); }
  // The composite as the program makes it.
  std::vector<Color32> composite(const std::string& path, Color32 background) {
    Document doc(strings);
    EXPECT_FALSE(readNativeDocument(doc, path).isFailed());
    Image32 flat(doc.width(), doc.height());
    EXPECT_TRUE(doc.flatten(flat, exportCompositeOptions(background)));
    std::vector<Color32> px;
    for (int32_t y = 0; y < doc.height(); ++y)
      for (int32_t x = 0; x < doc.width(); ++x) px.push_back(flat.getPixel(x, y));
    return px;
  }
  nlohmann::json infoJson(const std::string& file) {
    return nlohmann::json::parse(runCliArgs({"info", file, "--json"}).out);
  }
  StringTable strings;
  test::TempDir dir;
  const std::string sample = dir.file("sample.knvmob");
};

// Both reports of the document as the program reads it, and nothing else.
TEST_F(CliCommandsTest, InfoPrintsTheReportOfTheDocumentAsTheProgramReadsIt) {
  for (const std::string& file : {corpus("knv_multilayer_64x48.knvmob"), sample}) {
    SCOPED_TRACE(file);
    Document doc(strings);
    ASSERT_TRUE(readNativeDocument(doc, file).isOk());
    const CliRun json = runCliArgs({"info", file, "--json"}), text = runCliArgs({"info", file});
    EXPECT_EQ(std::make_tuple(json.status, json.err, json.out),
              std::make_tuple(0, "", cli::documentJson(doc)));
    EXPECT_EQ(std::make_tuple(text.status, text.err, text.out),
              std::make_tuple(0, "", cli::documentText(doc)));
  }
  // An imported picture: its two layers are named in the locale's language.
  EXPECT_EQ(infoJson(corpus("jpg_1x1_444.jpg")).at("layers").at(0).at("name"), "レイヤー1");
  setenv("LC_ALL", "en_US.UTF-8", 1);
  EXPECT_EQ(infoJson(corpus("jpg_1x1_444.jpg")).at("layers").at(1).at("name"), "Layer2");
}

// Every exit status, with the one line on standard error that names the file (the input, or
// the output that could not be written) and the reason, and standard output empty unless
// something was read. A failed conversion leaves the file it aimed at as it was.
TEST_F(CliCommandsTest, ExitStatusesAndMessages) {
  ASSERT_TRUE(test::writeWholeFile(dir.file("bad.knvmob"), std::string("tiny")));
  const std::string keep = dir.file("keep.pam"), tga = dir.file("x.tga"), cut = dir.file("cut.psd");
  ASSERT_TRUE(test::writeWholeFile(keep, std::string("precious")) &&
              test::writeWholeFile(tga, std::string("tga")));
  ASSERT_EQ(runCliArgs({"convert", sample, cut}).status, 0);
  std::vector<uint8_t> psd = test::readWholeFile(cut);  // cut within the layers' channels
  psd.resize(psd.size() / 3);
  ASSERT_TRUE(test::writeWholeFile(cut, psd));
  const std::string usage = "usage: kanvo-cli info FILE [--json]";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err, out;  // what standard error and output hold ("" for output: nothing)
  } cases[] = {
      {{"--help"}, 0, "", "kanvo-cli convert IN OUT [--quality N]"},
      {{"--version"}, 0, "", "kanvo-cli "},
      {{"info", dir.file("missing.knvmob")}, 1, "No such file", ""},
      {{"probe", dir.file("bad.knvmob"), "0", "0"}, 1, "shorter than", ""},
      {{"convert", dir.file("a.tga"), keep}, 1, "does not open .tga files", ""},
      {{"info", dir.path()}, 1, "without an extension", ""},
      {{"info", corpus("knv_truncated_in_pixels_40x30.knvmob")}, 1, ": warning: ", "layers: 2"},
      {{"info", corpus("knv_truncated_in_pixels_40x30.knvmob"), "--json"}, 1, "2 layers read", "\"layers\""},
      {{"probe", corpus("knv_truncated_header_16x16.knvmob"), "8", "8"}, 1, "warning", "\n"},
      {{"convert", corpus("knv_badzlib_48x32.knvmob"), keep}, 1, "nothing was written", ""},
      {{"convert", cut, keep}, 1, "", ""},
      {{"convert", sample, tga}, 3, tga, ""},
      {{"convert", sample, dir.file("x")}, 3, dir.file("x"), ""},
      {{"convert", sample, dir.file("no/such/x.knvmob")}, 3, dir.file("no/such/x.knvmob"), ""},
      {{"convert", sample, dir.file("no/such/x.psd")}, 3, dir.file("no/such/x.psd"), ""},
      {{"convert", sample, dir.file("no/such/x.jpg")}, 3, dir.file("no/such/x.jpg"), ""},
      {{"convert", sample, dir.file("no/such/x.pam")}, 3, dir.file("no/such/x.pam"), ""},
      {{}, 2, usage, ""},
      {{"frobnicate"}, 2, usage, ""},
      {{"convert", "a", "b.jpg", "--quality", "0"}, 2, usage, ""},
      {{"probe", sample, "-1", "0"}, 2, "outside the 150 x 300 canvas", ""},
      {{"probe", sample, "150", "0"}, 2, "outside the 150 x 300 canvas", ""},
      {{"probe", sample, "0", "300"}, 2, "outside the 150 x 300 canvas", ""},
  };
  for (const auto& c : cases) {
    const CliRun r = runCliArgs(c.args);
    SCOPED_TRACE(::testing::Message() << (c.args.empty() ? "(none)" : c.args[0]) << " "
                                      << (c.args.size() > 1 ? c.args[1] : "") << ": " << r.err);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.err), std::string::npos);
    EXPECT_EQ(r.err.empty(), c.status == 0);
    EXPECT_TRUE(c.status % 2 == 0 || std::count(r.err.begin(), r.err.end(), '\n') == 1);
    EXPECT_TRUE(c.status != 1 || r.err.find(c.args[1]) != std::string::npos);
    EXPECT_EQ(r.out.empty(), c.out.empty()) << r.out;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
  }
  EXPECT_EQ(text(test::readWholeFile(keep)) + text(test::readWholeFile(tga)), "precioustga");
  EXPECT_EQ(dir.entries().size(), 5u);  // nothing else was written
  ASSERT_EQ(runCliArgs({"convert", sample, keep}).status, 0);
  EXPECT_NE(text(test::readWholeFile(keep)), "precious");
}

// One conversion per output kind: PAM holds the composite, PPM the composite over white, byte
// for byte and as ImageMagick reads them; BMP and PSD are written; JPEG is the composite over
// white at the quality asked. Probe gives a pixel of the composite over white.
TEST_F(CliCommandsTest, ConvertAndProbeGiveTheComposite) {
  const std::vector<Color32> white = composite(sample, kOpaqueWhite);
  const std::string rgba = samples(composite(sample, 0), true), overWhite = samples(white, false);
  for (auto [x, y] : {std::pair{0, 0}, {149, 299}, {5, 260}, {75, 10}, {0, 255}, {100, 256}}) {
    const CliRun r = runCliArgs({"probe", sample, std::to_string(x), std::to_string(y)});
    const Color32 c = white[size_t(y) * 150 + size_t(x)];
    EXPECT_EQ(std::make_pair(r.status, r.out),
              std::make_pair(0, std::to_string(redOf(c)) + " " + std::to_string(greenOf(c)) + " " +
                                    std::to_string(blueOf(c)) + " " + std::to_string(alphaOf(c)) + "\n"))
        << r.err;
  }
  const struct {
    std::string name, format, header, pixels;  // "" for the kinds their writers' tests hold
  } outputs[] = {
      {"out.pam", "rgba", pamHeader(150, 300), rgba},
      {"Out.PPM", "rgb", ppmHeader(150, 300), overWhite},
      {"out.BMP", "", "", ""},
      {"out.psd", "", "", ""},
  };
  for (const auto& o : outputs) {
    const CliRun r = runCliArgs({"convert", sample, dir.file(o.name)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");  // no progress bar when standard error is not a terminal
    const std::string written = text(test::readWholeFile(dir.file(o.name)));
    EXPECT_FALSE(written.empty()) << o.name;
    if (o.pixels.empty()) continue;
    EXPECT_TRUE(written == o.header + o.pixels) << o.name;
    const CliRun peer = test::runProgram({"convert", dir.file(o.name), "-depth", "8", o.format + ":-"});
    EXPECT_TRUE(peer.status == 0 && peer.out == o.pixels) << o.name;  // ImageMagick's reading
  }
  Image32 flat(150, 300);
  for (size_t i = 0; i < white.size(); ++i) flat.setPixel(int32_t(i % 150), int32_t(i / 150), white[i]);
  std::vector<uint8_t> want;
  ASSERT_TRUE(encodeJpegImage(flat, 5, want).isOk());
  ASSERT_EQ(runCliArgs({"convert", sample, dir.file("a.jpg"), "--quality=5"}).status, 0);
  EXPECT_EQ(test::readWholeFile(dir.file("a.jpg")), want);
}

TEST_F(CliCommandsTest, AProgressBarIsDrawnOnATerminalOnly) {
  test::NativeFileBuilder b(1024, 1024);  // big enough to report progress several times
  b.addLayer(1024, 1024, 0, 0, test::patternPixels(1024, 1024, 5));
  ASSERT_TRUE(test::writeWholeFile(dir.file("big.knvmob"), b.bytes));
  const CliRun tty = runCliArgs({"convert", dir.file("big.knvmob"), dir.file("big.ppm")}, true);
  EXPECT_EQ(tty.status, 0) << tty.err;
  for (const char* says : {"reading big.knvmob [", "writing big.ppm [", "100%", "\r"})
    EXPECT_NE(tty.err.find(says), std::string::npos) << tty.err;
  EXPECT_EQ(tty.err.find('\n'), std::string::npos);  // drawn in place and wiped
}

}  // namespace
}  // namespace kanvo
