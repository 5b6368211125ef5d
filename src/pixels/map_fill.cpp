#include "pixels/map_fill.h"

#include <cstring>

namespace kvtc::pixels {

using stream::AnyMarked;

void FillChromaByMap(const stream::PlaneView& p, const stream::MapView& map) {
  const std::uint32_t last = p.lastColumn();
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* marks = map.Row(2 * r);
    if (!marks) break;
    if (!AnyMarked(marks, 2 * std::size_t{last} + 1)) continue;
    std::uint8_t* row = p.Row(r);
    for (std::uint32_t x = 0; x + 2 <= last; x += 2) {
      if (!marks[2 * x] && !marks[2 * x + 4]) continue;
      row[x + 1] = static_cast<std::uint8_t>((row[x] + row[x + 2] + 1) >> 1);
      marks[2 * x + 2] = 1;
    }
  }
  for (std::uint32_t r = 1; r < p.lastRow; r += 2) {
    const std::uint8_t* marksAbove = map.Row(2 * r - 2);
    const std::uint8_t* marksBelow = map.Row(2 * r + 2);
    if (!marksAbove) break;
    const std::size_t span = 2 * std::size_t{last} + 1;
    if (!AnyMarked(marksAbove, span) && !(marksBelow && AnyMarked(marksBelow, span))) continue;
    if (!marksBelow) marksBelow = marksAbove;
    const std::uint8_t* above = p.Row(r - 1);
    const std::uint8_t* below = p.Row(r + 1);
    std::uint8_t* row = p.Row(r);
    for (std::uint32_t x = 0; x <= last; ++x) {
      if (marksAbove[2 * x] | marksBelow[2 * x]) {
        row[x] = static_cast<std::uint8_t>((above[x] + below[x] + 1) >> 1);
      }
    }
  }
}

void FillLumaByMap(const stream::PlaneView& p, const stream::MapView& map) {
  const std::uint32_t last = p.lastColumn();
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* marks = map.Row(r);
    if (!marks) break;  // no marks this far down
    if (!AnyMarked(marks, std::size_t{last} + 2)) continue;
    std::uint8_t* row = p.Row(r);
    for (std::uint32_t x = 1; x <= last; x += 2) {
      if (!marks[x - 1] && !marks[x + 1]) continue;  // x + 1 <= W + 1 is inside the map row
      row[x] = x < last ? static_cast<std::uint8_t>((row[x - 1] + row[x + 1] + 1) >> 1)
                        : row[x - 1];
      marks[x] = 1;
    }
  }
  FillLumaOddRows(p, map);
}

void FillLumaOddRows(const stream::PlaneView& p, const stream::MapView& map) {
  const std::uint32_t last = p.lastColumn();
  for (std::uint32_t r = 1; r < p.lastRow; r += 2) {
    const std::uint8_t* marksAbove = map.Row(r - 1);
    const std::uint8_t* marksBelow = map.Row(r + 1);
    std::uint8_t* marks = map.Row(r);
    if (!marksAbove) break;
    const std::size_t span = std::size_t{last} + 1;
    if (!AnyMarked(marksAbove, span) && !(marksBelow && AnyMarked(marksBelow, span))) continue;
    if (!marksBelow) marksBelow = marksAbove;
    const std::uint8_t* above = p.Row(r - 1);
    const std::uint8_t* below = p.Row(r + 1);
    std::uint8_t* row = p.Row(r);
    for (std::size_t x = 0; x < span; ++x) {
      const auto average = static_cast<std::uint8_t>((above[x] + below[x] + 1) >> 1);
      row[x] = (marksAbove[x] | marksBelow[x]) ? average : row[x];
    }
    if (!marks) continue;
    for (std::size_t x = 0; x < span; ++x) marks[x] = (marksAbove[x] | marksBelow[x]) ? 1 : marks[x];
  }
}

}  // namespace kvtc::pixels
