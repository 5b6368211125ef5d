// Input conversion: colour arithmetic, each layout's byte order, margins and the dispatcher.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>

#include "pixels/input_converters.h"
#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"

namespace kvtc::pixels {
namespace {

// A plane set of the coder's geometry for a w x h picture.
struct Planes {
  stream::PlaneGeometry g;
  std::vector<std::uint8_t> bytes;
  Planes(std::uint32_t w, std::uint32_t h)
      : g(stream::ComputePlaneGeometry(w, h, 0)), bytes(g.planeSetSize) {}
  PlaneSet View() { return ViewPlaneSet(std::span(bytes), g); }
  int Y(std::uint32_t x, std::uint32_t y) const { return bytes[y * g.lumaStride + x]; }
  int U(std::uint32_t x, std::uint32_t y) const {
    return bytes[g.uOffset + y * g.chromaStride + x];
  }
  int V(std::uint32_t x, std::uint32_t y) const {
    return bytes[g.vOffset + y * g.chromaStride + x];
  }
};

std::vector<std::uint8_t> Solid(std::size_t pixels, const std::vector<std::uint8_t>& pixel) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < pixels; ++i) out.insert(out.end(), pixel.begin(), pixel.end());
  return out;
}

TEST(InputConversion, SolidColoursGiveTheirLumaAndChromaEverywhere) {
  struct Case {
    std::uint8_t code;
    std::vector<std::uint8_t> pixel;
    int y, u, v;
  };
  const Case cases[] = {
      {kRgb24, {255, 255, 255}, 215, 128, 127},  // 64 + 126 + 25; 96 - 62 + 94; 260 - 111 - 22
      {kRgb32, {0, 0, 0, 9}, 0, 128, 128},
      {kRgb24, {0, 0, 255}, 64, 96, 255},      // red: V 260 saturates
      {kRgb24, {255, 255, 0}, 151, 160, 0},    // cyan: V -5 saturates
      {kRgb555, {0xFF, 0x7F}, 209, 128, 128},  // 248, 248, 248: no low-bit replication
      {kBitFields, {0xFF}, 16, 120, 161},      // 6-bit red field 63, used unscaled
  };
  for (const Case& c : cases) {
    auto ctx = testing::MakeEncoderContext();
    ctx->inputFormat = c.code;
    ctx->compBits[0] = 6, ctx->compBits[1] = ctx->compBits[2] = 0, ctx->compCount = 1;
    Planes p(8, 8);
    ASSERT_TRUE(ConvertInputFrame(*ctx, Solid(64, c.pixel), p.bytes, p.g, false));
    for (std::uint32_t i = 0; i < 81; ++i) ASSERT_EQ(p.Y(i % 9, i / 9), c.y) << int{c.code};
    for (std::uint32_t i = 0; i < 25; ++i) {
      ASSERT_EQ(p.U(i % 5, i / 5), c.u) << int{c.code};
      ASSERT_EQ(p.V(i % 5, i / 5), c.v) << int{c.code};
    }
  }
}

// Planar 4:2:0: a Y plane, then a U and a V plane of a quarter each, whose samples go over as
// they are while luma is scaled like 8-bit grey.
TEST(InputConversion, PlanarChromaComesFromItsOwnPlane) {
  auto ctx = testing::MakeEncoderContext();
  ctx->inputFormat = kPlanar420;
  std::vector<std::uint8_t> planar(64, 255);
  planar.resize(80, 90);
  planar.resize(96, 200);
  Planes p(8, 8);
  ASSERT_TRUE(ConvertInputFrame(*ctx, planar, p.bytes, p.g, false));
  EXPECT_EQ(std::tuple(p.Y(3, 5), p.U(1, 2), p.V(3, 3)), std::tuple(215, 90, 200));
}

// Over noise, dark in its top rows where the small negative terms round to 0; V kept in a byte.

