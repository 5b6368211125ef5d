// Every converter at the sizes the codec meets and at sizes that are odd or not multiples of
// 8, on buffers with guard bands: no read or write may leave the buffers it is given.
#include <gtest/gtest.h>

#include "pixels/decimation.h"
#include "pixels/input_converters.h"
#include "pixels/noise_filters.h"
#include "pixels/output_dispatch.h"
#include "pixels/pixel_fixtures.h"
#include "stream/plane_geometry.h"
#include "support/guarded_buffer.h"

namespace kvtc::pixels {
namespace {

using kvtc::testing::GuardedBuffer;

struct Size {
  std::uint32_t w, h;
};
constexpr Size kSizes[] = {{8, 8},  {160, 120}, {176, 144}, {640, 480},
                           {13, 7}, {15, 9},    {1, 1},     {2, 3}};

GuardedBuffer Noisy(std::uint64_t size) {
  static const auto noise = testing::NoiseBytes(640 * 480 * 4, 99);
  GuardedBuffer buffer(size);
  std::copy_n(noise.begin(), size, buffer.data());
  return buffer;
}

std::string Name(Size s, int code) {
  return std::to_string(s.w) + "x" + std::to_string(s.h) + " code " + std::to_string(code);
}

TEST(BufferBounds, InputConversionAndDecimation) {
  auto ctx = testing::MakeEncoderContext();
  for (auto* table : {&ctx->paletteY, &ctx->paletteU, &ctx->paletteV})
    ASSERT_TRUE(table->Allocate(256));
  const std::uint8_t* quarterSum = testing::SharedTables().arithmetic.quarterSum.data();
  for (const Size s : kSizes) {
    const stream::PlaneGeometry g = stream::ComputePlaneGeometry(s.w, s.h, 0);
    for (std::uint8_t code = 0; code <= 14; ++code) {
      ctx->inputFormat = code;
      ctx->compCount = code == 6 ? 1 : 3;  // bit fields: 6-bit grey in 1 byte, and 8-8-8 in 3
      const std::uint64_t inputBytes = InputBytesRead(code, s.w, s.h, ctx->compCount);
      for (const bool grey : {false, true}) {
        GuardedBuffer input = Noisy(inputBytes), planes(g.planeSetSize, 0x33);
        ASSERT_TRUE(ConvertInputFrame(*ctx, input.span(), planes.span(), g, grey) ||
                    inputBytes == 0)
            << Name(s, code);
        ASSERT_TRUE(input.Intact() && planes.Intact()) << Name(s, code);
      }
      for (const std::uint32_t factor : {2u, 8u}) {
        GuardedBuffer buffer = Noisy(inputBytes ? inputBytes : s.w * s.h);
        ASSERT_TRUE(DecimateInput(buffer.span(), code, {s.w, s.h}, factor,
                                  {6, 0, 0, ctx->compCount}, quarterSum));
        ASSERT_TRUE(buffer.Intact()) << Name(s, code) << " /" << factor;
      }
    }
    GuardedBuffer luma = Noisy(std::uint64_t{s.w + 1} * (s.h + 1));
    MedianFilter(luma.data(), s.w + 1, s.h + 1);
    SmoothFilter(luma.data(), s.w + 1, s.h + 1, 0, 1, quarterSum);
    ASSERT_TRUE(luma.Intact()) << Name(s, 0);
  }
}

TEST(BufferBounds, OutputConversion) {
  testing::Tables t(2.0);
  for (const Size s : kSizes) {
    const stream::PlaneGeometry g = stream::ComputePlaneGeometry(s.w, s.h, 0);
    GuardedBuffer planes = Noisy(g.planeSetSize);
    for (const std::uint8_t code : {0, 1, 2, 3, 5, 7, 8, 11, 12, 17}) {
      for (int flags = 0; flags < 8; ++flags) {
        const OutputFrame frame{code, (flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
        GuardedBuffer map = Noisy(g.mapSize);
        GuardedBuffer out(OutputBytes(SelectOutputCode(code, frame.grey), s.w, s.h));
        ASSERT_TRUE(ConvertOutputFrame(t.decoder, t.arithmetic, frame, 2.0, planes.span(), g,
                                       map.span(), out.span()));
        ASSERT_TRUE(planes.Intact() && map.Intact() && out.Intact())
            << Name(s, code) << " flags " << flags;
      }
    }
  }
  GuardedBuffer packed = Noisy(7), unpacked(14);
  UnpackNibbles(packed.data(), 7, unpacked.data(), t.arithmetic.unpack4High.data(),
                t.arithmetic.unpack4Low.data());
  EXPECT_TRUE(packed.Intact() && unpacked.Intact());
}

}  // namespace
}  // namespace kvtc::pixels
