#include <gtest/gtest.h>

#include <map>

#include "formats/NetpbmWriter.h"
#include "support/RandomImages.h"
#include "support/ScriptedSession.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// The scripted session on a corpus picture: every step's window is written as a PPM file; the
// zoom keeps the pressed point, the band shows while dragged and goes at the release.
TEST(ScriptedSessionTest, WindowPicturesOfASession) {
  test::TempDir dir;
  test::Session session;
  std::map<std::string, std::vector<Color32>> shots;
  CanvasPoint pressed;
  const bool opened = session.run(KANVO_CORPUS_DIR "/psd_flat_rgb_rle_1500x1000.psd", [&](const std::string& name,
                                                                                         const Image32& window) {
    ASSERT_TRUE(writePpm(dir.file(name + ".ppm"), reinterpret_cast<const Color32*>(window.bits()), window.width(),
                         window.height(), window.width())
                    .isOk());
    shots[name] = test::pixelsOf(window);
    if (name == "1-opened") pressed = session.view.windowToCanvas(300, 120);
    if (name == "2-zoomed-at-point") {
      const CanvasPoint now = session.view.windowToCanvas(300, 120);
      EXPECT_NEAR(now.x, pressed.x, 1e-9);
      EXPECT_NEAR(now.y, pressed.y, 1e-9);
      EXPECT_EQ(session.view.zoom(), 0.5);
    }
  });
  ASSERT_TRUE(opened);
  ASSERT_EQ(shots.size(), 7u);
  EXPECT_EQ(test::readWholeFile(dir.file("6-rectangle-band.ppm")).size(), 15u + 480u * 320u * 3u);
  const auto pixel = [&](const std::string& shot, int x, int y) { return shots[shot][size_t(y) * 480 + size_t(x)]; };
  EXPECT_EQ(pixel("6-rectangle-band", 120, 80), kOpaqueBlack);  // the band's corner, its white twin below
  EXPECT_EQ(pixel("6-rectangle-band", 200, 81), kOpaqueWhite);
  EXPECT_EQ(pixel("7-released", 200, 81), pixel("5-scrolled-with-hand", 200, 81));
  EXPECT_NE(shots["3-turned-15"], shots["2-zoomed-at-point"]);
  EXPECT_NE(shots["4-mirrored"], shots["3-turned-15"]);
  EXPECT_NE(shots["5-scrolled-with-hand"], shots["4-mirrored"]);
}

}  // namespace
}  // namespace kanvo
