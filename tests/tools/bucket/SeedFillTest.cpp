// The seed fill against a plain flood fill (every 4-connected neighbour visited one by one) on
// random pictures of every depth, a one-pixel serpentine and a checkerboard, the distances
// where the tolerance decides, and the seeds that must find nothing.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/RandomImages.h"
#include "tools/bucket/SeedFill.h"

namespace kanvo {
namespace {

template <class Source, class Distance>
void expectFlood(const Source& s, int32_t x, int32_t y, int32_t tolerance, Distance distance) {
  const int32_t w = int32_t(s.width()), h = int32_t(s.height());
  std::vector<uint8_t> flood(size_t(w) * size_t(h)), found;
  for (std::vector<std::pair<int32_t, int32_t>> todo{{x, y}}; !todo.empty();) {
    auto [px, py] = todo.back();
    todo.pop_back();
    if (px < 0 || py < 0 || px >= w || py >= h || flood[size_t(px + w * py)] != 0) continue;
    if (distance(s.getPixel(px, py), s.getPixel(x, y)) >= tolerance) continue;
    flood[size_t(px + w * py)] = 255;
    todo.insert(todo.end(), {{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}});
  }
  TiledImage8 mask;
  ASSERT_TRUE(mask.resize(uint32_t(w), uint32_t(h)));
  ASSERT_TRUE(SeedFill(s, mask, x, y, 255, tolerance));
  for (int32_t i = 0; i < w * h; ++i) found.push_back(mask.getPixel(i % w, i / w));
  EXPECT_EQ(found, flood) << x << "," << y << " tolerance " << tolerance;
}

TEST(SeedFill, MatchesAPlainFloodFill) {
  std::mt19937 rng(7);
  const Color32 colours[] = {0xFF808080u, 0xFF808081u, 0xFF828383u, 0x00808080u};
  for (int round = 0; round < 40; ++round) {  // a few near colours: large regions, the tolerance matters
    const int32_t w = test::randomIn(rng, 1, 150), h = test::randomIn(rng, 1, 150);
    const int32_t x = test::randomIn(rng, 0, w - 1), y = test::randomIn(rng, 0, h - 1);
    const int32_t tolerance = std::vector<int32_t>{0, 1, 2, 3, 64, 255, 256}[rng() % 7];
    const uint32_t dots = 2 + rng() % 6;
    Image32 flat(w, h);
    TiledImage32 t32;
    TiledImage8 t8;
    TiledImage1 t1;
    ASSERT_TRUE(t32.resize(w, h) && t8.resize(w, h) && t1.resize(w, h));
    for (int32_t i = 0; i < w * h; ++i) {
      const uint32_t pick = rng() % dots == 0 ? rng() % 4 : 0;
      flat.setPixel(i % w, i / w, colours[pick]);
      t32.setPixel(i % w, i / w, colours[(pick + 1) % 4]);
      t8.setPixel(i % w, i / w, uint8_t(100 + 2 * pick));
      t1.setPixel(i % w, i / w, uint8_t(pick & 1));
    }
    expectFlood(flat, x, y, tolerance, fillDistance32);
    expectFlood(t32, x, y, tolerance, fillDistance32);
    expectFlood(t8, x, y, tolerance, fillDistance8);
    expectFlood(t1, x, y, tolerance, fillDistance1);
  }
  const int32_t n = 301;  // one-pixel corridors joined at alternate ends; a checkerboard
  TiledImage8 serpentine, board;
  ASSERT_TRUE(serpentine.resize(n, n) && board.resize(n, n));
  for (int32_t i = 0; i < n * n; ++i) {
    const int32_t x = i % n, y = i / n;
    serpentine.setPixel(x, y, y % 2 == 1 && x != (y / 2 % 2 ? 0 : n - 1));
    board.setPixel(x, y, uint8_t((x ^ y) & 1));
  }
  expectFlood(serpentine, 5, 0, 1, fillDistance8);
  for (int32_t tolerance : {1, 2}) expectFlood(board, 150, 150, tolerance, fillDistance8);
}

TEST(SeedFill, DistancesAndSeedsThatFindNothing) {
  const Color32 base = 0x80402010u;  // one step in one channel is 1, as is 7; 8 makes 2
  for (auto [other, d] : {std::pair{base, 0}, {0x80402011u, 1}, {0x80402017u, 1}, {0x80402018u, 2}, {0x7F3F1F0Fu, 1}})
    EXPECT_EQ(fillDistance32(base, other), d) << std::hex << other;
  EXPECT_EQ(std::pair(fillDistance8(3, 250), fillDistance1(0, 1)), std::pair(247, 255));
  TiledImage8 source, mask, small;
  ASSERT_TRUE(source.resize(70, 70) && mask.resize(70, 70) && small.resize(69, 70));
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {70, 5}, {5, 70}}) EXPECT_FALSE(SeedFill(source, mask, x, y, 255, 1));
  EXPECT_FALSE(SeedFill(source, small, 0, 0, 255, 1));
  EXPECT_EQ(mask.presentTileCount() + small.presentTileCount(), 0);
}

}  // namespace
}  // namespace kanvo
