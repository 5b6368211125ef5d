// Input conversion: colour arithmetic, each layout's byte order, margins and the dispatcher.
#include <gtest/gtest.h>

#include <array>

#include "pixels/input_converters.h"
#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"
#include "stream/plane_geometry.h"

namespace kvtc::pixels {
namespace {

using testing::MakeEncoderContext;
using testing::NoiseBytes;

// A plane set of the coder's geometry for a w x h picture, with a view on it.
struct Planes {
  stream::PlaneGeometry g;
  std::vector<std::uint8_t> bytes;
  PlaneSet view;
  Planes(std::uint32_t w, std::uint32_t h, std::uint8_t fill = 0)
      : g(stream::ComputePlaneGeometry(w, h, 0)), bytes(g.planeSetSize, fill),
        view(ViewPlaneSet(std::span(bytes), g)) {}
  std::uint8_t Y(std::uint32_t x, std::uint32_t y) const { return bytes[y * g.lumaStride + x]; }
  std::uint8_t U(std::uint32_t x, std::uint32_t y) const {
    return bytes[g.uOffset + y * g.chromaStride + x];
  }
  std::uint8_t V(std::uint32_t x, std::uint32_t y) const {
    return bytes[g.vOffset + y * g.chromaStride + x];
  }
};

std::vector<std::uint8_t> Solid(std::uint32_t pixels, std::vector<std::uint8_t> pixel) {
  std::vector<std::uint8_t> out;
  for (std::uint32_t i = 0; i < pixels; ++i) out.insert(out.end(), pixel.begin(), pixel.end());
  return out;
}

TEST(InputConversion, WhiteAndBlackRgbGiveTheLumaAndChromaExtremes) {
  testing::Tables t;
  struct Case {
    RgbChannels channels;
    std::uint8_t level;
    std::uint8_t y, u, v;
  };
  for (const Case c : {Case{kRgb24Channels, 255, 215, 128, 127}, Case{kRgb32Channels, 255, 215, 128, 127},
                       Case{kRgb24Channels, 0, 0, 128, 128}, Case{kRgb32Channels, 0, 0, 128, 128}}) {
    Planes p(8, 8);
    const auto src = Solid(64, std::vector<std::uint8_t>(c.channels.bytesPerPixel, c.level));
    ConvertFromRgb(src.data(), p.view, c.channels, t.colour);
    for (std::uint32_t y = 0; y <= 8; ++y) {
      for (std::uint32_t x = 0; x <= 8; ++x) ASSERT_EQ(p.Y(x, y), c.y) << x << "," << y;
    }
    for (std::uint32_t y = 0; y <= 4; ++y) {
      for (std::uint32_t x = 0; x <= 4; ++x) {
        ASSERT_EQ(p.U(x, y), c.u);
        ASSERT_EQ(p.V(x, y), c.v);
      }
    }
  }
}

TEST(InputConversion, SaturatedRedKeepsItsChromaModulo256) {
  testing::Tables t;
  Planes p(8, 8);
  const auto src = Solid(64, {0, 0, 255});  // B, G, R
  ConvertFromRgb(src.data(), p.view, kRgb24Channels, t.colour);
  EXPECT_EQ(p.V(0, 0), 4);  // 260 - 0 - 0, kept as a byte
}

TEST(InputConversion, Rgb555UsesTheFieldsWithoutLowBitReplication) {
  testing::Tables t;
  Planes colour(8, 8), grey(8, 8);
  const auto src = Solid(64, {0xFF, 0x7F});
  ConvertFromRgb555(src.data(), colour.view, t.colour);
  LumaFromRgb555(src.data(), grey.view, t.colour);
  EXPECT_EQ(colour.Y(3, 5), 209);  // 62 + 123 + 24 from 248, 248, 248
  EXPECT_EQ(grey.Y(3, 5), 209);
  EXPECT_EQ(colour.U(1, 1), t.colour.uFromR[992] + t.colour.uFromG[992] + t.colour.uFromB[992]);
}

TEST(InputConversion, Grey4ExpandsHighNibbleFirstWithoutRescaling) {
  testing::Tables t;
  Planes p(8, 1);
  const std::array<std::uint8_t, 4> src{0x0F, 0xF0, 0x5A, 0x00};
  ExpandGrey4(src.data(), p.view, t.arithmetic.unpack4High.data(), t.arithmetic.unpack4Low.data());
  const std::array<std::uint8_t, 9> expected{255, 0, 0, 255, 170, 85, 255, 255, 255};
  for (std::uint32_t x = 0; x < 9; ++x) EXPECT_EQ(p.Y(x, 0), expected[x]) << x;
}

TEST(InputConversion, MarginsRepeatTheLastColumnAndRowOfEveryPlane) {
  testing::Tables t;
  Planes p(16, 16);
  const auto src = NoiseBytes(16 * 16 * 3);
  ConvertFromRgb(src.data(), p.view, kRgb24Channels, t.colour);
  for (std::uint32_t i = 0; i <= 16; ++i) {
    EXPECT_EQ(p.Y(16, std::min(i, 15u)), p.Y(15, std::min(i, 15u)));
    EXPECT_EQ(p.Y(i, 16), p.Y(i, 15));
  }
  for (std::uint32_t i = 0; i <= 8; ++i) {
    EXPECT_EQ(p.U(8, i), p.U(7, i));
    EXPECT_EQ(p.U(i, 8), p.U(i, 7));
    EXPECT_EQ(p.V(8, i), p.V(7, i));
    EXPECT_EQ(p.V(i, 8), p.V(i, 7));
  }
}

TEST(InputConversion, OddWidthRepeatsTheLastColumnInsideItsBlock) {
  testing::Tables t;
  // 9 wide: the coder's chroma planes are 5 wide, so the fifth block (column 8 alone) keeps
  // its own chroma, computed from column 8 taken twice.
  Planes p(9, 8);
  std::vector<std::uint8_t> src(9 * 8 * 3, 0);
  for (std::uint32_t y = 0; y < 8; ++y) {
    for (int c = 0; c < 3; ++c) src[(y * 9 + 8) * 3 + c] = 255;
  }
  ConvertFromRgb(src.data(), p.view, kRgb24Channels, t.colour);
  EXPECT_EQ(p.Y(8, 0), 215);
  EXPECT_EQ(p.Y(9, 0), 215);  // margin
  EXPECT_EQ(p.U(4, 0), 128);
  EXPECT_EQ(p.V(4, 0), 127);
  EXPECT_EQ(p.V(3, 0), 128);  // black block
}

TEST(InputConversion, PaletteChromaIsTheRoundedMeanOfTheFourEntries) {
  testing::Tables t;
  std::array<std::uint8_t, 256> ys{}, us{}, vs{};
  for (int i = 0; i < 256; ++i) {
    ys[i] = static_cast<std::uint8_t>(i / 2);
    us[i] = static_cast<std::uint8_t>(i);
    vs[i] = static_cast<std::uint8_t>(255 - i);
  }
  Planes p(2, 2);
  const std::array<std::uint8_t, 4> src{10, 11, 12, 14};
  ConvertFromPalette(src.data(), p.view, {ys.data(), us.data(), vs.data()},
                     t.arithmetic.quarterSum.data());
  EXPECT_EQ(p.Y(0, 0), 5);
  EXPECT_EQ(p.Y(1, 1), 7);
  EXPECT_EQ(p.U(0, 0), 12);   // (47 + 2) >> 2
  EXPECT_EQ(p.V(0, 0), 243);  // (973 + 2) >> 2
}

TEST(InputConversion, BitFieldsAreReadBlueFirstAndUsedUnscaled) {
  testing::Tables t;
  struct Case {
    BitFieldLayout layout;
    std::vector<std::uint8_t> pixel;
    std::uint32_t r, g, b;
  };
  for (const Case& c : {Case{{6, 0, 0, 1}, {0xFF}, 63, 0, 0},
                        Case{{3, 3, 2, 1}, {0b101'011'10}, 5, 3, 2},
                        Case{{8, 8, 8, 3}, {1, 2, 3}, 3, 2, 1}}) {
    Planes p(2, 2);
    const auto src = Solid(4, c.pixel);
    ConvertFromBitFields(src.data(), p.view, c.layout, t.colour);
    EXPECT_EQ(p.Y(1, 1), static_cast<std::uint8_t>(t.colour.lumaFromR[c.r] +
                                                    t.colour.lumaFromG[c.g] +
                                                    t.colour.lumaFromB[c.b]));
    EXPECT_EQ(p.U(0, 0), static_cast<std::uint8_t>(t.colour.uFromR[4 * c.r] +
                                                    t.colour.uFromG[4 * c.g] +
                                                    t.colour.uFromB[4 * c.b]));
  }
  const std::uint8_t settings[3] = {6, 0, 0};
  const BitFieldLayout fromSettings = BitFieldsFromSettings(settings, 1);
  EXPECT_EQ(fromSettings.redBits, 6u);
  EXPECT_EQ(BitFieldsFromSettings(settings, 0).pixelBytes, 1u);
  const std::uint8_t wide[3] = {12, 9, 8};
  EXPECT_EQ(BitFieldsFromSettings(wide, 9).redBits, 8u);
  EXPECT_EQ(BitFieldsFromSettings(wide, 9).pixelBytes, 4u);
}

TEST(InputConversion, PackedYuvTakesChromaFromTheFirstRowOfEachPair) {
  testing::Tables t;
  const std::uint8_t* scale = t.arithmetic.inputScale.data();
  // Two rows of two pixels: the second row's chroma must be ignored.
  const std::array<std::uint8_t, 8> yuyv{255, 30, 100, 40, 16, 99, 128, 99};
  const std::array<std::uint8_t, 8> uyvy{30, 255, 40, 100, 99, 16, 99, 128};
  for (const auto& [src, order] : {std::pair{yuyv, kYuyvOrder}, std::pair{uyvy, kUyvyOrder}}) {
    Planes p(2, 2);
    ConvertFromPackedYuv(src.data(), p.view, order, scale);
    EXPECT_EQ(p.Y(0, 0), 215);
    EXPECT_EQ(p.Y(1, 0), scale[100]);
    EXPECT_EQ(p.Y(0, 1), scale[16]);
    EXPECT_EQ(p.Y(1, 1), scale[128]);
    EXPECT_EQ(p.U(0, 0), 30);
    EXPECT_EQ(p.V(0, 0), 40);
  }
}

TEST(InputConversion, PlanarCopiesChromaAndPlainCodesCopyLuma) {
  testing::Tables t;
  Planes planar(8, 2);
  std::array<std::uint8_t, 24> src{0, 64, 128, 255};
  const std::array<std::uint8_t, 8> chroma{50, 51, 52, 53, 60, 61, 62, 63};
  std::copy(chroma.begin(), chroma.end(), src.begin() + 16);
  ConvertFromPlanar420(src.data(), planar.view, t.arithmetic.inputScale.data());
  EXPECT_EQ(planar.Y(3, 0), 215);
  EXPECT_EQ(planar.Y(2, 0), 108);
  EXPECT_EQ(planar.U(1, 0), 51);
  EXPECT_EQ(planar.V(3, 0), 63);
  EXPECT_EQ(planar.V(4, 0), 63);  // margin column

  const std::array<std::uint8_t, 12> rows{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  Planes upright(4, 3), reversed(4, 3);
  CopyLumaRows(rows.data(), upright.view, false);
  CopyLumaRows(rows.data(), reversed.view, true);
  EXPECT_EQ(upright.Y(3, 0), 4);
  EXPECT_EQ(upright.Y(0, 2), 9);
  EXPECT_EQ(reversed.Y(0, 0), 9);
  EXPECT_EQ(reversed.Y(3, 2), 4);
  EXPECT_EQ(reversed.Y(4, 2), 4);  // margin column
  EXPECT_EQ(reversed.Y(0, 3), 1);  // margin row
}

TEST(InputConversion, DispatchFollowsTheCodeAndGreySendingAndRefusesShortInput) {
  auto ctx = MakeEncoderContext();
  const stream::PlaneGeometry g = stream::ComputePlaneGeometry(8, 8, 0);
  std::vector<std::uint8_t> planes(g.planeSetSize, 0x55);
  const auto white = Solid(64, {255, 255, 255, 255});

  ctx->inputFormat = kRgb32;
  ASSERT_TRUE(ConvertInputFrame(*ctx, white, planes, g, /*grey=*/true));
  EXPECT_EQ(planes[0], 215);
  EXPECT_EQ(planes[g.uOffset], 0x55);  // grey sending writes no chroma
  ASSERT_TRUE(ConvertInputFrame(*ctx, white, planes, g, false));
  EXPECT_EQ(planes[g.vOffset], 127);

  EXPECT_FALSE(ConvertInputFrame(*ctx, std::span(white).first(255), planes, g, false));
  EXPECT_FALSE(ConvertInputFrame(*ctx, white, std::span(planes).first(100), g, false));
  ctx->inputFormat = kPalettised8;  // no palette tables yet
  EXPECT_FALSE(ConvertInputFrame(*ctx, white, planes, g, false));
  ctx->inputFormat = 15;
  EXPECT_FALSE(ConvertInputFrame(*ctx, white, planes, g, false));

  ctx->inputFormat = kGrey8;  // builds the input scale table on first use
  ASSERT_TRUE(ConvertInputFrame(*ctx, white, planes, g, false));
  EXPECT_EQ(planes[0], 215);

  struct Size {
    std::uint8_t code;
    std::uint64_t bytes;
  };
  for (const Size s : {Size{kPackedYuyv, 2 * 15 * 7}, Size{kRgb32, 4 * 15 * 7},
                       Size{kRgb24, 3 * 15 * 7}, Size{kRgb555, 2 * 15 * 7},
                       Size{kBitFields, 2 * 15 * 7}, Size{kPlanar420, 105 + 2 * 7 * 3},
                       Size{kGrey4, 8 * 7}, Size{kPlanarYvu9, 105}, Size{9, 105}, Size{15, 0}}) {
    EXPECT_EQ(InputBytesRead(s.code, 15, 7, 2), s.bytes) << int{s.code};
  }
}

}  // namespace
}  // namespace kvtc::pixels
