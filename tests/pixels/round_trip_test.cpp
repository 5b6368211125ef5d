// RGB in, planes, RGB out at gamma 1.0: how far each colour layout moves a 160 x 120 picture.
// The tolerances below are the measured errors per component: the largest and the mean over
// all pixels, and the largest error of a 2x2 block's mean.
//
// Chroma is carried once per 2x2 block, so single pixels of noise can move far while block
// means stay close. The 3-3-2 layout rounds to levels 32 apart (blue 64) that its palette
// shows 36 (blue 85) apart, hence its large error on smooth pictures too.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pixels/input_converters.h"
#include "pixels/output_dispatch.h"
#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"

namespace kvtc::pixels {
namespace {

constexpr std::uint32_t kW = 160, kH = 120, kPixels = kW * kH;

struct Rgb {
  int r, g, b;
};

std::vector<Rgb> Picture(bool noise) {
  const auto bytes = testing::NoiseBytes(3 * kPixels, 3);
  std::vector<Rgb> picture(kPixels);
  for (std::uint32_t i = 0; i < kPixels; ++i) {
    const int x = static_cast<int>(i % kW), y = static_cast<int>(i / kW), w = kW, h = kH;
    picture[i] =
        noise ? Rgb{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]}
              : Rgb{x * 255 / (w - 1), (w - 1 - x + y) * 255 / (w + h - 2), y * 255 / (h - 1)};
  }
  return picture;
}

std::vector<std::uint8_t> Encode(std::uint8_t code, const std::vector<Rgb>& picture) {
  std::vector<std::uint8_t> bytes;
  for (const Rgb c : picture) {
    if (code == kRgb555) {
      const int w = (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3;
      bytes.insert(bytes.end(), {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8)});
    } else {
      bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g),
                                 static_cast<std::uint8_t>(c.r)});
      if (code == kRgb32) bytes.push_back(0);
    }
  }
  return bytes;
}

// A pixel as the display shows it at gamma 1.0: the 8-bit palettes give 3-3-2 levels 36r,
// 36g, 85b and cube levels 51 apart.
Rgb Shown(std::uint8_t code, const std::uint8_t* px) {
  const int n = px[0] - 26;
  switch (code) {
    case kRgb555: {
      const int w = px[0] | px[1] << 8;
      return {(w >> 10 & 31) << 3, (w >> 5 & 31) << 3, (w & 31) << 3};
    }
    case kPalettised8:
      return {36 * (px[0] >> 5), 36 * (px[0] >> 2 & 7), 85 * (px[0] & 3)};
    case kColourCube:
      return {51 * (n % 6), 51 * (n / 6 % 6), 51 * (n / 36)};
    default:
      return {px[2], px[1], px[0]};
  }
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
      // name, layouts in and out, noise or gradient, pixel max and mean, block max
      {"32-bit gradient", kRgb32, kRgb32, false, 7, 1.01, 6},
      {"32-bit noise", kRgb32, kRgb32, true, 232, 43.74, 22},
      {"24-bit gradient", kRgb24, kRgb24, false, 7, 1.01, 6},
      {"24-bit noise", kRgb24, kRgb24, true, 232, 43.74, 22},
      {"15-bit gradient", kRgb555, kRgb555, false, 16, 3.49, 8},
      {"15-bit noise", kRgb555, kRgb555, true, 232, 43.71, 22},
      {"3-3-2 gradient", kRgb24, kPalettised8, false, 97, 23.06, 96},
      {"3-3-2 noise", kRgb24, kPalettised8, true, 255, 50.12, 88},
      {"cube gradient", kRgb24, kColourCube, false, 51, 16.79, 13},
      {"cube noise", kRgb24, kColourCube, true, 249, 47, 29},
  };
  const stream::PlaneGeometry g = stream::ComputePlaneGeometry(kW, kH, 0);
  for (const Case& c : cases) {
    auto ctx = testing::MakeEncoderContext();
    ctx->inputFormat = c.in;
    const auto src = Encode(c.in, Picture(c.noise));
    std::vector<std::uint8_t> planes(g.planeSetSize), out(4 * kPixels);
    ASSERT_TRUE(ConvertInputFrame(*ctx, src, planes, g, false));
    testing::Tables t;
    ASSERT_TRUE(ConvertOutputFrame(t.decoder, t.arithmetic, {c.out, true, true, false}, 1.0, planes,
                                   g, {}, out));
    const std::size_t inBytes = src.size() / kPixels,
                      outBytes = OutputBytes(c.out, kW, kH) / kPixels;
    int pixelMax = 0, blockMax = 0;
    long pixelSum = 0;
    for (std::uint32_t i = 0; i < kPixels; i += 2) {
      if (i / kW % 2) continue;  // visit each 2x2 block from its top-left pixel
      int blockError[3] = {};
      for (const std::uint32_t p : {i, i + 1, i + kW, i + kW + 1}) {
        const Rgb a = Shown(c.in, &src[p * inBytes]), b = Shown(c.out, &out[p * outBytes]);
        const int d[3] = {a.r - b.r, a.g - b.g, a.b - b.b};
        for (int k = 0; k < 3; ++k) {
          pixelMax = std::max(pixelMax, std::abs(d[k]));
          pixelSum += std::abs(d[k]);
          blockError[k] += d[k];
        }
      }
      for (const int e : blockError) blockMax = std::max(blockMax, (std::abs(e) + 2) / 4);
    }
    const double pixelMean = pixelSum / (3.0 * kPixels);
    EXPECT_LE(pixelMax, c.pixelMax) << c.name;
    EXPECT_LE(pixelMean, c.pixelMean) << c.name;
    EXPECT_LE(blockMax, c.blockMax) << c.name;
  }
}

}  // namespace
}  // namespace kvtc::pixels