TEST(InputConversion, RgbPicturesFollowTheColourFormula) {
  using testing::Rounded;
  constexpr std::uint32_t kW = 16, kH = 10;
  auto rgb = testing::NoiseBytes(kW * kH * 4, 17);
  for (std::uint32_t i = 0; i < kW * 4 * 4; ++i) rgb[i] %= 12;
  const auto at = [&](std::uint32_t x, std::uint32_t y, int k) {
    return rgb[(y * kW + x) * 4 + k];
  };
  for (const std::uint8_t code : {kRgb24, kRgb32}) {
    const std::uint32_t bytes = code == kRgb24 ? 3 : 4;
    std::vector<std::uint8_t> src;
    for (std::uint32_t i = 0; i < kW * kH; ++i)
      src.insert(src.end(), &rgb[4 * i], &rgb[4 * i + bytes]);
    auto ctx = testing::MakeEncoderContext();
    ctx->inputFormat = code;
    Planes p(kW, kH);
    ASSERT_TRUE(ConvertInputFrame(*ctx, src, p.bytes, p.g, false));
    for (std::uint32_t y = 0; y < kH; ++y) {
      for (std::uint32_t x = 0; x < kW; ++x) {  // bytes B, G, R
        ASSERT_EQ(p.Y(x, y), Rounded(0.2520137 * at(x, y, 2)) + Rounded(0.4945843 * at(x, y, 1)) +
                                 Rounded(0.0964549 * at(x, y, 0)))
            << int{code} << " " << x << "," << y;
        if (x % 2 || y % 2) continue;
        int sum[3] = {};
        for (const int k : {0, 1, 2})
          sum[k] = at(x, y, k) + at(x + 1, y, k) + at(x, y + 1, k) + at(x + 1, y + 1, k);
        const int u = Rounded(128 - 0.0310485 * sum[2]) + Rounded(-0.0609378 * sum[1]) +
                      Rounded(0.0919863 * sum[0]);
        const int v = Rounded(128 + 0.1296113 * sum[2]) + Rounded(-0.1084485 * sum[1]) +
                      Rounded(-0.0211628 * sum[0]);
        ASSERT_EQ(p.U(x / 2, y / 2), u) << int{code} << " " << x << "," << y;
        ASSERT_EQ(p.V(x / 2, y / 2), std::clamp(v, 0, 255)) << int{code} << " " << x << "," << y;
      }
    }
  }
}

TEST(InputConversion, OddEdgesRepeatInsideTheirBlock) {
  const auto& t = testing::SharedTables();
  // 9 wide: the chroma planes are 5 wide, so column 8 alone keeps chroma of its own, taken from
  // column 8 twice.
  Planes odd(9, 8);
  std::vector<std::uint8_t> src(9 * 8 * 3);
  for (std::uint32_t y = 0; y < 8; ++y) std::fill_n(&src[(y * 9 + 8) * 3], 3, 255);
  ConvertFromRgb(src.data(), odd.View(), kRgb24Channels, t.colour);
  EXPECT_EQ(odd.Y(9, 0), 215);
  EXPECT_EQ(odd.V(4, 0), 127);
  EXPECT_EQ(odd.V(3, 0), 128);
}

// An odd width: the last byte's low nibble is padding, and the margin repeats the last pixel.
TEST(InputConversion, FourBitGreyOfAnOddWidth) {
  const auto& t = testing::SharedTables();
  Planes grey4(5, 1);
  const std::array<std::uint8_t, 3> nibbles{0x0F, 0x5A, 0x3F};  // the last low nibble is padding
  ExpandGrey4(nibbles.data(), grey4.View(), t.arithmetic.unpack4High.data(),
              t.arithmetic.unpack4Low.data());
  for (const auto& [x, y] : {std::pair{0, 255}, {1, 0}, {2, 170}, {3, 85}, {4, 204}, {5, 204}}) {
    EXPECT_EQ(grey4.Y(x, 0), y) << x;
  }
}

TEST(InputConversion, DispatchFollowsGreySendingAndRefusesWhatItCannotConvert) {
  auto ctx = testing::MakeEncoderContext();
  Planes p(8, 8);
  std::fill(p.bytes.begin(), p.bytes.end(), 0x55);
  const auto white = Solid(64, {255, 255, 255, 255});
  ctx->inputFormat = kRgb32;
  ASSERT_TRUE(ConvertInputFrame(*ctx, white, p.bytes, p.g, /*grey=*/true));
  EXPECT_EQ(p.Y(0, 0), 215);
  EXPECT_EQ(p.U(0, 0), 0x55);  // grey sending writes no chroma
  EXPECT_FALSE(ConvertInputFrame(*ctx, std::span(white).first(255), p.bytes, p.g, false));
  EXPECT_FALSE(ConvertInputFrame(*ctx, white, std::span(p.bytes).first(100), p.g, false));
  ctx->inputFormat = kPalettised8;  // no palette tables
  EXPECT_FALSE(ConvertInputFrame(*ctx, white, p.bytes, p.g, false));
  ctx->inputFormat = 15;
  EXPECT_FALSE(ConvertInputFrame(*ctx, white, p.bytes, p.g, false));
}

}  // namespace
}  // namespace kvtc::pixels
