// Every converter at the sizes the codec meets, and at sizes that are not multiples of 8 or
// are odd, on buffers with guard bands: no read or write may leave the buffers it is given.
#include <gtest/gtest.h>

#include <algorithm>

#include "pixels/decimation.h"
#include "pixels/input_converters.h"
#include "pixels/noise_filters.h"
#include "pixels/output_dispatch.h"
#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"
#include "stream/plane_geometry.h"
#include "support/guarded_buffer.h"

namespace kvtc::pixels {
namespace {

using kvtc::testing::GuardedBuffer;

struct Size {
  std::uint32_t w, h;
};
constexpr Size kSizes[] = {{8, 8}, {160, 120}, {176, 144}, {640, 480}, {13, 7}, {15, 9}, {1, 1}, {2, 3}};

const std::vector<std::uint8_t>& Noise() {
  static const auto noise = testing::NoiseBytes(640 * 480 * 4, 99);
  return noise;
}

GuardedBuffer NoisyBuffer(std::uint64_t size) {
  GuardedBuffer buffer(size);
  std::copy_n(Noise().begin(), size, buffer.data());
  return buffer;
}

std::string Name(Size s, int code) {
  return std::to_string(s.w) + "x" + std::to_string(s.h) + " code " + std::to_string(code);
}

TEST(BufferBounds, InputConvertersStayInsideTheInputAndThePlaneSet) {
  auto ctx = testing::MakeEncoderContext();
  for (auto* table : {&ctx->paletteY, &ctx->paletteU, &ctx->paletteV}) {
    ASSERT_TRUE(table->Allocate(256));
    std::copy_n(Noise().begin(), 256, table->data());
  }
  struct Layout {
    std::uint8_t code;
    std::uint8_t bits[3];
    std::uint8_t pixelBytes;
  };
  const Layout layouts[] = {{0, {8, 8, 8}, 3},   {1, {8, 8, 8}, 3},  {2, {8, 8, 8}, 3},  {3, {8, 8, 8}, 3},
                            {4, {8, 8, 8}, 3},   {5, {8, 8, 8}, 3},  {6, {6, 0, 0}, 1},  {6, {8, 8, 8}, 3},
                            {7, {8, 8, 8}, 3},   {8, {8, 8, 8}, 3},  {9, {8, 8, 8}, 3},  {10, {8, 8, 8}, 3},
                            {11, {8, 8, 8}, 3},  {12, {8, 8, 8}, 3}, {13, {8, 8, 8}, 3}, {14, {8, 8, 8}, 3}};
  for (const Size s : kSizes) {
    const stream::PlaneGeometry g = stream::ComputePlaneGeometry(s.w, s.h, 0);
    for (const Layout& layout : layouts) {
      ctx->inputFormat = layout.code;
      std::copy_n(layout.bits, 3, ctx->compBits);
      ctx->compCount = layout.pixelBytes;
      for (const bool grey : {false, true}) {
        GuardedBuffer input = NoisyBuffer(InputBytesRead(layout.code, s.w, s.h, layout.pixelBytes));
        GuardedBuffer planes(g.planeSetSize, 0x33);
        ASSERT_TRUE(ConvertInputFrame(*ctx, input.span(), planes.span(), g, grey)) << Name(s, layout.code);
        ASSERT_TRUE(input.Intact() && planes.Intact()) << Name(s, layout.code);
      }
    }
  }
}

TEST(BufferBounds, DecimationStaysInsideTheBuffer) {
  const std::uint8_t* quarterSum = [] {
    static testing::Tables t;
    return t.arithmetic.quarterSum.data();
  }();
  for (const Size s : kSizes) {
    for (const std::uint8_t code : {0, 1, 2, 3, 5, 6, 10, 11, 12, 13, 14}) {
      for (const std::uint32_t factor : {2u, 4u, 8u}) {
        const BitFieldLayout fields{6, 0, 0, 1};
        GuardedBuffer buffer = NoisyBuffer(InputBytesRead(code, s.w, s.h, fields.pixelBytes));
        ASSERT_TRUE(DecimateInput(buffer.span(), code, {s.w, s.h}, factor, fields, quarterSum));
        ASSERT_TRUE(buffer.Intact()) << Name(s, code) << " /" << factor;
      }
    }
  }
}

TEST(BufferBounds, FiltersStayInsideTheLumaPlane) {
  testing::Tables t;
  for (const Size s : kSizes) {
    GuardedBuffer plane = NoisyBuffer(std::uint64_t{s.w + 1} * (s.h + 1));
    MedianFilter(plane.data(), s.w + 1, s.h + 1);
    SmoothFilter(plane.data(), s.w + 1, s.h + 1, 0, 1, t.arithmetic.quarterSum.data());
    ASSERT_TRUE(plane.Intact()) << Name(s, 0);
  }
}

TEST(BufferBounds, OutputConvertersStayInsideThePlanesTheMapAndTheOutput) {
  testing::Tables t(2.0);
  for (const Size s : kSizes) {
    const stream::PlaneGeometry g = stream::ComputePlaneGeometry(s.w, s.h, 0);
    GuardedBuffer planes = NoisyBuffer(g.planeSetSize);
    for (const std::uint8_t code : {0, 1, 2, 3, 5, 7, 8, 11, 12, 17}) {
      for (int flags = 0; flags < 8; ++flags) {
        const OutputFrame frame{code, (flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
        GuardedBuffer map(g.mapSize);
        for (std::size_t i = 0; i < map.size(); ++i) map[i] = Noise()[i] & 1;
        GuardedBuffer out(OutputBytes(SelectOutputCode(code, frame.grey), s.w, s.h), 0x5A);
        ASSERT_TRUE(ConvertOutputFrame(t.decoder, t.arithmetic, frame, 2.0, planes.span(), g, map.span(),
                                       out.span()));
        ASSERT_TRUE(planes.Intact() && map.Intact() && out.Intact()) << Name(s, code) << " flags " << flags;
      }
    }
  }
  GuardedBuffer packed = NoisyBuffer(7), unpacked(14);
  UnpackNibbles(packed.data(), 7, unpacked.data(), t.arithmetic.unpack4High.data(), t.arithmetic.unpack4Low.data());
  EXPECT_TRUE(packed.Intact() && unpacked.Intact());
}

}  // namespace
}  // namespace kvtc::pixels
