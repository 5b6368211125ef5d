// Output conversion: member selection, each layout's pixels, the variants and the update map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "pixels/output_dispatch.h"
#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"
#include "stream/plane_geometry.h"

namespace kvtc::pixels {
namespace {

using Sample = std::function<std::uint8_t(std::uint32_t x, std::uint32_t y)>;

// A decoded plane set with luma and chroma given by functions, and an update map.
struct Decoded {
  stream::PlaneGeometry g;
  std::vector<std::uint8_t> planes;
  std::vector<std::uint8_t> map;
  Decoded(std::uint32_t w, std::uint32_t h, const Sample& luma, const Sample& u, const Sample& v)
      : g(stream::ComputePlaneGeometry(w, h, 0)), planes(g.planeSetSize), map(g.mapSize) {
    for (std::uint32_t y = 0; y < g.lumaRows; ++y) {
      for (std::uint32_t x = 0; x < g.lumaStride; ++x) planes[y * g.lumaStride + x] = luma(x, y);
    }
    for (std::uint32_t y = 0; y < g.chromaRows; ++y) {
      for (std::uint32_t x = 0; x < g.chromaStride; ++x) {
        planes[g.uOffset + y * g.chromaStride + x] = u(x, y);
        planes[g.vOffset + y * g.chromaStride + x] = v(x, y);
      }
    }
  }
  ConstPlaneSet View() const { return ViewPlaneSet(std::span(planes), g); }
  void Mark(std::uint32_t x, std::uint32_t y) { map[y * g.mapStride + x] = 1; }
};

Sample Constant(std::uint8_t value) {
  return [value](std::uint32_t, std::uint32_t) { return value; };
}

std::vector<std::uint8_t> Convert(testing::Tables& t, const Decoded& d, OutputFrame frame,
                                  std::uint8_t fill = 0xEE, double gamma = 1.0,
                                  std::vector<std::uint8_t>* map = nullptr) {
  std::vector<std::uint8_t> out(4 * d.g.width * d.g.height, fill);
  std::vector<std::uint8_t> ownMap = d.map;
  EXPECT_TRUE(ConvertOutputFrame(t.decoder, t.arithmetic, frame, gamma, d.planes, d.g,
                                 map ? *map : ownMap, out));
  out.resize(OutputBytes(SelectOutputCode(frame.code, frame.grey), d.g.width, d.g.height));
  return out;
}

constexpr OutputFrame kKeyLossless{kRgb24, true, true, false};

TEST(OutputConversion, SelectionFollowsKeyLosslessLumaAndGrey) {
  EXPECT_EQ(SelectOutputVariant(true, true, false), OutputVariant::kFull);
  EXPECT_EQ(SelectOutputVariant(true, false, true), OutputVariant::kHalf);
  EXPECT_EQ(SelectOutputVariant(false, true, false), OutputVariant::kPartial);
  EXPECT_EQ(SelectOutputVariant(false, false, true), OutputVariant::kPartial);
  EXPECT_EQ(SelectOutputVariant(false, false, false), OutputVariant::kHalfPartial);
  for (const std::uint8_t code : {kPalettised8, kIndex332, kColourCube}) {
    EXPECT_EQ(SelectOutputCode(code, true), kGrey8);
    EXPECT_EQ(SelectOutputCode(code, false), code);
  }
  EXPECT_EQ(SelectOutputCode(kRgb24, true), kRgb24);
}

TEST(OutputConversion, WhiteAndBlackInEveryColourLayout) {
  testing::Tables t;
  struct Case {
    std::uint8_t code;
    std::vector<std::uint8_t> white, black;
  };
  const std::vector<Case> cases = {
      {kRgb32, {255, 255, 255}, {0, 0, 0}},   {kRgb24, {255, 255, 255}, {0, 0, 0}},
      {kRgb555, {0xFF, 0x7F}, {0, 0}},         {kPalettised8, {0xFF}, {0}},
      {kIndex332, {0xFF}, {0}},                {kColourCube, {241}, {26}},
  };
  for (const Case& c : cases) {
    for (const bool white : {true, false}) {
      const Decoded d(16, 16, Constant(white ? 215 : 0), Constant(128), Constant(128));
      const auto out = Convert(t, d, {c.code, true, true, false});
      const std::size_t bytes = out.size() / 256;
      const auto& expected = white ? c.white : c.black;
      for (std::size_t px = 0; px < 256; ++px) {
        for (std::size_t b = 0; b < expected.size(); ++b) {
          ASSERT_EQ(out[px * bytes + b], expected[b]) << int{c.code} << " pixel " << px;
        }
      }
    }
  }
}

TEST(OutputConversion, ColourPixelsAddChromaTermsClampAndApplyGamma) {
  testing::Tables t;
  const Decoded d(8, 8, [](auto x, auto y) { return static_cast<std::uint8_t>(20 * x + y); },
                  Constant(90), Constant(200));
  const auto& dt = t.decoder;
  for (const double gamma : {1.0, 2.0}) {
    const auto out = Convert(t, d, kKeyLossless, 0, gamma);
    for (std::uint32_t x = 0; x < 8; ++x) {
      const int l = dt.lumaScale[20 * x + 3];
      const auto component = [&](int sum) { return dt.gamma[std::clamp(sum, 0, 255)]; };
      const std::uint8_t* px = &out[(3 * 8 + x) * 3];
      EXPECT_EQ(px[2], component(l + dt.redFromV[200]));
      EXPECT_EQ(px[1], component(l + dt.greenFromU[90] + dt.greenFromV[200]));
      EXPECT_EQ(px[0], component(l + dt.blueFromU[90]));
    }
  }
}

TEST(OutputConversion, SkippingTheIdentityGammaChangesNothing) {
  // The RGB members skip the gamma lookup when the key is exactly 1.0. With a key a hair
  // away from 1.0 the table is still the identity, and the lookup path must agree.
  testing::Tables t;
  const auto noise = testing::NoiseBytes(4096, 5);
  const auto pick = [&](std::uint32_t salt) {
    return [&, salt](auto x, auto y) { return noise[(x * 31 + y * 17 + salt) % noise.size()]; };
  };
  const Decoded d(24, 16, pick(0), pick(1), pick(2));
  for (const OutputFrame frame : {OutputFrame{kRgb32, true, true, false}, OutputFrame{kRgb24, true, false, false},
                                  OutputFrame{kRgb24, true, true, true}}) {
    const auto skipped = Convert(t, d, frame, 0, 1.0);
    const double nearlyOne = std::nextafter(1.0, 2.0);
    ASSERT_TRUE(EnsureGammaTables(t.decoder, nearlyOne));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(t.decoder.gamma[i], i);
    EXPECT_EQ(Convert(t, d, frame, 0, nearlyOne), skipped);
  }
}

TEST(OutputConversion, Code7ConvertsExactlyAsCode5) {
  testing::Tables t;
  const auto noise = testing::NoiseBytes(999, 9);
  const Decoded d(16, 8, [&](auto x, auto y) { return noise[x + 17 * y]; },
                  [&](auto x, auto y) { return noise[500 + x + 9 * y]; },
                  [&](auto x, auto y) { return noise[700 + x + 9 * y]; });
  for (const bool key : {true, false}) {
    EXPECT_EQ(Convert(t, d, {kIndex332, key, false, false}), Convert(t, d, {kPalettised8, key, false, false}));
  }
}

TEST(OutputConversion, HalfVariantInterpolatesOddPixelsAndRepeatsAtTheEdges) {
  testing::Tables t;
  // Even luma samples carry a ramp; odd ones hold junk that must not be read.
  const Decoded d(6, 4, [](auto x, auto y) { return static_cast<std::uint8_t>(x % 2 || y % 2 ? 7 : 30 * x + 10 * y); },
                  Constant(128), Constant(128));
  const auto out = Convert(t, d, {kRgb24, true, false, false});
  const auto red = [&](std::uint32_t x, std::uint32_t y) { return int{out[(y * 6 + x) * 3 + 2]}; };
  const auto lum = [&](int y) { return t.decoder.lumaScale[y]; };
  EXPECT_EQ(red(0, 0), lum(0));
  EXPECT_EQ(red(2, 2), lum(80));
  EXPECT_EQ(red(1, 0), (lum(0) + lum(60) + 1) >> 1);
  EXPECT_EQ(red(5, 0), red(4, 0));  // no right neighbour
  EXPECT_EQ(red(3, 1), (red(3, 0) + red(3, 2) + 1) >> 1);
  for (std::uint32_t x = 0; x < 6; ++x) EXPECT_EQ(red(x, 3), red(x, 2));  // no row below
}

TEST(OutputConversion, PartialVariantsWithAnEmptyMapLeaveTheOutputAlone) {
  testing::Tables t;
  const Decoded d(16, 16, Constant(100), Constant(60), Constant(180));
  for (const std::uint8_t code : {kRgb32, kRgb24, kRgb555, kPalettised8, kColourCube}) {
    for (const bool losslessLuma : {true, false}) {
      const auto out = Convert(t, d, {code, false, losslessLuma, false}, 0xEE);
      for (const std::uint8_t b : out) ASSERT_EQ(b, 0xEE) << int{code};
    }
  }
  // The grey members and the grey, 4-bit and packed layouts always write the whole picture.
  for (const OutputFrame frame : {OutputFrame{kRgb24, false, false, true}, OutputFrame{kRgb555, false, false, true},
                                  OutputFrame{kColourCube, false, false, true}, OutputFrame{kGrey4, false, false, false},
                                  OutputFrame{kPackedYuyv, false, false, false}}) {
    const auto out = Convert(t, d, frame, 0xEE);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xEE), 0) << int{frame.code};
  }
}

