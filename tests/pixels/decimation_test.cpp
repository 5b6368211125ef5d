// Decimation: sizes, the 2x2 means, in-place equals out-of-place, and the per-layout rules.
#include <gtest/gtest.h>

#include "pixels/decimation.h"
#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"

namespace kvtc::pixels {
namespace {

using testing::NoiseBytes;

const std::uint8_t* QuarterSum() {
  static testing::Tables tables;
  return tables.arithmetic.quarterSum.data();
}

TEST(Decimation, EachStepFloorsTheSizeToAMultipleOf8) {
  struct Case {
    std::uint8_t code;
    PictureSize in;
    std::uint32_t factor;
    PictureSize out;
  };
  for (const Case c : {Case{kRgb24, {320, 240}, 4, {80, 56}}, Case{kRgb24, {320, 240}, 2, {160, 120}},
                       Case{kPackedYuyv, {640, 480}, 8, {80, 56}}, Case{kGrey4, {176, 144}, 2, {88, 72}},
                       Case{kRgb32, {100, 60}, 3, {100, 60}}}) {
    auto bytes = NoiseBytes(std::size_t{c.in.width} * c.in.height * 4);
    const auto out = DecimateInput(bytes, c.code, c.in, c.factor, {8, 8, 8, 3}, QuarterSum());
    ASSERT_TRUE(out);
    EXPECT_EQ(out->width, c.out.width);
    EXPECT_EQ(out->height, c.out.height);
  }
  std::vector<std::uint8_t> tooSmall(320 * 240 * 3 - 1);
  EXPECT_FALSE(DecimateInput(tooSmall, kRgb24, {320, 240}, 2, {8, 8, 8, 3}, QuarterSum()));
}

TEST(Decimation, ReduceChannelAveragesEachBlockAndMayRunInPlace) {
  const std::uint32_t w = 40, h = 20, step = 3;  // output 16 x 8
  const auto src = NoiseBytes(w * h * step, 7);
  std::vector<std::uint8_t> apart(src.size(), 0), inPlace = src;
  for (std::uint32_t c = 0; c < step; ++c) {
    ReduceChannel(src.data(), apart.data(), w, h, c, step, QuarterSum());
    ReduceChannel(inPlace.data(), inPlace.data(), w, h, c, step, QuarterSum());
  }
  const auto at = [&](std::uint32_t x, std::uint32_t y, std::uint32_t c) { return src[(y * w + x) * step + c]; };
  for (std::uint32_t j = 0; j < 8; ++j) {
    for (std::uint32_t i = 0; i < 16; ++i) {
      for (std::uint32_t c = 0; c < step; ++c) {
        const int sum = at(2 * i, 2 * j, c) + at(2 * i + 1, 2 * j, c) + at(2 * i, 2 * j + 1, c) +
                        at(2 * i + 1, 2 * j + 1, c);
        const std::size_t o = (j * 16 + i) * step + c;
        ASSERT_EQ(apart[o], (sum + 2) >> 2);
        ASSERT_EQ(inPlace[o], apart[o]);
      }
    }
  }
}

TEST(Decimation, ChromaPairAveragesRowsFourApartIntoBothRowsOfThePair) {
  // A packed 4:2:2 picture 32 pixels wide and 16 rows: 16 U samples per row, step 4.
  const std::uint32_t samples = 16, halfRows = 8;
  const auto src = NoiseBytes(samples * 4 * 2 * halfRows, 3);
  std::vector<std::uint8_t> apart(src.size(), 0), inPlace = src;
  ReduceChromaPair(src.data(), apart.data(), samples, halfRows, 1, 4, QuarterSum());
  ReduceChromaPair(inPlace.data(), inPlace.data(), samples, halfRows, 1, 4, QuarterSum());
  const auto u = [&](std::uint32_t i, std::uint32_t row) { return src[(row * samples + i) * 4 + 1]; };
  for (std::uint32_t k = 0; k < 4; ++k) {
    for (std::uint32_t i = 0; i < 8; ++i) {
      const int sum = u(2 * i, 4 * k) + u(2 * i + 1, 4 * k) + u(2 * i, 4 * k + 2) + u(2 * i + 1, 4 * k + 2);
      for (std::uint32_t row : {2 * k, 2 * k + 1}) {
        const std::size_t o = (row * 8 + i) * 4 + 1;
        ASSERT_EQ(apart[o], (sum + 2) >> 2) << k << "," << i;
        ASSERT_EQ(inPlace[o], apart[o]);
      }
    }
  }
}

TEST(Decimation, PackedLayoutsKeepTheirByteOrder) {
  // 32 x 16 packed 4:2:2 of constant Y 200, U 50, V 90 stays constant after one step.
  for (const std::uint8_t code : {kPackedYuyv, kPackedUyvy}) {
    const PackedYuvOrder order = code == kPackedYuyv ? kYuyvOrder : kUyvyOrder;
    std::vector<std::uint8_t> bytes(32 * 16 * 2);
    for (std::size_t pair = 0; pair < bytes.size() / 4; ++pair) {
      bytes[4 * pair + order.luma] = bytes[4 * pair + order.luma + 2] = 200;
      bytes[4 * pair + order.u] = 50;
      bytes[4 * pair + order.v] = 90;
    }
    ASSERT_TRUE(DecimateInput(bytes, code, {32, 16}, 2, {}, QuarterSum()));
    for (std::size_t pair = 0; pair < 16 * 8 / 2; ++pair) {
      ASSERT_EQ(bytes[4 * pair + order.luma + 2], 200);
      ASSERT_EQ(bytes[4 * pair + order.u], 50);
      ASSERT_EQ(bytes[4 * pair + order.v], 90);
    }
  }
}

TEST(Decimation, PackedPixelsAverageFieldByFieldAndIndicesAreSampled) {
  // 5-5-5: red 31 beside red 0 (green and blue 0) must give red 16 and nothing else: averaging
  // the bytes would smear red's low bits into green.
  std::vector<std::uint8_t> rgb555(16 * 16 * 2, 0);
  for (std::size_t i = 0; i < 16 * 16; i += 2) rgb555[2 * i + 1] = 0x7C;
  ASSERT_TRUE(DecimateInput(rgb555, kRgb555, {16, 16}, 2, {}, QuarterSum()));
  EXPECT_EQ(rgb555[0] | rgb555[1] << 8, 16 << 10);

  // 4-bit grey: each nibble is a pixel.
  std::vector<std::uint8_t> grey4(16 * 16 / 2, 0xF0);  // pixels 15, 0, 15, 0, ...
  ASSERT_TRUE(DecimateInput(grey4, kGrey4, {16, 16}, 2, {}, QuarterSum()));
  EXPECT_EQ(grey4[0], 0x88);  // (15 + 0 + 15 + 0 + 2) >> 2 = 8 for both pixels

  // Palette indices: the top-left of each block, never a mean.
  std::vector<std::uint8_t> indices(16 * 16);
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i % 16 + 100 * (i / 16 % 2));
  ASSERT_TRUE(DecimateInput(indices, kPalettised8, {16, 16}, 2, {}, QuarterSum()));
  EXPECT_EQ(indices[0], 0);
  EXPECT_EQ(indices[3], 6);
  EXPECT_EQ(indices[8], 0);
}

TEST(Decimation, PlanarShrinksEachPlaneAndKeepsThemContiguous) {
  const std::uint32_t w = 32, h = 16;
  std::vector<std::uint8_t> bytes(w * h * 3 / 2);
  std::fill(bytes.begin(), bytes.begin() + w * h, 10);
  std::fill(bytes.begin() + w * h, bytes.begin() + w * h * 5 / 4, 20);
  std::fill(bytes.begin() + w * h * 5 / 4, bytes.end(), 30);
  const auto size = DecimateInput(bytes, kPlanar420, {w, h}, 2, {}, QuarterSum());
  ASSERT_TRUE(size);
  const std::size_t luma = std::size_t{size->width} * size->height;  // 16 x 8
  for (std::size_t i = 0; i < luma * 3 / 2; ++i) {
    ASSERT_EQ(bytes[i], i < luma ? 10 : i < luma * 5 / 4 ? 20 : 30) << i;
  }
}

}  // namespace
}  // namespace kvtc::pixels
