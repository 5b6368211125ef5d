#include "stream/motion_compensation.h"

#include <cstddef>

#include "pixels/pixel_kernels.h"

namespace kvtc::stream {

namespace {

// Odd components select the interpolating cases: bit 0 horizontal, bit 1 vertical.
int Phase(MotionVector v) { return (v.dx & 1) | (v.dy & 1) << 1; }

template <int N>
void HalfSample(std::uint8_t* dest, const std::uint8_t* s, MotionVector v,
                const std::int32_t (*grid)[N + 1], const std::uint8_t* half,
                const std::uint8_t* quarter) {
  const std::ptrdiff_t stride = grid[1][0];
  const std::ptrdiff_t shift = (v.dy >> 1) * stride + (v.dx >> 1);  // floor(d / 2) per axis
  switch (Phase(v)) {
    case 0:
      for (int r = 1; r <= N; ++r)
        for (int c = 1; c <= N; ++c) dest[grid[r][c]] = s[grid[r][c] + shift];
      break;
    case 1:
      for (int r = 1; r <= N; ++r)
        for (int c = 1; c <= N; ++c) {
          const std::ptrdiff_t o = grid[r][c] + shift;
          dest[grid[r][c]] = half[s[o] + s[o + 1]];
        }
      break;
    case 2:
      for (int r = 1; r <= N; ++r)
        for (int c = 1; c <= N; ++c) {
          const std::ptrdiff_t o = grid[r][c] + shift;
          dest[grid[r][c]] = half[s[o] + s[o + stride]];
        }
      break;
    default:
      for (int r = 1; r <= N; ++r)
        for (int c = 1; c <= N; ++c) {
          const std::ptrdiff_t o = grid[r][c] + shift;
          dest[grid[r][c]] = quarter[s[o] + s[o + 1] + s[o + stride] + s[o + stride + 1]];
        }
      break;
  }
}

template <int N>
void WholeSample(std::uint8_t* dest, const std::uint8_t* s, MotionVector v,
                 const std::int32_t (*grid)[N + 1], const std::uint8_t* half,
                 const std::uint8_t* quarter) {
  const std::ptrdiff_t stride = grid[1][0];
  const std::ptrdiff_t shift = v.dy * stride + v.dx;
  switch (Phase(v)) {
    case 0:
      for (int r = 2; r <= N; r += 2)
        for (int c = 2; c <= N; c += 2) dest[grid[r][c]] = s[grid[r][c] + shift];
      break;
    case 1:
      for (int r = 2; r <= N; r += 2)
        for (int c = 2; c <= N; c += 2) {
          const std::ptrdiff_t o = grid[r][c] + shift;
          dest[grid[r][c]] = half[s[o - 1] + s[o + 1]];
        }
      break;
    case 2:
      for (int r = 2; r <= N; r += 2)
        for (int c = 2; c <= N; c += 2) {
          const std::ptrdiff_t o = grid[r][c] + shift;
          dest[grid[r][c]] = half[s[o - stride] + s[o + stride]];
        }
      break;
    default:
      for (int r = 2; r <= N; r += 2)
        for (int c = 2; c <= N; c += 2) {
          const std::ptrdiff_t o = grid[r][c] + shift;
          dest[grid[r][c]] = quarter[s[o - stride - 1] + s[o - stride + 1] + s[o + stride - 1] +
                                     s[o + stride + 1]];
        }
      break;
  }
}

bool AxisInside(std::uint32_t gridOrigin, std::uint32_t planeExtent, std::int32_t d, std::int32_t n,
                bool halfSample) {
  const SourceSpan span = CompensationSourceSpan(d, n, halfSample);
  return std::int64_t{gridOrigin} + span.first >= 0 &&
         std::int64_t{gridOrigin} + span.last < std::int64_t{planeExtent};
}

template <bool kHalfSample>
void Compensate(std::uint8_t* dest, const std::uint8_t* source, MotionVector v, BlockPlane plane,
                const BlockOffsets& offsets, const ArithmeticTables& tables) {
  const std::uint8_t* half = tables.halfSum.data();
  const std::uint8_t* quarter = tables.quarterSum.data();
  if (plane == BlockPlane::kLuma && kHalfSample) {
    // The prediction the motion search scored, with the kernel of the processor's level.
    const std::int32_t stride = offsets.luma[1][0];
    pixels::ActiveKernels().predictBlock8x8(dest, source + (v.dy >> 1) * stride + (v.dx >> 1),
                                            stride, v.dx & 1, (v.dy & 1) * stride);
  } else if (plane == BlockPlane::kLuma) {
    WholeSample<8>(dest, source, v, offsets.luma, half, quarter);
  } else {
    (kHalfSample ? HalfSample<4> : WholeSample<4>)(dest, source, v, offsets.chroma, half, quarter);
  }
}

}  // namespace

void CompensateHalfSample(std::uint8_t* dest, const std::uint8_t* source, MotionVector v,
                          BlockPlane plane, const BlockOffsets& offsets,
                          const ArithmeticTables& tables) {
  Compensate<true>(dest, source, v, plane, offsets, tables);
}

void CompensateWholeSample(std::uint8_t* dest, const std::uint8_t* source, MotionVector v,
                           BlockPlane plane, const BlockOffsets& offsets,
                           const ArithmeticTables& tables) {
  Compensate<false>(dest, source, v, plane, offsets, tables);
}

SourceSpan CompensationSourceSpan(std::int32_t d, std::int32_t n, bool halfSample) {
  const std::int32_t odd = d & 1;
  if (halfSample) return {1 + (d >> 1), n + (d >> 1) + odd};
  return {2 + d - odd, n + d + odd};
}

bool MotionSourceInside(const PlaneGeometry& g, std::uint32_t blockX, std::uint32_t blockY,
                        std::uint32_t x, std::uint32_t y, std::uint32_t centre, bool halfSample,
                        bool grey) {
  const MotionVector luma = LumaDisplacement(x, y, centre);
  if (!AxisInside(8 * blockX, g.lumaStride, luma.dx, 8, halfSample) ||
      !AxisInside(8 * blockY, g.lumaRows, luma.dy, 8, halfSample)) {
    return false;
  }
  if (grey) return true;
  const MotionVector chroma = ChromaDisplacement(x, y, centre);
  return AxisInside(4 * blockX, g.chromaStride, chroma.dx, 4, halfSample) &&
         AxisInside(4 * blockY, g.chromaRows, chroma.dy, 4, halfSample);
}

}  // namespace kvtc::stream
