// The search window: every vector the search can produce inside it is one the decoder
// accepts and the motion code can carry.
#include "encoder/search_window.h"

#include <gtest/gtest.h>

#include "stream/motion_compensation.h"

namespace kvtc::encoder {
namespace {

TEST(SearchWindow, EveryReachableVectorIsReadableAndFitsTheCode) {
  for (const auto& [w, h, decimation] : {std::tuple{64, 48, 0}, {84, 42, 0}, {8, 8, 0}, {176, 144, 2}}) {
    const stream::PlaneGeometry g = stream::ComputePlaneGeometry(w, h, static_cast<std::uint8_t>(decimation));
    for (std::uint32_t r = 1; r <= 16; ++r) {
      for (const bool lossless : {false, true}) {
        for (const bool grey : {false, true}) {
          const stream::MotionParameters motion = stream::ComputeMotionParameters(r, lossless);
          for (std::uint32_t index = 0; index < g.blockCount; ++index) {
            const std::uint32_t bx = index % g.blocksAcross, by = index / g.blocksAcross;
            const SearchWindow win = ClampSearchWindow({g, r, motion, lossless, grey}, bx, by);
            ASSERT_TRUE(win.Contains(0, 0));
            EXPECT_TRUE((bx != 0 || win.xmin == 0) && (by != 0 || win.ymin == 0));
            // Coded values, with the half steps the refinement adds inside the window: each
            // axis in full, the other at its ends and at zero.
            const int units = lossless ? 2 : 1, b = static_cast<int>(motion.centre);
            const int xs[] = {units * win.xmin + b, b, units * win.xmax + b};
            const int ys[] = {units * win.ymin + b, b, units * win.ymax + b};
            const auto check = [&](int x, int y) {
              ASSERT_TRUE(x >= 0 && y >= 0 && x < (1 << motion.bits) && y < (1 << motion.bits));
              ASSERT_TRUE(stream::MotionSourceInside(g, bx, by, x, y, motion.centre, lossless, grey))
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

}  // namespace
}  // namespace kvtc::encoder
