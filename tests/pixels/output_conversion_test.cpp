// Output conversion: member selection, each layout's pixels, the variants and the update map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "pixels/output_dispatch.h"
#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"

namespace kvtc::pixels {
namespace {

using Sample = std::function<int(std::uint32_t x, std::uint32_t y)>;

// A decoded plane set whose samples are given by functions, and its update map.
struct Decoded {
  stream::PlaneGeometry g;
  std::vector<std::uint8_t> planes, map;
  Decoded(std::uint32_t w, std::uint32_t h, const Sample& luma, int u = 128, int v = 128)
      : g(stream::ComputePlaneGeometry(w, h, 0)), planes(g.planeSetSize), map(g.mapSize) {
    for (std::uint32_t i = 0; i < g.uOffset; ++i) {
      planes[i] = static_cast<std::uint8_t>(luma(i % g.lumaStride, i / g.lumaStride));
    }
    std::fill(planes.begin() + g.uOffset, planes.begin() + g.vOffset, u);
    std::fill(planes.begin() + g.vOffset, planes.end(), v);
  }
};

Sample Flat(int value) {
  return [value](auto, auto) { return value; };
}

std::vector<std::uint8_t> Convert(const Decoded& d, OutputFrame frame, double gamma = 1.0) {
  static testing::Tables t;
  std::vector<std::uint8_t> out(
      OutputBytes(SelectOutputCode(frame.code, frame.grey), d.g.width, d.g.height), 0xEE);
  std::vector<std::uint8_t> map = d.map;
  EXPECT_TRUE(ConvertOutputFrame(t.decoder, t.arithmetic, frame, gamma, d.planes, d.g,
                                 map, out));
  return out;
}

TEST(OutputConversion, WhiteAndBlackInEveryColourLayoutAtEveryDitherPosition) {
  struct Case {
    std::uint8_t code;
    std::vector<std::uint8_t> white, black;
  };
  const Case cases[] = {{kRgb32, {255, 255, 255}, {0, 0, 0}},
                        {kRgb24, {255, 255, 255}, {0, 0, 0}},
                        {kRgb555, {0xFF, 0x7F}, {0, 0}},
                        {kPalettised8, {0xFF}, {0}},
                        {kColourCube, {241}, {26}}};
  for (const Case& c : cases) {
    for (const bool white : {true, false}) {
      const auto out = Convert(Decoded(16, 16, Flat(white ? 215 : 0)), {c.code, true, true, false});
      const auto& pixel = white ? c.white : c.black;
      for (std::size_t i = 0; i < out.size(); i += out.size() / 256) {
        ASSERT_TRUE(std::equal(pixel.begin(), pixel.end(), out.begin() + i))
            << int{c.code} << " " << i;
      }
    }
  }
}

// Luma, chroma and gamma over a grid against the colour formula, clamped to a byte.
TEST(OutputConversion, ColourPixelsFollowTheFormulaAndTheGamma) {
  using testing::Rounded;
  for (const double gamma : {1.0, 2.0, 0.6}) {
    const auto shown = [gamma](int sum) {
      const double c = std::clamp(sum, 0, 255) * 0.00392156862745098;
      return static_cast<int>(std::trunc(255 * std::pow(c, 1 / gamma) + 0.5));
    };
    for (const int y : {0, 37, 100, 215, 255}) {
      for (const int u : {0, 90, 128, 255}) {
        for (const int v : {0, 127, 200, 255}) {
          SCOPED_TRACE(std::to_string(y) + " " + std::to_string(u) + " " + std::to_string(v));
          const auto px = Convert(Decoded(8, 8, Flat(y), u, v), {kRgb24, true, true, false}, gamma);
          const int l = Rounded(1.186165 * y);
          EXPECT_EQ(px[2], shown(l + Rounded(1.352295 * (v - 128))));
          const int green = Rounded(0.4694733 * (128 - u)) + Rounded(0.6890521 * (128 - v));
          EXPECT_EQ(px[1], shown(l + green));
          EXPECT_EQ(px[0], shown(l + Rounded(2.406843 * (u - 128))));
        }
      }
    }
  }
}

TEST(OutputConversion, VariantAndCodeSelection) {
  EXPECT_EQ(SelectOutputVariant(true, false, true), OutputVariant::kHalf);
  EXPECT_EQ(SelectOutputVariant(false, false, true), OutputVariant::kPartial);
  EXPECT_EQ(SelectOutputVariant(false, false, false), OutputVariant::kHalfPartial);
  EXPECT_EQ(SelectOutputCode(kIndex332, true), kGrey8);
  EXPECT_EQ(SelectOutputCode(kRgb24, true), kRgb24);
}

TEST(OutputConversion, PartialVariantsWriteOnlyMarkedPixels) {
  Decoded d(16, 16, Flat(100), 60, 180);
  // The grey members and the grey, 4-bit and packed layouts always write the whole picture.
  for (const OutputFrame frame :
       {OutputFrame{kRgb24, false, false, true}, OutputFrame{kRgb555, false, false, true},
        OutputFrame{kColourCube, false, false, true}, OutputFrame{kGrey4, false, false, false},
        OutputFrame{kPackedYuyv, false, false, false}}) {
    const auto out = Convert(d, frame);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xEE), 0) << int{frame.code};
  }
  d.map[3 * d.g.mapStride + 5] = d.map[3 * d.g.mapStride + 6] = 1;
  const auto out = Convert(d, {kPalettised8, false, true, false});
  for (std::uint32_t i = 0; i < 256; ++i)
    EXPECT_EQ(out[i] != 0xEE, i == 3 * 16 + 5 || i == 3 * 16 + 6) << i;
}

TEST(OutputConversion, PackedYuvRepacksPairsWithTheBlockChroma) {
  const Decoded d(
      3, 2, [](auto x, auto y) { return 10 * x + y; }, 90, 200);
  EXPECT_EQ(Convert(d, {kPackedYuyv, true, true, false}),
            (std::vector<std::uint8_t>{0, 90, 10, 200, 20, 90, 1, 90, 11, 200, 21, 90}));
  EXPECT_EQ(Convert(d, {17, true, true, true}),  // codes without a converter of their own
            (std::vector<std::uint8_t>{0, 128, 10, 128, 20, 128, 1, 128, 11, 128, 21, 128}));
}

}  // namespace
}  // namespace kvtc::pixels
