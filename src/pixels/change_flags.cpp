#include "pixels/change_flags.h"

namespace kvtc::pixels {

std::uint64_t ChangeFlags8x8(const std::uint8_t* a, const std::uint8_t* b, std::int32_t stride,
                             std::uint32_t threshold, std::uint8_t* flags,
                             std::int32_t flagStride) {
  std::uint64_t bits = 0;
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      const int d = a[r * stride + c] - b[r * stride + c];
      const std::uint32_t distance = static_cast<std::uint32_t>(d < 0 ? -d : d);
      const std::uint8_t flag = distance > threshold ? 1 : 0;
      flags[r * flagStride + c] = flag;
      bits |= std::uint64_t{flag} << (8 * r + c);
    }
  }
  return bits;
}

std::uint32_t RepresentativeChanges(const std::uint8_t* a, const std::uint8_t* b,
                                    std::int32_t stride, std::uint32_t threshold,
                                    std::uint8_t* cells) {
  std::uint32_t quadrants = 0;
  for (int q = 0; q < 4; ++q) {
    std::uint8_t any = 0;
    for (int k = 0; k < 4; ++k) {
      const int row = 4 * (q / 2) + 2 * (k / 2) + 1;
      const std::int32_t at = row * stride + 4 * (q % 2) + 2 * (k % 2) + 1;
      const int d = a[at] - b[at];
      const std::uint8_t flag = static_cast<std::uint32_t>(d < 0 ? -d : d) > threshold;
      cells[4 * q + k] = flag;
      any |= flag;
    }
    quadrants |= std::uint32_t{any} << q;
  }
  return quadrants;
}

}  // namespace kvtc::pixels
