#include "encoder/search_window.h"

#include <algorithm>

#include "stream/motion_compensation.h"

namespace kvtc::encoder {

std::uint32_t CodedComponent(int displacement, std::uint32_t centre, bool losslessLuma) {
  const int units = losslessLuma ? 2 : 1;
  return static_cast<std::uint32_t>(units * displacement + static_cast<int>(centre));
}

SearchWindow ClampSearchWindow(const WindowQuery& q, std::uint32_t blockX, std::uint32_t blockY) {
  const int twiceRadius = 2 * static_cast<int>(q.radius);
  const int units = q.losslessLuma ? 2 : 1;
  const int centre = static_cast<int>(q.motion.centre);
  const int largestCode = (1 << q.motion.bits) - 1;
  // Displacements whose coded value stays in 0 .. 2^K - 1.
  const int fitMax = (largestCode - centre) / units;
  const int fitMin = -(centre / units);

  SearchWindow w;
  w.xmin = w.ymin = std::max(-twiceRadius, fitMin);
  w.xmax = w.ymax = std::min(twiceRadius, fitMax);
  if (blockX == 0) w.xmin = std::max(w.xmin, 0);
  if (blockY == 0) w.ymin = std::max(w.ymin, 0);

  const auto inside = [&](int dx, int dy) {
    return stream::MotionSourceInside(q.geometry, blockX, blockY,
                                      CodedComponent(dx, q.motion.centre, q.losslessLuma),
                                      CodedComponent(dy, q.motion.centre, q.losslessLuma),
                                      q.motion.centre, q.losslessLuma, q.grey);
  };
  while (w.xmax > 0 && !inside(w.xmax, 0)) --w.xmax;
  while (w.xmin < 0 && !inside(w.xmin, 0)) ++w.xmin;
  while (w.ymax > 0 && !inside(0, w.ymax)) --w.ymax;
  while (w.ymin < 0 && !inside(0, w.ymin)) ++w.ymin;
  return w;
}

}  // namespace kvtc::encoder
