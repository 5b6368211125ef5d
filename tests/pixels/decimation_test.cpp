// Decimation: sizes, the 2x2 means, in place against apart, and the per-layout rules.
#include "pixels/decimation.h"

#include <gtest/gtest.h>

#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"

namespace kvtc::pixels {
namespace {

const std::uint8_t* QuarterSum() { return testing::SharedTables().arithmetic.quarterSum.data(); }

TEST(Decimation, EachStepFloorsTheSizeToAMultipleOf8) {
  struct Case {
    std::uint8_t code;
    PictureSize in;
    std::uint32_t factor;
    PictureSize out;
  };
  for (const Case c :
       {Case{kRgb24, {320, 240}, 4, {80, 56}}, Case{kPackedYuyv, {640, 480}, 8, {80, 56}},
        Case{kGrey4, {176, 144}, 2, {88, 72}}, Case{kRgb32, {100, 60}, 3, {100, 60}}}) {
    auto bytes = testing::NoiseBytes(std::size_t{c.in.width} * c.in.height * 4);
    const auto out = DecimateInput(bytes, c.code, c.in, c.factor, {}, QuarterSum());
    ASSERT_TRUE(out);
    EXPECT_EQ(out->width, c.out.width);
    EXPECT_EQ(out->height, c.out.height);
  }
  std::vector<std::uint8_t> tooSmall(320 * 240 * 3 - 1);
  EXPECT_FALSE(DecimateInput(tooSmall, kRgb24, {320, 240}, 2, {}, QuarterSum()));
}

// Both reductions against their definition, run apart and in place: the in-place run must not
// overwrite samples it has still to read.
TEST(Decimation, ReductionsAverageTheirBlocksInPlaceAsApart) {
  const std::uint32_t w = 40, h = 20;
  const auto src = testing::NoiseBytes(w * h * 4, 7);
  const auto at = [&](std::uint32_t x, std::uint32_t y, std::uint32_t c) {
    return src[(y * w + x) * 4 + c];
  };
  for (const bool chromaPair : {false, true}) {
    std::vector<std::uint8_t> apart(src.size()), inPlace = src;
    for (std::uint32_t c = 0; c < 4; ++c) {
      const auto reduce = chromaPair ? ReduceChromaPair : ReduceChannel;
      reduce(src.data(), apart.data(), w, chromaPair ? h / 2 : h, c, 4, QuarterSum());
      reduce(inPlace.data(), inPlace.data(), w, chromaPair ? h / 2 : h, c, 4, QuarterSum());
    }
    const std::uint32_t outW = chromaPair ? 20 : 16, outH = 8;
    for (std::uint32_t j = 0; j < outH; ++j) {
      // Chroma pairs average rows 4k and 4k+2 into both rows 2k and 2k+1.
      const std::uint32_t top = chromaPair ? j / 2 * 4 : 2 * j,
                          bottom = chromaPair ? top + 2 : top + 1;
      for (std::uint32_t i = 0; i < outW; ++i) {
        for (std::uint32_t c = 0; c < 4; ++c) {
          const int sum = at(2 * i, top, c) + at(2 * i + 1, top, c) + at(2 * i, bottom, c) +
                          at(2 * i + 1, bottom, c);
          const std::size_t o = (j * outW + i) * 4 + c;
          ASSERT_EQ(apart[o], (sum + 2) >> 2) << chromaPair;
          ASSERT_EQ(inPlace[o], apart[o]) << chromaPair;
        }
      }
    }
  }
}

TEST(Decimation, PackedPixelsAverageByFieldAndIndicesAreSampled) {
  // 5-5-5: red 31 beside red 0 gives red 16 and leaves green alone (byte means would not).
  std::vector<std::uint8_t> rgb555(16 * 16 * 2, 0);
  for (std::size_t i = 0; i < rgb555.size(); i += 4) rgb555[i + 1] = 0x7C;
  ASSERT_TRUE(DecimateInput(rgb555, kRgb555, {16, 16}, 2, {}, QuarterSum()));
  EXPECT_EQ(rgb555[0] | rgb555[1] << 8, 16 << 10);
  std::vector<std::uint8_t> grey4(16 * 16 / 2, 0xF0);  // 4-bit: pixels 15, 0, 15, 0, ...
  ASSERT_TRUE(DecimateInput(grey4, kGrey4, {16, 16}, 2, {}, QuarterSum()));
  EXPECT_EQ(grey4[0], 0x88);
  std::vector<std::uint8_t> indices(16 * 16);
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i);
  ASSERT_TRUE(DecimateInput(indices, kPalettised8, {16, 16}, 2, {}, QuarterSum()));
  EXPECT_EQ(indices[3], 6);  // the block's top-left index, never a mean
  EXPECT_EQ(indices[8], 32);
}

TEST(Decimation, YuvLayoutsKeepTheirOrder) {
  for (const std::uint8_t code : {kPackedYuyv, kPackedUyvy}) {
    const PackedYuvOrder order = code == kPackedYuyv ? kYuyvOrder : kUyvyOrder;
    std::vector<std::uint8_t> bytes(32 * 16 * 2);
    for (std::size_t pair = 0; pair < bytes.size(); pair += 4) {
      bytes[pair + order.luma] = bytes[pair + order.luma + 2] = 200;
      bytes[pair + order.u] = 50;
      bytes[pair + order.v] = 90;
    }
    ASSERT_TRUE(DecimateInput(bytes, code, {32, 16}, 2, {}, QuarterSum()));
    for (std::size_t pair = 0; pair < 16 * 8 * 2; pair += 4) {
      ASSERT_EQ(bytes[pair + order.luma + 2], 200);
      ASSERT_EQ(bytes[pair + order.u], 50);
      ASSERT_EQ(bytes[pair + order.v], 90);
    }
  }
  std::vector<std::uint8_t> planar(32 * 16 * 3 / 2, 30);  // Y 10, U 20, V 30, shrinking in place
  std::fill_n(planar.begin(), 32 * 16 * 5 / 4, 20);
  std::fill_n(planar.begin(), 32 * 16, 10);
  ASSERT_TRUE(DecimateInput(planar, kPlanar420, {32, 16}, 2, {}, QuarterSum()));
  for (std::size_t i = 0; i < 192; ++i) ASSERT_EQ(planar[i], i < 128 ? 10 : i < 160 ? 20 : 30);
}

}  // namespace
}  // namespace kvtc::pixels
