#include "pixels/map_fill.h"

namespace kvtc::pixels {

using stream::AnyMarked;

namespace fill {
namespace {

std::uint8_t Mean(std::uint8_t a, std::uint8_t b) {
  return static_cast<std::uint8_t>((a + b + 1) >> 1);
}

}  // namespace

void ChromaEvenRow(std::uint8_t* row, std::uint8_t* marks, std::uint32_t x, std::uint32_t last) {
  for (; x + 2 <= last; x += 2) {
    if (!marks[2 * x] && !marks[2 * x + 4]) continue;
    row[x + 1] = Mean(row[x], row[x + 2]);
    marks[2 * x + 2] = 1;
  }
}

void ChromaOddRow(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below,
                  const std::uint8_t* marksAbove, const std::uint8_t* marksBelow, std::uint32_t x,
                  std::uint32_t last) {
  for (; x <= last; ++x) {
    if (marksAbove[2 * x] | marksBelow[2 * x]) row[x] = Mean(above[x], below[x]);
  }
}

void LumaEvenRow(std::uint8_t* row, std::uint8_t* marks, std::uint32_t x, std::uint32_t last) {
  for (; x <= last; x += 2) {
    if (!marks[x - 1] && !marks[x + 1]) continue;  // x + 1 <= W + 1 is inside the map row
    row[x] = x < last ? Mean(row[x - 1], row[x + 1]) : row[x - 1];
    marks[x] = 1;
  }
}

void FillChroma(const stream::PlaneView& p, const stream::MapView& map, EvenRow even,
                OddRow odd) {
  const std::uint32_t last = p.lastColumn();
  const std::size_t span = 2 * std::size_t{last} + 1;
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* marks = map.Row(2 * r);
    if (!marks) break;
    if (AnyMarked(marks, span)) even(p.Row(r), marks, 0, last);
  }
  for (std::uint32_t r = 1; r < p.lastRow; r += 2) {
    const std::uint8_t* marksAbove = map.Row(2 * r - 2);
    const std::uint8_t* marksBelow = map.Row(2 * r + 2);
    if (!marksAbove) break;
    if (!AnyMarked(marksAbove, span) && !(marksBelow && AnyMarked(marksBelow, span))) continue;
    odd(p.Row(r), p.Row(r - 1), p.Row(r + 1), marksAbove, marksBelow ? marksBelow : marksAbove,
        0, last);
  }
}

// The odd rows are the same at every level: the compiler takes them in whole vectors.
void FillLuma(const stream::PlaneView& p, const stream::MapView& map, EvenRow even) {
  const std::uint32_t last = p.lastColumn();
  const std::size_t span = std::size_t{last} + 1;
  for (std::uint32_t r = 0; r <= p.lastRow; r += 2) {
    std::uint8_t* marks = map.Row(r);
    if (!marks) break;  // no marks this far down
    if (AnyMarked(marks, span + 1)) even(p.Row(r), marks, 1, last);
  }
  for (std::uint32_t r = 1; r < p.lastRow; r += 2) {
    const std::uint8_t* marksAbove = map.Row(r - 1);
    const std::uint8_t* marksBelow = map.Row(r + 1);
    std::uint8_t* marks = map.Row(r);
    if (!marksAbove) break;
    if (!AnyMarked(marksAbove, span) && !(marksBelow && AnyMarked(marksBelow, span))) continue;
    if (!marksBelow) marksBelow = marksAbove;
    const std::uint8_t* above = p.Row(r - 1);
    const std::uint8_t* below = p.Row(r + 1);
    std::uint8_t* row = p.Row(r);
    for (std::size_t x = 0; x < span; ++x) {
      const std::uint8_t mean = Mean(above[x], below[x]);
      row[x] = (marksAbove[x] | marksBelow[x]) ? mean : row[x];
    }
    if (!marks) continue;
    for (std::size_t x = 0; x < span; ++x) marks[x] = (marksAbove[x] | marksBelow[x]) ? 1 : marks[x];
  }
}

}  // namespace fill

void FillChromaByMap(const stream::PlaneView& p, const stream::MapView& map) {
  fill::FillChroma(p, map, fill::ChromaEvenRow, fill::ChromaOddRow);
}

void FillLumaByMap(const stream::PlaneView& p, const stream::MapView& map) {
  fill::FillLuma(p, map, fill::LumaEvenRow);
}

}  // namespace kvtc::pixels
