// The window program as a user starts it: one running instance per user, and what an
// installation puts in place.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <QImage>
#include <filesystem>

#include "formats/bmp/BmpWriter.h"
#include "raster/image/Image32.h"
#include "support/BuildTree.h"
#include "support/CliProcess.h"
#include "support/RunningProgram.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(runtime.path().empty());
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    setenv("XDG_DATA_HOME", runtime.path().c_str(), 1);  // the work kept aside goes here too
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("KANVO_TRACE", "1", 1);
  }
  // The window program with args; waits for its first frame unless told not to.
  std::unique_ptr<test::RunningProgram> start(std::vector<std::string> args = {}, bool wait = true) {
    args.insert(args.begin(), test::windowProgram());
    auto p = std::make_unique<test::RunningProgram>(args);
    if (wait) {
      EXPECT_TRUE(p->waitFor("kanvo: ready")) << "the window did not come up";
    }
    return p;
  }
  test::TempDir runtime;
};

// A second start raises the running window, or hands it its file (named relative to the second
// start's folder), and ends; a crashed first start leaves a lock and a socket that do not count.
TEST_F(ProgramTest, ASecondStartHandsOverAndEnds) {
  auto first = start();
  const test::CliRun second = test::runProgram({test::windowProgram()});
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_TRUE(first->waitFor("kanvo: raise"));

  first->kill(SIGKILL);
  test::TempDir files;
  Image32 picture(7, 5);
  picture.fill(rgba(1, 2, 3));
  const std::string path = files.file("handed.bmp");
  ASSERT_TRUE(writeBmp(picture, path).isOk());
  auto third = start();
  const std::string relative = std::filesystem::relative(path).string();
  ASSERT_NE(relative[0], '/');
  const test::CliRun fourth = test::runProgram({test::windowProgram(), relative});
  EXPECT_EQ(fourth.status, 0) << fourth.err;
  EXPECT_TRUE(third->waitFor("kanvo: opened " + path));
  EXPECT_TRUE(third->waitFor("kanvo: document 7 x 5, 2 layers, " + path));
}

TEST_F(ProgramTest, AFileThatCannotBeOpenedLeavesTheStartDocument) {
  test::TempDir files;
  auto first = start({files.file("missing.psd")}, false);
  EXPECT_TRUE(first->waitFor("kanvo: message "));  // the file opens before the first frame
  EXPECT_TRUE(first->waitFor("kanvo: document 512 x 512, 2 layers, Untitled"));
  EXPECT_TRUE(first->waitFor("kanvo: ready"));
}

TEST(InstallTest, EveryFileInPlaceAndTheEntryValid) {
  test::TempDir prefix;
  const test::CliRun install =
      test::runProgram({"cmake", "--install", test::buildTree().string(), "--prefix", prefix.path()});
  ASSERT_EQ(install.status, 0) << install.err;
  const std::filesystem::path p = prefix.path();
  for (const char* program : {"bin/kanvo", "bin/kanvo-cli"})
    EXPECT_TRUE(std::filesystem::is_regular_file(p / program)) << program;
  for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string size = std::to_string(side) + "x" + std::to_string(side);
    const QImage icon(QString::fromStdString((p / "share/icons/hicolor" / size / "apps/kanvo.png").string()));
    EXPECT_EQ(icon.size(), QSize(side, side)) << size;
  }
  auto text = [&](const char* file) {
    const std::vector<uint8_t> bytes = test::readWholeFile((p / file).string());
    return std::string(bytes.begin(), bytes.end());
  };
  EXPECT_NE(text("share/icons/hicolor/scalable/apps/kanvo.svg").find("<svg"), std::string::npos);
  const std::string mime = text("share/mime/packages/kanvo.xml");
  EXPECT_NE(mime.find("<glob pattern=\"*.knvmob\"/>"), std::string::npos);
  EXPECT_NE(mime.find("type=\"application/x-kanvo\""), std::string::npos);

  const std::string entry = (p / "share/applications/kanvo.desktop").string();
  const test::CliRun validate = test::runProgram({"desktop-file-validate", entry});
  EXPECT_EQ(validate.status, 0);
  EXPECT_EQ(validate.out + validate.err, "");
}

}  // namespace
}  // namespace kanvo