TEST(OutputConversion, PartialWritesOnlyMarkedPixels) {
  testing::Tables t;
  Decoded d(16, 16, Constant(100), Constant(128), Constant(128));
  d.Mark(5, 3);
  d.Mark(6, 3);
  const auto out = Convert(t, d, {kPalettised8, false, true, false}, 0xEE);
  for (std::uint32_t i = 0; i < 256; ++i) EXPECT_EQ(out[i] != 0xEE, i == 3 * 16 + 5 || i == 3 * 16 + 6) << i;
}

TEST(OutputConversion, HalfPartialRebuildsTheNeighboursOfAMarkedPixel) {
  testing::Tables t;
  Decoded d(16, 16, Constant(100), Constant(128), Constant(128));
  d.Mark(4, 6);
  std::vector<std::uint8_t> map = d.map;
  const auto out = Convert(t, d, {kRgb24, false, false, false}, 0xEE, 1.0, &map);
  for (std::uint32_t y = 0; y < 16; ++y) {
    for (std::uint32_t x = 0; x < 16; ++x) {
      const bool rebuilt = x >= 3 && x <= 5 && y >= 5 && y <= 7;
      EXPECT_EQ(out[(y * 16 + x) * 3] != 0xEE, rebuilt) << x << "," << y;
    }
  }
  EXPECT_EQ(map[6 * d.g.mapStride + 3], 1);  // the interpolated odd pixels are marked
  EXPECT_EQ(map[6 * d.g.mapStride + 5], 1);
}

