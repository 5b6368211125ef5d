#include "decoder/temporal_interpolation.h"

#include <algorithm>

#include "pixels/pixel_format.h"
#include "pixels/pixel_kernels.h"

namespace kvtc::decoder {

std::optional<InterpolationStep> PendingInterpolation(std::uint8_t level, std::uint8_t phase) {
  if (level == 0) return std::nullopt;
  if (level == 1) {
    if (phase == 1) return InterpolationStep{Blend::kWhole, 0};
    return std::nullopt;
  }
  switch (phase) {
    case 1:
      return InterpolationStep{Blend::kHalf, 2};
    case 2:
      return InterpolationStep{Blend::kThreeQuarters, 3};
    case 3:
      return InterpolationStep{Blend::kWhole, 0};
    default:
      return std::nullopt;
  }
}

Blend DecodingBlend(std::uint8_t level) { return level == 1 ? Blend::kHalf : Blend::kQuarter; }

void BlendPictures(Blend blend, std::span<const std::uint8_t> previous,
                   std::span<const std::uint8_t> next, std::span<std::uint8_t> shown,
                   const stream::ArithmeticTables& tables) {
  const std::size_t n = std::min({previous.size(), next.size(), shown.size()});
  pixels::ActiveKernels().blendBytes(blend, previous.data(), next.data(), shown.data(), n, tables);
}

void BlendNibblePictures(Blend blend, std::span<const std::uint8_t> previous,
                         std::span<const std::uint8_t> next, std::span<std::uint8_t> shown,
                         const stream::ArithmeticTables& tables) {
  const std::size_t n = std::min({previous.size(), next.size(), shown.size()});
  pixels::ActiveKernels().blendNibbles(blend, previous.data(), next.data(), shown.data(), n,
                                       tables);
}

void BlendOutput(std::uint8_t code, Blend blend, std::span<const std::uint8_t> previous,
                 std::span<const std::uint8_t> next, std::span<std::uint8_t> shown,
                 const stream::ArithmeticTables& tables) {
  if (code == pixels::kGrey4) {
    BlendNibblePictures(blend, previous, next, shown, tables);
  } else {
    BlendPictures(blend, previous, next, shown, tables);
  }
}

}  // namespace kvtc::decoder
