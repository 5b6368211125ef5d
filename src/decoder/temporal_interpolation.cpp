#include "decoder/temporal_interpolation.h"

#include <algorithm>
#include <cstring>

#include "pixels/pixel_format.h"

namespace kvtc::decoder {
namespace {

// One blended sample (a byte or a nibble value) through the tables.
struct Blender {
  const std::uint8_t* halfSum;
  const std::uint8_t* quarterSum;
  const std::uint32_t* triple;

  std::uint8_t operator()(Blend blend, std::uint8_t p, std::uint8_t n) const {
    switch (blend) {
      case Blend::kQuarter:
        return quarterSum[triple[p] + n];
      case Blend::kHalf:
        return halfSum[p + n];
      case Blend::kThreeQuarters:
        return quarterSum[p + triple[n]];
      case Blend::kWhole:
        break;
    }
    return n;
  }
};

Blender BlenderOf(const stream::ArithmeticTables& t) {
  return {t.halfSum.data(), t.quarterSum.data(), t.triple.data()};
}

}  // namespace

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
  if (blend == Blend::kWhole) {
    if (n) std::memcpy(shown.data(), next.data(), n);
    return;
  }
  const Blender mix = BlenderOf(tables);
  for (std::size_t i = 0; i < n; ++i) shown[i] = mix(blend, previous[i], next[i]);
}

void BlendNibblePictures(Blend blend, std::span<const std::uint8_t> previous,
                         std::span<const std::uint8_t> next, std::span<std::uint8_t> shown,
                         const stream::ArithmeticTables& tables) {
  const std::size_t n = std::min({previous.size(), next.size(), shown.size()});
  const Blender mix = BlenderOf(tables);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t high = mix(blend, previous[i] >> 4, next[i] >> 4);
    const std::uint8_t low = mix(blend, previous[i] & 15, next[i] & 15);
    shown[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
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
