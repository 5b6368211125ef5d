// Output zoom: the interpolation, each layout, the factor chain and the buffer checks.
#include "decoder/output_zoom.h"

#include <gtest/gtest.h>

#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"
#include "support/guarded_buffer.h"

namespace kvtc::decoder {
namespace {

using namespace kvtc::pixels;
using Bytes = std::vector<std::uint8_t>;

const std::uint8_t* HalfSum() { return pixels::testing::SharedTables().arithmetic.halfSum.data(); }

Bytes Zoom(const Bytes& src, std::uint32_t w, std::uint32_t h, std::uint8_t code,
           std::uint32_t factor, bool grey = false) {
  Bytes dst(ZoomPictureBytes(code, factor * w, factor * h, grey));
  Bytes first(ZoomPictureBytes(code, 2 * w, 2 * h, grey)),
      second(ZoomPictureBytes(code, 4 * w, 4 * h, grey));
  EXPECT_TRUE(ZoomOutput(src, dst, w, h, code, factor, grey, {first, second}, HalfSum()));
  return dst;
}

TEST(OutputZoom, DecoderModesGiveFactors) {
  for (const auto& [mode, factor] : {std::pair{0u, 1u}, {1u, 8u}, {2u, 2u}, {3u, 8u}, {4u, 4u}, {255u, 8u}})
    EXPECT_EQ(ZoomFactor(static_cast<std::uint8_t>(mode)), factor) << mode;
}

TEST(OutputZoom, PackedLayoutsZoomTheirOwnComponents) {
  // Packed 4:2:2: Y ramps, U and V stay; a planar reading would mix them.
  const Bytes row{0, 50, 10, 90, 20, 50, 30, 90, 40, 50, 50, 90, 60, 50, 60, 90};
  const auto yuv = Zoom({0, 50, 20, 90, 40, 50, 60, 90}, 4, 1, kPackedYuyv, 2);
  EXPECT_EQ(Bytes(yuv.begin(), yuv.begin() + 16), row);
  EXPECT_EQ(Bytes(yuv.begin() + 16, yuv.end()), row);
  // An odd width ends in a lone Y and U; the zoomed row has whole pairs, its last V repeated.
  const auto odd = Zoom({10, 50, 30, 90, 70, 60}, 3, 1, kPackedYuyv, 2);
  EXPECT_EQ(Bytes(odd.begin(), odd.begin() + 12),
            (Bytes{10, 50, 20, 90, 30, 55, 50, 90, 70, 60, 70, 90}));
  // 4-bit grey: nibbles are pixels (pixels 0, 15; then 4, 15, 2 with a padding nibble).
  EXPECT_EQ(Zoom({0x0F}, 2, 1, kGrey4, 2), (Bytes{0x08, 0xFF, 0x08, 0xFF}));
  EXPECT_EQ(Zoom({0x4F, 0x20}, 3, 1, kGrey4, 2), (Bytes{0x4A, 0xF9, 0x22, 0x4A, 0xF9, 0x22}));
}

TEST(OutputZoom, GreyPlanarPicturesZoomOnlyTheLuma) {
  const auto src = pixels::testing::NoiseBytes(4 * 4 * 3 / 2, 2);
  const auto colour = Zoom(src, 4, 4, kPlanar420, 2);
  Bytes grey(8 * 8 * 3 / 2, 0xEE);
  ASSERT_TRUE(ZoomOutput(src, grey, 4, 4, kPlanar420, 2, true, {}, HalfSum()));
  EXPECT_TRUE(std::equal(grey.begin(), grey.begin() + 64, colour.begin()));
  EXPECT_TRUE(std::all_of(grey.begin() + 64, grey.end(), [](auto b) { return b == 0xEE; }));
  EXPECT_EQ(colour[64], src[16]);  // U 2x2 -> 4x4 at 64, V at 80
  EXPECT_EQ(colour[80], src[20]);
}

TEST(OutputZoom, RefusesBuffersThatAreTooSmallAndTakesTheContextsSettings) {
  Bytes src(8 * 8 * 3), dst(16 * 8 * 8 * 3), first(4 * 8 * 8 * 3);
  EXPECT_FALSE(
      ZoomOutput(src, std::span(dst).first(3071), 8, 8, kRgb24, 4, false, {first, {}}, HalfSum()));
  EXPECT_FALSE(
      ZoomOutput(src, dst, 8, 8, kRgb24, 4, false, {std::span(first).first(767), {}}, HalfSum()));
  EXPECT_FALSE(ZoomOutput(src, dst, 8, 8, kRgb24, 3, false, {first, {}}, HalfSum()));
  pixels::testing::ContextPtr ctx(stream::CreateContext());
  ctx->outputFormat = kRgb24;
  ctx->decoderMode = 4;
  EXPECT_FALSE(ZoomOutput(src, dst, 8, 8, *ctx, false));  // no sum table, no zoom buffers
  ASSERT_TRUE(stream::EnsureSumTables(ctx->tables) && ctx->dec.zoom2x.Allocate(first.size()));
  EXPECT_TRUE(ZoomOutput(src, dst, 8, 8, *ctx, false));
}

TEST(OutputZoom, NothingOutsideTheBuffersIsTouchedAtAnySize) {
  struct Size {
    std::uint32_t w, h, maxFactor;
  };
  for (const Size s : {Size{8, 8, 8}, Size{160, 120, 4}, Size{176, 144, 2}, Size{640, 480, 2},
                       Size{13, 7, 8}, Size{1, 1, 8}, Size{3, 2, 8}}) {
    for (const std::uint8_t code : {0, 1, 2, 3, 5, 7, 8, 11, 12, 10}) {
      for (const bool grey : {false, true}) {
        for (std::uint32_t factor = 2; factor <= s.maxFactor; factor *= 2) {
          const auto bytes = [&](std::uint32_t z) {
            return ZoomPictureBytes(code, z * s.w, z * s.h, grey);
          };
          kvtc::testing::GuardedBuffer src(bytes(1), 0x6B), dst(bytes(factor)), first(bytes(2)),
              second(bytes(4));
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
