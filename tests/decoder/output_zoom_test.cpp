// Output zoom: the interpolation, each layout, the factor chain and the buffer checks.
#include "decoder/output_zoom.h"

#include <gtest/gtest.h>

#include <vector>

#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"
#include "support/guarded_buffer.h"

namespace kvtc::decoder {
namespace {

using namespace kvtc::pixels;
using kvtc::testing::GuardedBuffer;

const std::uint8_t* HalfSum() {
  static pixels::testing::Tables tables;
  return tables.arithmetic.halfSum.data();
}

std::vector<std::uint8_t> Zoom(const std::vector<std::uint8_t>& src, std::uint32_t w,
                               std::uint32_t h, std::uint8_t code, std::uint32_t factor,
                               bool grey = false, std::uint8_t fill = 0) {
  std::vector<std::uint8_t> dst(ZoomPictureBytes(code, factor * w, factor * h, grey), fill);
  std::vector<std::uint8_t> first(ZoomPictureBytes(code, 2 * w, 2 * h, grey));
  std::vector<std::uint8_t> second(ZoomPictureBytes(code, 4 * w, 4 * h, grey));
  EXPECT_TRUE(ZoomOutput(src, dst, w, h, code, factor, grey, {first, second}, HalfSum()));
  return dst;
}

TEST(OutputZoom, DecoderModesGiveFactors) {
  struct Case {
    std::uint8_t mode;
    std::uint32_t factor;
  };
  for (const Case c : {Case{0, 1}, Case{2, 2}, Case{4, 4}, Case{3, 8}, Case{8, 8}, Case{1, 8}, Case{255, 8}}) {
    EXPECT_EQ(ZoomFactor(c.mode), c.factor) << int{c.mode};
  }
}

TEST(OutputZoom, TwoPixelsOf24BitRgbInterpolateAndRepeat) {
  const std::vector<std::uint8_t> src{10, 20, 30, 20, 40, 61};
  const std::vector<std::uint8_t> row{10, 20, 30, 15, 30, 46, 20, 40, 61, 20, 40, 61};
  std::vector<std::uint8_t> expected = row;
  expected.insert(expected.end(), row.begin(), row.end());
  EXPECT_EQ(Zoom(src, 2, 1, kRgb24, 2), expected);
}

TEST(OutputZoom, OddRowsAverageAndTheLastRowRepeats) {
  const std::vector<std::uint8_t> src{0, 100, 51, 9};  // 2 x 2 grey
  const auto out = Zoom(src, 2, 2, kGrey8, 2);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 50, 100, 100,  //
                                            26, 40, 55, 55,   //
                                            51, 30, 9, 9,     //
                                            51, 30, 9, 9}));
}

TEST(OutputZoom, FifteenBitPixelsAreZoomedByteByByte) {
  const std::vector<std::uint8_t> src{0xFF, 0x00, 0x01, 0x7F};
  const auto out = Zoom(src, 2, 1, kRgb555, 2);
  EXPECT_EQ(out[2], 0x80);  // (0xFF + 0x01 + 1) >> 1
  EXPECT_EQ(out[3], 0x40);  // (0x00 + 0x7F + 1) >> 1
}

TEST(OutputZoom, LargerFactorsChainTwofoldPasses) {
  const auto src = pixels::testing::NoiseBytes(5 * 3 * 4, 21);
  for (const std::uint8_t code : {kRgb32, kGrey4, kPackedYuyv, kPlanar420}) {
    const auto twice = Zoom(Zoom(src, 5, 3, code, 2), 10, 6, code, 2);
    EXPECT_EQ(Zoom(src, 5, 3, code, 4), twice) << int{code};
    EXPECT_EQ(Zoom(src, 5, 3, code, 8), Zoom(twice, 20, 12, code, 2)) << int{code};
  }
}

TEST(OutputZoom, PackedYuvZoomsItsOwnComponents) {
  // Y ramps across, U and V are constant: a planar reading would mix them.
  std::vector<std::uint8_t> src;
  for (int pair = 0; pair < 2; ++pair) {
    src.insert(src.end(), {static_cast<std::uint8_t>(40 * pair), 50, static_cast<std::uint8_t>(40 * pair + 20), 90});
  }
  const auto out = Zoom(src, 4, 1, kPackedYuyv, 2);
  const std::vector<std::uint8_t> row{0, 50, 10, 90, 20, 50, 30, 90, 40, 50, 50, 90, 60, 50, 60, 90};
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 16), row);
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 16, out.end()), row);
}

TEST(OutputZoom, OddWidthPackedYuvFillsWholePairs) {
  const std::vector<std::uint8_t> src{10, 50, 30, 90, 70, 60};  // pairs (10, 30 | 50, 90), lone 70 with U 60
  const auto out = Zoom(src, 3, 1, kPackedYuyv, 2);
  ASSERT_EQ(out.size(), 24u);
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 12),
            (std::vector<std::uint8_t>{10, 50, 20, 90, 30, 55, 50, 90, 70, 60, 70, 90}));
}

