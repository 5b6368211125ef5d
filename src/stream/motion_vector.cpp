#include "stream/motion_vector.h"

namespace kvtc::stream {

MotionParameters ComputeMotionParameters(std::uint32_t radius, bool losslessLuma) {
  if (radius == 0) return {};
  std::uint32_t bits = 3;
  while ((std::uint64_t{1} << bits) + 3 < 8 * std::uint64_t{radius}) ++bits;
  if (losslessLuma) return {bits, 4 * radius};
  return {bits - 1, 2 * radius};
}

std::uint32_t ChromaComponent(std::uint32_t v, std::uint32_t centre) {
  const std::int64_t d = std::int64_t{v} - centre;
  std::int64_t a = d < 0 ? -d : d;
  if (a % 4 == 1) a -= 1;
  if (a % 4 == 3) a += 1;
  // The halving is a logical shift of the 32-bit sum (which an even centre keeps >= 0).
  return static_cast<std::uint32_t>((d < 0 ? -a : a) + centre) >> 1;
}

MotionVector LumaDisplacement(std::uint32_t x, std::uint32_t y, std::uint32_t centre) {
  return {static_cast<std::int32_t>(x - centre), static_cast<std::int32_t>(y - centre)};
}

MotionVector ChromaDisplacement(std::uint32_t x, std::uint32_t y, std::uint32_t centre) {
  const std::uint32_t chromaCentre = centre >> 1;
  return {static_cast<std::int32_t>(ChromaComponent(x, centre) - chromaCentre),
          static_cast<std::int32_t>(ChromaComponent(y, centre) - chromaCentre)};
}

}  // namespace kvtc::stream