TEST(OutputConversion, PalettisedInterpolationAveragesComponentsNotIndices) {
  testing::Tables t;
  // Even columns alternate white and black; the odd pixel between them is mid grey.
  const Decoded d(8, 2, [](auto x, auto) { return static_cast<std::uint8_t>(x % 4 == 0 ? 215 : 0); },
                  Constant(128), Constant(128));
  const auto cube = Convert(t, d, {kColourCube, true, false, false});
  const std::uint8_t mid = cube[1];  // between 255 and 0: 128, level 2 or 3 by the dither
  EXPECT_EQ(t.decoder.cubeRed[mid], t.decoder.cubeGreen[mid]);
  EXPECT_TRUE(t.decoder.cubeRed[mid] == 102 || t.decoder.cubeRed[mid] == 153);
  const auto p332 = Convert(t, d, {kPalettised8, true, false, false});
  EXPECT_EQ(p332[1], (4 << 5) | (4 << 2) | 2);  // (224+1)/2, (224+1)/2, (192+1)/2 requantised

  const Decoded colours(4, 2, [](auto x, auto) { return static_cast<std::uint8_t>(x == 0 ? 215 : 0); },
                        Constant(128), Constant(128));
  const auto rgb555 = Convert(t, colours, {kRgb555, true, false, false});
  EXPECT_EQ(rgb555[2] | rgb555[3] << 8, (15 << 10) | (15 << 5) | 15);  // (248 + 0 + 1) >> 1 >> 3
}

