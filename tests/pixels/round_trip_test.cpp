// RGB in, planes, RGB out at gamma 1.0: how far each colour layout moves a picture.
//
// Measured at 160 x 120, absolute error per component (the tolerances below):
//
//                      pixel max  mean   2x2-block mean: max
//   32-bit  gradient        5     0.93        4
//           noise         250    43.95       20
//   24-bit  gradient        5     0.93        4
//           noise         223    43.77       22
//   15-bit  gradient       16     3.68        8
//           noise         232    43.89       24
//   3-3-2   gradient       99    25.08       96
//           noise         255    50.30       88
//   cube    gradient       52    17.03       15
//           noise         245    46.99       30
//
// Chroma is carried once per 2x2 block, so single pixels of noise can move far; the block
// means stay close. The 3-3-2 layout rounds to levels 32 apart (blue 64) that its palette
// shows 36 (blue 85) apart, hence its large error on smooth pictures too.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pixels/input_converters.h"
#include "pixels/output_dispatch.h"
#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"
#include "stream/plane_geometry.h"

namespace kvtc::pixels {
namespace {

constexpr std::uint32_t kW = 160, kH = 120;

struct Rgb {
  int r, g, b;
};

// Components of an output pixel as the display shows them at gamma 1.0 (the palettes of the
// 8-bit layouts give 3-3-2 levels 36r, 36g, 85b and cube levels 51 apart).
Rgb Shown(std::uint8_t code, const std::uint8_t* px) {
  switch (code) {
    case kRgb32:
    case kRgb24:
      return {px[2], px[1], px[0]};
    case kRgb555: {
      const int w = px[0] | px[1] << 8;
      return {(w >> 10 & 31) << 3, (w >> 5 & 31) << 3, (w & 31) << 3};
    }
    case kPalettised8:
      return {36 * (px[0] >> 5), 36 * (px[0] >> 2 & 7), 85 * (px[0] & 3)};
    default: {
      const int n = px[0] - 26;
      return {51 * (n % 6), 51 * (n / 6 % 6), 51 * (n / 36)};
    }
  }
}

// 24-bit B, G, R pixels as 5-5-5 words.
std::vector<std::uint8_t> To555(const std::vector<std::uint8_t>& bgr) {
  std::vector<std::uint8_t> words;
  for (std::size_t i = 0; i < bgr.size(); i += 3) {
    const int w = (bgr[i + 2] >> 3) << 10 | (bgr[i + 1] >> 3) << 5 | bgr[i] >> 3;
    words.push_back(static_cast<std::uint8_t>(w));
    words.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  return words;
}

struct Error {
  int max = 0;
  double mean = 0;
};

// Converts `src` (input code `in`) and back to output code `out`; the error of every
// component against the input, and of each 2x2 block's mean (where chroma subsampling and
// dithering average out).
std::pair<Error, Error> RoundTrip(std::uint8_t in, std::uint8_t out,
                                  const std::vector<std::uint8_t>& src) {
  auto ctx = testing::MakeEncoderContext();
  ctx->inputFormat = in;
  const stream::PlaneGeometry g = stream::ComputePlaneGeometry(kW, kH, 0);
  std::vector<std::uint8_t> planes(g.planeSetSize);
  EXPECT_TRUE(ConvertInputFrame(*ctx, src, planes, g, false));
  testing::Tables t;
  std::vector<std::uint8_t> picture(4 * kW * kH);
  EXPECT_TRUE(ConvertOutputFrame(t.decoder, t.arithmetic, {out, true, true, false}, 1.0, planes, g, {},
                                 picture));
  const std::size_t inBytes = InputBytesRead(in, kW, kH, 0) / (kW * kH);
  const std::size_t outBytes = OutputBytes(out, kW, kH) / (kW * kH);
  const auto input = [&](std::uint32_t x, std::uint32_t y) {
    return Shown(in, &src[(y * kW + x) * inBytes]);
  };
  const auto output = [&](std::uint32_t x, std::uint32_t y) {
    return Shown(out, &picture[(y * kW + x) * outBytes]);
  };
  Error pixel, block;
  long pixelSum = 0, blockSum = 0;
  for (std::uint32_t y = 0; y < kH; y += 2) {
    for (std::uint32_t x = 0; x < kW; x += 2) {
      Rgb inMean{}, outMean{};
      for (std::uint32_t k = 0; k < 4; ++k) {
        const Rgb a = input(x + k % 2, y + k / 2), b = output(x + k % 2, y + k / 2);
        for (const int d : {a.r - b.r, a.g - b.g, a.b - b.b}) {
          pixel.max = std::max(pixel.max, std::abs(d));
          pixelSum += std::abs(d);
        }
        inMean = {inMean.r + a.r, inMean.g + a.g, inMean.b + a.b};
        outMean = {outMean.r + b.r, outMean.g + b.g, outMean.b + b.b};
      }
      for (const int d : {inMean.r - outMean.r, inMean.g - outMean.g, inMean.b - outMean.b}) {
        block.max = std::max(block.max, (std::abs(d) + 2) / 4);
        blockSum += std::abs(d);
      }
    }
  }
  pixel.mean = pixelSum / (3.0 * kW * kH);
  block.mean = blockSum / (3.0 * kW * kH);
  return {pixel, block};
}

TEST(RoundTrip, EveryColourLayoutStaysWithinItsMeasuredTolerance) {
  struct Case {
    const char* name;
    std::uint8_t in, out;
    bool noise;
    int pixelMax;
    double pixelMean;
    int blockMax;
  };
  const Case cases[] = {
      {"32-bit gradient", kRgb32, kRgb32, false, 5, 0.94, 4},
      {"32-bit noise", kRgb32, kRgb32, true, 250, 43.96, 20},
      {"24-bit gradient", kRgb24, kRgb24, false, 5, 0.94, 4},
      {"24-bit noise", kRgb24, kRgb24, true, 223, 43.78, 22},
      {"15-bit gradient", kRgb555, kRgb555, false, 16, 3.69, 8},
      {"15-bit noise", kRgb555, kRgb555, true, 232, 43.90, 24},
      {"3-3-2 gradient", kRgb24, kPalettised8, false, 99, 25.09, 96},
      {"3-3-2 noise", kRgb24, kPalettised8, true, 255, 50.31, 88},
      {"cube gradient", kRgb24, kColourCube, false, 52, 17.04, 15},
      {"cube noise", kRgb24, kColourCube, true, 245, 47.00, 30},
  };
  for (const Case& c : cases) {
    const std::uint32_t bytes = c.in == kRgb32 ? 4 : c.in == kRgb24 ? 3 : 2;
    auto src = c.noise ? testing::NoiseBytes(kW * kH * bytes, 3) : testing::GradientBytes(kW, kH, bytes);
    if (c.in == kRgb555 && !c.noise) src = To555(testing::GradientBytes(kW, kH, 3));
    const auto [pixel, block] = RoundTrip(c.in, c.out, src);
    EXPECT_LE(pixel.max, c.pixelMax) << c.name;
    EXPECT_LE(pixel.mean, c.pixelMean) << c.name;
    EXPECT_LE(block.max, c.blockMax) << c.name;
  }
}

}  // namespace
}  // namespace kvtc::pixels