TEST(OutputZoom, FourBitGreyZoomsNibblesAsPixels) {
  const std::vector<std::uint8_t> src{0x0F};  // pixels 0 and 15
  EXPECT_EQ(Zoom(src, 2, 1, kGrey4, 2), (std::vector<std::uint8_t>{0x08, 0xFF, 0x08, 0xFF}));
  const std::vector<std::uint8_t> odd{0x4F, 0x20};  // 3 pixels: 4, 15, 2; the last nibble is padding
  EXPECT_EQ(Zoom(odd, 3, 1, kGrey4, 2), (std::vector<std::uint8_t>{0x4A, 0xF9, 0x22, 0x4A, 0xF9, 0x22}));
}

TEST(OutputZoom, GreyPlanarPicturesZoomOnlyTheLuma) {
  const auto src = pixels::testing::NoiseBytes(4 * 4 * 3 / 2, 2);
  const auto colour = Zoom(src, 4, 4, kPlanar420, 2);
  ASSERT_EQ(colour.size(), 8u * 8 * 3 / 2);
  std::vector<std::uint8_t> grey(8 * 8 * 3 / 2, 0xEE);
  ASSERT_TRUE(ZoomOutput(src, grey, 4, 4, kPlanar420, 2, true, {}, HalfSum()));
  EXPECT_TRUE(std::equal(grey.begin(), grey.begin() + 64, colour.begin()));
  EXPECT_TRUE(std::all_of(grey.begin() + 64, grey.end(), [](auto b) { return b == 0xEE; }));
  // Chroma planes of the colour picture: U 2x2 -> 4x4 at 64, V at 80.
  EXPECT_EQ(colour[64], src[16]);
  EXPECT_EQ(colour[80], src[20]);
}

TEST(OutputZoom, RefusesBuffersThatAreTooSmall) {
  std::vector<std::uint8_t> src(8 * 8 * 3), dst(64 * 8 * 8 * 3), first(4 * 8 * 8 * 3), second(16 * 8 * 8 * 3);
  EXPECT_TRUE(ZoomOutput(src, dst, 8, 8, kRgb24, 8, false, {first, second}, HalfSum()));
  EXPECT_FALSE(ZoomOutput(src, std::span(dst).first(dst.size() - 1), 8, 8, kRgb24, 8, false, {first, second}, HalfSum()));
  EXPECT_FALSE(ZoomOutput(src, dst, 8, 8, kRgb24, 8, false, {first, std::span(second).first(10)}, HalfSum()));
  EXPECT_FALSE(ZoomOutput(src, dst, 8, 8, kRgb24, 4, false, {}, HalfSum()));
  EXPECT_FALSE(ZoomOutput(std::span(src).first(100), dst, 8, 8, kRgb24, 2, false, {}, HalfSum()));
  EXPECT_FALSE(ZoomOutput(src, dst, 8, 8, kRgb24, 3, false, {}, HalfSum()));
}

TEST(OutputZoom, ContextSuppliesCodeModeBuffersAndTable) {
  pixels::testing::ContextPtr ctx(stream::CreateContext());
  ASSERT_TRUE(ctx);
  const std::vector<std::uint8_t> src{10, 20, 30, 20, 40, 61};
  std::vector<std::uint8_t> dst(16 * 3 * 4);
  ctx->outputFormat = kRgb24;
  ctx->decoderMode = 4;
  EXPECT_FALSE(ZoomOutput(src, dst, 2, 1, *ctx, false));  // no sum table yet
  ASSERT_TRUE(stream::EnsureSumTables(ctx->tables));
  EXPECT_FALSE(ZoomOutput(src, dst, 2, 1, *ctx, false));  // no zoom buffers yet
  ASSERT_TRUE(ctx->dec.zoom2x.Allocate(16 * 2));
  EXPECT_TRUE(ZoomOutput(src, dst, 2, 1, *ctx, false));
  EXPECT_EQ(dst[3 * 7 + 2], 61);
}

TEST(OutputZoom, NothingOutsideTheBuffersIsTouchedAtAnySize) {
  const std::uint8_t codes[] = {kPackedYuyv, kRgb32, kRgb24, kRgb555, kPalettised8, kIndex332, kColourCube,
                                kGrey8, kGrey4, kPlanar420};
  struct Size {
    std::uint32_t w, h, maxFactor;
  };
  for (const Size s : {Size{8, 8, 8}, Size{160, 120, 4}, Size{176, 144, 2}, Size{640, 480, 2}, Size{13, 7, 8},
                       Size{1, 1, 8}, Size{3, 2, 8}}) {
    for (const std::uint8_t code : codes) {
      for (const bool grey : {false, true}) {
        for (std::uint32_t factor = 2; factor <= s.maxFactor; factor *= 2) {
          const auto bytes = [&](std::uint32_t z) { return ZoomPictureBytes(code, z * s.w, z * s.h, grey); };
          const auto noise = pixels::testing::NoiseBytes(bytes(1), s.w + code);
          GuardedBuffer src(bytes(1)), dst(bytes(factor)), first(bytes(2)), second(bytes(4));
          std::copy(noise.begin(), noise.end(), src.data());
          ASSERT_TRUE(ZoomOutput(src.span(), dst.span(), s.w, s.h, code, factor, grey,
                                 {first.span(), second.span()}, HalfSum()));
          ASSERT_TRUE(src.Intact() && dst.Intact() && first.Intact() && second.Intact())
              << int{code} << " " << s.w << "x" << s.h << " x" << factor;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kvtc::decoder