TEST(OutputConversion, GreyLayouts) {
  testing::Tables t;
  const Decoded d(4, 2,
                  [](auto x, auto y) {
                    return static_cast<std::uint8_t>(y == 0 ? (x == 0 ? 0 : 255) : y == 2 ? 250 : 34 * x + y);
                  },
                  Constant(90), Constant(200));
  // 4-bit: 15 - y/17 per nibble, left pixel high, from the raw plane.
  const auto grey4 = Convert(t, d, {kGrey4, true, true, false});
  ASSERT_EQ(grey4.size(), 4u);
  EXPECT_EQ(grey4[0], 0xF0);
  EXPECT_EQ(grey4[1], 0x00);
  EXPECT_EQ(grey4[2], (15 << 4) | 13);  // 1, 35
  // 8-bit grey: luma + 26 of the sample one row and column further in, 215 at most.
  const auto grey8 = Convert(t, d, {kColourCube, true, true, true});
  EXPECT_EQ(grey8[0], 26 + 35);
  EXPECT_EQ(grey8[3], 26 + 137);  // from the margin column
  EXPECT_EQ(grey8[4], 241);       // from the margin row, 250 shown as 215
  // Grey RGB: every pixel from its own luma, chroma ignored.
  const auto rgb = Convert(t, d, {kRgb32, false, false, true});
  EXPECT_EQ(rgb[4 * 5 + 0], t.decoder.lumaScale[35]);
  EXPECT_EQ(rgb[4 * 5 + 2], t.decoder.lumaScale[35]);
  EXPECT_EQ(rgb[4 * 1 + 1], 255);  // L[255] limited to 255

  std::array<std::uint8_t, 4> unpacked{};
  const std::array<std::uint8_t, 2> packed{0x0F, 0x5A};
  UnpackNibbles(packed.data(), 2, unpacked.data(), t.arithmetic.unpack4High.data(),
                t.arithmetic.unpack4Low.data());
  EXPECT_EQ(unpacked, (std::array<std::uint8_t, 4>{255, 0, 170, 85}));
}

TEST(OutputConversion, PackedYuvRepacksPairsWithTheBlockChroma) {
  testing::Tables t;
  const Decoded d(3, 2, [](auto x, auto y) { return static_cast<std::uint8_t>(10 * x + y); },
                  Constant(90), Constant(200));
  const auto out = Convert(t, d, {kPackedYuyv, true, true, false});
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 90, 10, 200, 20, 90, 1, 90, 11, 200, 21, 90}));
  const auto grey = Convert(t, d, {17, true, true, true});  // codes without a converter: 4:2:2
  EXPECT_EQ(grey, (std::vector<std::uint8_t>{0, 128, 10, 128, 20, 128, 1, 128, 11, 128, 21, 128}));
}

TEST(OutputConversion, RefusesWithoutTablesOrRoom) {
  testing::Tables t;
  const Decoded d(8, 8, Constant(1), Constant(2), Constant(3));
  std::vector<std::uint8_t> out(8 * 8 * 3 - 1);
  EXPECT_FALSE(ConvertOutputFrame(t.decoder, t.arithmetic, kKeyLossless, 1.0, d.planes, d.g, {}, out));
  out.resize(8 * 8 * 3);
  EXPECT_FALSE(ConvertOutputFrame(t.decoder, t.arithmetic, kKeyLossless, 1.0,
                                  std::span(d.planes).first(50), d.g, {}, out));
  DecoderTables empty;
  EXPECT_FALSE(ConvertOutputFrame(empty, t.arithmetic, kKeyLossless, 1.0, d.planes, d.g, {}, out));
  EXPECT_TRUE(ConvertOutputFrame(t.decoder, t.arithmetic, kKeyLossless, 1.0, d.planes, d.g, {}, out));
}

}  // namespace
}  // namespace kvtc::pixels
