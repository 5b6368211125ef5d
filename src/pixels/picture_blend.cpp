#include "pixels/picture_blend.h"

#include <cstring>

namespace kvtc::pixels {
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

void BlendBytes(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t) {
  if (blend == Blend::kWhole) {
    if (count) std::memcpy(shown, next, count);
    return;
  }
  const Blender mix = BlenderOf(t);
  for (std::size_t i = 0; i < count; ++i) shown[i] = mix(blend, previous[i], next[i]);
}

void BlendNibbles(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                  std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t) {
  const Blender mix = BlenderOf(t);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t high = mix(blend, previous[i] >> 4, next[i] >> 4);
    const std::uint8_t low = mix(blend, previous[i] & 15, next[i] & 15);
    shown[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
}

}  // namespace kvtc::pixels
