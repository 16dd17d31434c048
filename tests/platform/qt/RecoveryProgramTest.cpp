// Work kept aside against a crash, tried as a user meets it: the program paints, is killed while
// its work is only in the recovery file, and the next start gives the work back.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "formats/native/NativeReader.h"
#include "support/BuildTree.h"
#include "support/DocumentState.h"
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

// The recovery files in folder.
std::vector<fs::path> keptAside(const fs::path& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().extension() == ".knvmob") found.push_back(e.path());
  return found;
}

std::string stateOf(const std::string& path) {
  StringTable strings;
  Document doc(strings);
  EXPECT_TRUE(readNativeDocument(doc, path).isOk()) << path;
  return test::documentState(doc);
}

TEST(RecoveryProgramTest, AProgramKilledAfterPaintingOffersItsWorkAtTheNextStart) {
  test::TempDir home;
  ASSERT_FALSE(home.path().empty());
  Environment env;
  for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
    env.set(name, home.path());
  env.set("QT_QPA_PLATFORM", "offscreen");
  env.set("LC_ALL", "en_US.UTF-8");
  env.set("KANVO_TRACE", "1");
  env.set("KANVO_AUTOSAVE_MS", "100");
  const fs::path recovery = fs::path(home.path()) / "kanvo" / "recovery";
  auto script = [&](const std::string& name, const std::string& lines) {
    std::ofstream(home.file(name)) << lines;
    env.set("KANVO_INPUT_SCRIPT", home.file(name));
  };

  // Two strokes across the canvas, the second crossing the first.
  script("paint", "copy " + home.file("before.knvmob") +
                      "\npress 60 80\nmove 90 95\nmove 140 120\nmove 210 150\nrelease 210 150\n"
                      "press 200 60\nmove 170 110\nmove 120 170\nrelease 120 170\ncopy " +
                      home.file("painted.knvmob") + "\n");
  auto first = std::make_unique<test::RunningProgram>(std::vector<std::string>{test::windowProgram()});
  ASSERT_TRUE(first->waitFor("kanvo: copied Untitled, changed", 60000));
  ASSERT_TRUE(first->waitFor("kanvo: script done"));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (keptAside(recovery).empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(keptAside(recovery).size(), 1u) << "no work was kept aside";
  first->kill(SIGKILL);

  script("look", "copy " + home.file("restored.knvmob") + "\n");
  test::RunningProgram second({test::windowProgram()});
  EXPECT_TRUE(second.waitFor("kanvo: message Unsaved work: Restore unsaved work from ", 60000));
  ASSERT_TRUE(second.waitFor("kanvo: copied Untitled, changed"));  // the answer was Yes
  const std::string painted = stateOf(home.file("painted.knvmob"));
  EXPECT_NE(painted, stateOf(home.file("before.knvmob")));
  EXPECT_TRUE(stateOf(home.file("restored.knvmob")) == painted);
  EXPECT_EQ(test::readWholeFile(home.file("restored.knvmob")), test::readWholeFile(home.file("painted.knvmob")));
  EXPECT_EQ(keptAside(recovery).size(), 1u);  // the restored work is the second start's own now
}

}  // namespace
}  // namespace kanvo
