// The search window: every vector the search can produce inside it is one the decoder
// accepts and the motion code can carry.
#include "encoder/search_window.h"

#include <gtest/gtest.h>

#include "stream/motion_compensation.h"

namespace kvtc::encoder {
namespace {

TEST(SearchWindow, EveryReachableVectorIsReadableAndFitsTheCode) {
  struct Size {
    std::uint32_t w, h;
    std::uint8_t decimation;
  };
  for (const Size size : {Size{64, 48, 0}, Size{84, 42, 0}, Size{8, 8, 0}, Size{176, 144, 2}}) {
    const stream::PlaneGeometry g = stream::ComputePlaneGeometry(size.w, size.h, size.decimation);
    for (std::uint32_t r = 1; r <= 16; ++r) {
      for (const bool lossless : {false, true}) {
        for (const bool grey : {false, true}) {
          const stream::MotionParameters motion = stream::ComputeMotionParameters(r, lossless);
          const WindowQuery query{g, r, motion, lossless, grey};
          for (std::uint32_t by = 0; by < g.blocksDown; ++by) {
            for (std::uint32_t bx = 0; bx < g.blocksAcross; ++bx) {
              const SearchWindow w = ClampSearchWindow(query, bx, by);
              ASSERT_TRUE(w.Contains(0, 0));
              EXPECT_TRUE(bx != 0 || w.xmin == 0);
              EXPECT_TRUE(by != 0 || w.ymin == 0);
              EXPECT_GE(w.xmin, -2 * static_cast<int>(r));
              EXPECT_LE(w.xmax, 2 * static_cast<int>(r));
              // Coded values from the window, with the half steps the refinement may add
              // inside it: each axis in full, the other at its ends and at zero.
              const int units = lossless ? 2 : 1;
              const int b = static_cast<int>(motion.centre);
              const int xs[] = {units * w.xmin + b, b, units * w.xmax + b};
              const int ys[] = {units * w.ymin + b, b, units * w.ymax + b};
              const auto check = [&](int x, int y) {
                ASSERT_GE(x, 0);
                ASSERT_GE(y, 0);
                ASSERT_LT(x, 1 << motion.bits);
                ASSERT_LT(y, 1 << motion.bits);
                ASSERT_TRUE(stream::MotionSourceInside(g, bx, by, x, y, motion.centre,
                                                       lossless, grey))
                    << "block " << bx << "," << by << " R " << r << " vector " << x << "," << y;
              };
              for (int i = 0; i < 3; ++i) {
                for (int x = xs[0]; x <= xs[2]; ++x) check(x, ys[i]);
                for (int y = ys[0]; y <= ys[2]; ++y) check(xs[i], y);
              }
            }
          }
        }
      }
    }
  }
}

TEST(SearchWindow, InteriorBlocksKeepTheWindowTheCodeAllows) {
  const stream::PlaneGeometry g = stream::ComputePlaneGeometry(320, 240, 0);
  struct Case {
    std::uint32_t r;
    bool lossless;
    SearchWindow expected;
  };
  // -2R to +2R, less the top value that would need one more bit.
  for (const Case c : {Case{1, false, {-2, -2, 1, 1}}, Case{2, false, {-4, -4, 3, 3}},
                       Case{16, false, {-32, -32, 31, 31}}, Case{2, true, {-4, -4, 3, 3}},
                       Case{3, true, {-6, -6, 6, 6}}, Case{16, true, {-32, -32, 31, 31}}}) {
    const WindowQuery query{g, c.r, stream::ComputeMotionParameters(c.r, c.lossless), c.lossless,
                            false};
    const SearchWindow w = ClampSearchWindow(query, 10, 10);
    EXPECT_EQ(w.xmin, c.expected.xmin) << c.r << " " << c.lossless;
    EXPECT_EQ(w.ymin, c.expected.ymin);
    EXPECT_EQ(w.xmax, c.expected.xmax) << c.r << " " << c.lossless;
    EXPECT_EQ(w.ymax, c.expected.ymax);
  }
}

}  // namespace
}  // namespace kvtc::encoder
