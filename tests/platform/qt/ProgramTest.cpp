// The window program as a user starts it: one running instance per user, the work of a killed
// program given back at the next start, and what an installation puts in place.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "formats/bmp/BmpWriter.h"
#include "raster/image/Image32.h"
#include "support/BuildTree.h"
#include "support/CliProcess.h"
#include "support/RunningProgram.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for the test's programs and puts the old values back at the end.
class Environment {
 public:
  void set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    setenv(name, value.c_str(), 1);
  }
  ~Environment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      it->second ? void(setenv(it->first, it->second->c_str(), 1)) : void(unsetenv(it->first));
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

class ProgramTest : public ::testing::Test {
 protected:
  // The programs' home, settings, data, runtime and temporary folders are the test's own.
  void SetUp() override {
    ASSERT_FALSE(home.path().empty());
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
      env.set(name, home.path());
    env.set("QT_QPA_PLATFORM", "offscreen");
    env.set("LC_ALL", "en_US.UTF-8");
    env.set("KANVO_TRACE", "1");
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
  Environment env;
  test::TempDir home;
};

// A second start raises the running window, or hands it its file (named relative to the second
// start's folder), and ends; a crashed first start leaves a lock and a socket that do not count.
TEST_F(ProgramTest, ASecondStartHandsOverAndEnds) {
  auto first = start();
  const test::CliRun second = test::runProgram({test::windowProgram()});
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_TRUE(first->waitFor("kanvo: raise"));

  first->kill(SIGKILL);
  Image32 picture(7, 5);
  picture.fill(rgba(1, 2, 3));
  const std::string path = home.file("handed.bmp");
  ASSERT_TRUE(writeBmp(picture, path).isOk());
  auto third = start();
  const std::string relative = std::filesystem::relative(path).string();
  ASSERT_NE(relative[0], '/');
  const test::CliRun fourth = test::runProgram({test::windowProgram(), relative});
  EXPECT_EQ(fourth.status, 0) << fourth.err;
  EXPECT_TRUE(third->waitFor("kanvo: opened " + path));
  EXPECT_TRUE(third->waitFor("kanvo: document 7 x 5, 2 layers, " + path));
}

// The recovery files in folder.
std::vector<fs::path> keptAside(const fs::path& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().extension() == ".knvmob") found.push_back(e.path());
  return found;
}

// The running program keeps its work aside on its own; killed, its next start asks and gives
// the work back (what the file holds, and when it is written, are the recovery's own tests').
TEST_F(ProgramTest, AProgramKilledAfterPaintingOffersItsWorkAtTheNextStart) {
  env.set("KANVO_AUTOSAVE_MS", "100");
  const fs::path recovery = fs::path(home.path()) / "kanvo" / "recovery";
  auto script = [&](const std::string& name, const std::string& lines) {
    std::ofstream(home.file(name)) << lines;
    env.set("KANVO_INPUT_SCRIPT", home.file(name));
  };

  script("paint", "press 60 80\nmove 140 120\nrelease 140 120\ncopy " + home.file("painted.knvmob") + "\n");
  auto first = start({}, false);
  ASSERT_TRUE(first->waitFor("kanvo: copied Untitled, changed", 60000));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (keptAside(recovery).empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(keptAside(recovery).size(), 1u) << "no work was kept aside";
  const fs::path kept = keptAside(recovery)[0];
  first->kill(SIGKILL);

  script("look", "copy " + home.file("restored.knvmob") + "\n");
  auto second = start({}, false);
  EXPECT_TRUE(second->waitFor("kanvo: message Unsaved work: Restore unsaved work from ", 60000));
  ASSERT_TRUE(second->waitFor("kanvo: copied Untitled, changed"));  // the answer was Yes
  EXPECT_EQ(test::readWholeFile(home.file("restored.knvmob")), test::readWholeFile(home.file("painted.knvmob")));
  const std::vector<fs::path> now = keptAside(recovery);
  EXPECT_TRUE(now.size() == 1 && now[0] != kept);  // the restored work is the second start's own now
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
