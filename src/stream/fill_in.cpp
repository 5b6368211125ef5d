#include "stream/fill_in.h"

#include <cstring>

namespace kvtc::stream {

namespace {

// The samples of an odd row between two filled rows: where either map row has a mark at
// `step` times the column, the rounded average of the samples above and below. The rounded-
// average table holds (a + b + 1) / 2, which is computed here instead of looked up, so that the
// row is done in whole vectors without a branch a sample.
template <std::size_t kStep>
void FillRowBetween(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below,
                    const std::uint8_t* marksAbove, const std::uint8_t* marksBelow,
                    std::size_t count) {
  for (std::size_t x = 0; x < count; ++x) {
    const auto average = static_cast<std::uint8_t>((above[x] + below[x] + 1) >> 1);
    row[x] = (marksAbove[kStep * x] | marksBelow[kStep * x]) ? average : row[x];
  }
}

}  // namespace

void FillPlaneFull(const PlaneView& p, const std::uint8_t* half) {
  const std::uint32_t last = p.lastColumn();
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* row = p.Row(r);
    for (std::uint32_t x = 1; x < last; x += 2) row[x] = half[row[x - 1] + row[x + 1]];
    if (last & 1) row[last] = row[last - 1];
  }
  for (std::uint32_t r = 1; r < p.lastRow; r += 2) {
    const std::uint8_t* above = p.Row(r - 1);
    const std::uint8_t* below = p.Row(r + 1);
    std::uint8_t* row = p.Row(r);
    for (std::uint32_t x = 0; x <= last; ++x) row[x] = half[above[x] + below[x]];
  }
}

void FillLumaByMap(const PlaneView& p, const MapView& map, const std::uint8_t* half) {
  const std::uint32_t last = p.lastColumn();
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* marks = map.Row(r);
    if (!marks) break;  // no marks this far down
    if (!AnyMarked(marks, std::size_t{last} + 2)) continue;
    std::uint8_t* row = p.Row(r);
    for (std::uint32_t x = 1; x <= last; x += 2) {
      if (!marks[x - 1] && !marks[x + 1]) continue;  // x + 1 <= W + 1 is inside the map row
      row[x] = x < last ? half[row[x - 1] + row[x + 1]] : row[x - 1];
      marks[x] = 1;
    }
  }
  for (std::uint32_t r = 1; r < p.lastRow; r += 2) {
    const std::uint8_t* marksAbove = map.Row(r - 1);
    const std::uint8_t* marksBelow = map.Row(r + 1);
    std::uint8_t* marks = map.Row(r);
    if (!marksAbove) break;
    const std::size_t span = std::size_t{last} + 1;
    if (!AnyMarked(marksAbove, span) && !(marksBelow && AnyMarked(marksBelow, span))) continue;
    const std::uint8_t* above = p.Row(r - 1);
    const std::uint8_t* below = p.Row(r + 1);
    std::uint8_t* row = p.Row(r);
    const std::uint8_t* near = marksBelow ? marksBelow : marksAbove;
    FillRowBetween<1>(row, above, below, marksAbove, near, span);
    if (marks) {
      for (std::uint32_t x = 0; x <= last; ++x) {
        marks[x] = (marksAbove[x] | near[x]) ? 1 : marks[x];
      }
    }
  }
}

void FillChromaByMap(const PlaneView& p, const MapView& map) {
  const std::uint32_t last = p.lastColumn();
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* marks = map.Row(2 * r);
    if (!marks) break;
    if (!AnyMarked(marks, 2 * std::size_t{last} + 1)) continue;
    std::uint8_t* row = p.Row(r);
    // Sample x + 1 from its neighbours where map column 2x or 2x + 4 is marked, without a
    // branch: the marks read (every fourth byte) and written (the ones between) never meet,
    // nor do the samples read (even) and written (odd).
    const auto fill = [&](std::uint32_t x) {
      const unsigned marked = (marks[2 * x] | marks[2 * x + 4]) != 0;
      const unsigned keep = marked - 1;  // all ones where nothing is marked
      const unsigned average = (row[x] + row[x + 2] + 1) >> 1;
      row[x + 1] = static_cast<std::uint8_t>((average & ~keep) | (row[x + 1] & keep));
      marks[2 * x + 2] = static_cast<std::uint8_t>(marks[2 * x + 2] | marked);
    };
    std::uint32_t x = 0;
    // Two samples at a time, skipped at once where none of the marks they read is set.
    for (; x + 4 <= last; x += 4) {
      std::uint64_t word;
      std::memcpy(&word, marks + 2 * x, 8);
      if ((word | marks[2 * x + 8]) == 0) continue;
      fill(x);
      fill(x + 2);
    }
    for (; x + 2 <= last; x += 2) fill(x);
  }
  for (std::uint32_t r = 1; r < p.lastRow; r += 2) {
    const std::uint8_t* marksAbove = map.Row(2 * r - 2);
    const std::uint8_t* marksBelow = map.Row(2 * r + 2);
    if (!marksAbove) break;
    const std::size_t span = 2 * std::size_t{last} + 1;
    if (!AnyMarked(marksAbove, span) && !(marksBelow && AnyMarked(marksBelow, span))) continue;
    FillRowBetween<2>(p.Row(r), p.Row(r - 1), p.Row(r + 1), marksAbove,
                      marksBelow ? marksBelow : marksAbove, std::size_t{last} + 1);
  }
}

}  // namespace kvtc::stream
