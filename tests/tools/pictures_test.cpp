// The tool's own pictures: input conversion's layouts and scales, and the picture error the
// demo reports.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "kvtc/input_conversion.h"
#include "kvtc/picture_metrics.h"

namespace kvtc::tool {
namespace {

// A solid RGB24 picture with its top row painted `top`.
FramePtr Picture(int w, int h, std::array<std::uint8_t, 3> fill, std::array<std::uint8_t, 3> top) {
  FramePtr f = AllocFrame(w, h, AV_PIX_FMT_RGB24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::memcpy(f->data[0] + y * f->linesize[0] + 3 * x, (y == 0 ? top : fill).data(), 3);
    }
  }
  return f;
}

TEST(InputConversion, OddEdgesAreCroppedNotScaled) {
  FramePtr p = Picture(65, 49, {10, 20, 30}, {10, 20, 30});
  p->data[0][3 * 7] = 200;  // one red pixel in the top row, column 7
  InputConverter rgb(InputFormat::Rgb24, 64, 48);
  const auto bits = rgb.Convert(*p);
  const std::uint8_t* top = &bits[47 * 64 * 3];
  EXPECT_EQ(top[3 * 7 + 2], 200);  // bitmaps hold B, G, R
  EXPECT_EQ(top[3 * 6 + 2], 10);
  EXPECT_EQ(top[3 * 8 + 2], 10);
}

TEST(InputConversion, PackedYuvCarriesTheCodecsOwnChromaScale) {
  // The chroma the codec's colour tables would give the same pixels.
  const double r = 40, g = 90, b = 200;
  const double u = -0.1241941 * r - 0.243751 * g + 0.3679451 * b + 128;
  const double v = 0.5184451 * r - 0.4337941 * g - 0.084651 * b + 128;
  const double y = 0.299 * r + 0.587 * g + 0.114 * b;  // full-range luma
  const FramePtr p = Picture(64, 48, {40, 90, 200}, {40, 90, 200});
  for (InputFormat f : {InputFormat::Yuy2, InputFormat::Cyuv}) {
    InputConverter conv(f, 64, 48);
    const auto bits = conv.Convert(*p);
    const int yAt = f == InputFormat::Yuy2 ? 0 : 1, uAt = f == InputFormat::Yuy2 ? 1 : 0;
    EXPECT_NEAR(bits[yAt], y, 1.0);
    EXPECT_NEAR(bits[uAt], u, 1.5);
    EXPECT_NEAR(bits[uAt + 2], v, 1.5);
  }
}

TEST(InputConversion, GreyLayoutsMatchTheirColourTables) {
  const FramePtr white = Picture(8, 2, {255, 255, 255}, {255, 255, 255});
  const FramePtr black = Picture(8, 2, {0, 0, 0}, {0, 0, 0});
  InputConverter g4(InputFormat::Gray4, 8, 2);
  // Nibbles count down from white: black is 15, white about 2 (luma 221 of the codec's 215).
  EXPECT_EQ(g4.Convert(*black)[0], 0xFF);
  EXPECT_EQ(g4.Convert(*white)[0], 0x22);
  EXPECT_EQ(g4.Header().colours()[15].rgbGreen, 0);
  EXPECT_EQ(g4.Header().colours()[2].rgbGreen, 255);
  InputConverter g6(InputFormat::Gray6, 8, 2);
  EXPECT_EQ(g6.Convert(*white)[0], 63);
  EXPECT_EQ(g6.Header().colours()[63].rgbRed, 255);
}

// The picture error the demo reports, against its formula.
TEST(PictureError, PsnrOfKnownDifferences) {
  FramePtr a = Picture(4, 2, {100, 100, 100}, {100, 100, 100});
  FramePtr b = Picture(4, 2, {100, 100, 100}, {100, 100, 100});
  PictureError same;
  same.Add(*a, *b);
  EXPECT_TRUE(std::isinf(same.PsnrY()));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) b->data[0][y * b->linesize[0] + 3 * x] = 103;  // red off by 3
  }
  PictureError e;
  e.Add(*a, *b);
  EXPECT_NEAR(e.PsnrRgb(), 10 * std::log10(255.0 * 255.0 / 3.0), 1e-9);  // MSE 9 over 3 parts
  EXPECT_NEAR(e.PsnrY(), 10 * std::log10(255.0 * 255.0 / (0.897 * 0.897)), 1e-9);
}

}  // namespace
}  // namespace kvtc::tool
