#include "stream/update_map_marks.h"

#include <cstring>

namespace kvtc::stream {

namespace {

void MarkSquare(const MapGrid& map, GridPoint topLeft, int size) {
  for (int r = 0; r < size; ++r)
    for (int c = 0; c < size; ++c) map[topLeft + GridPoint{r, c}] = 1;
}

}  // namespace

void MarkWholeBlock(const MapGrid& map, bool losslessLuma) {
  if (losslessLuma) {
    // Row by row: the map's rows are contiguous from g(r, 1) to g(r, 8).
    for (int r = 1; r <= 8; ++r) std::memset(&map[{r, 1}], 1, 8);
    return;
  }
  for (int r = 0; r <= 10; r += 2)
    for (int c = 0; c <= 10; c += 2) map[{r, c}] = 1;
}

void MarkQuadrantArea(const MapGrid& map, int q) {
  MarkSquare(map, kQuadrantOrigins[q] + GridPoint{2, 2}, 4);
}

void MarkChromaStepArea(const MapGrid& map, GridPoint lumaStep) { MarkSquare(map, lumaStep, 2); }

}  // namespace kvtc::stream
