#include "encoder/change_detection.h"

#include <algorithm>

#include "stream/block_grid.h"

namespace kvtc::encoder {

namespace {

using stream::GridPoint;

constexpr GridPoint CellPoint(int quadrant, int cell, int row, int col) {
  return stream::kQuadrantOrigins[quadrant] + stream::kCellOrigins[cell] + GridPoint{row, col};
}

std::uint8_t Differs(const std::uint8_t* current, const std::uint8_t* other,
                     const std::uint8_t* changeTable, std::int32_t offset) {
  return changeTable[current[offset] - other[offset] + 255];
}

using QuadrantDetector = std::uint8_t (*)(const std::uint8_t*, const std::uint8_t*,
                                          std::uint8_t*, const std::uint8_t*,
                                          const stream::BlockOffsets&, int, std::uint8_t*);

BlockChange DetectBlock(QuadrantDetector detect, const std::uint8_t* current,
                        const std::uint8_t* other, std::uint8_t* changeMap,
                        const std::uint8_t* changeTable, const stream::BlockOffsets& offsets) {
  BlockChange change;
  change.cell.fill(1);
  for (int q = 0; q < 4; ++q) {
    change.quadrant[q] =
        detect(current, other, changeMap, changeTable, offsets, q, &change.cell[4 * q]);
    change.block |= change.quadrant[q];
  }
  return change;
}

}  // namespace

void BuildChangeTable(std::span<std::uint8_t> table, std::uint32_t threshold) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::uint32_t distance = i < 255 ? 255 - static_cast<std::uint32_t>(i)
                                           : static_cast<std::uint32_t>(i) - 255;
    table[i] = distance > threshold ? 1 : 0;
  }
}

std::uint8_t DetectQuadrantChangeSampled(const std::uint8_t* current, const std::uint8_t* other,
                                         std::uint8_t* changeMap, const std::uint8_t* changeTable,
                                         const stream::BlockOffsets& offsets, int quadrant,
                                         std::uint8_t* cells) {
  std::uint8_t any = 0;
  for (int k = 0; k < 4; ++k) {
    if (!cells[k]) continue;
    const GridPoint p = CellPoint(quadrant, k, 2, 2);
    cells[k] = Differs(current, other, changeTable, offsets.luma[p.row][p.col]);
    any |= cells[k];
  }
  const GridPoint corner = stream::QuadrantCorner(quadrant);
  changeMap[MapIndex(corner.row, corner.col)] = cells[3];
  return any;
}

std::uint8_t DetectQuadrantChangeFull(const std::uint8_t* current, const std::uint8_t* other,
                                      std::uint8_t* changeMap, const std::uint8_t* changeTable,
                                      const stream::BlockOffsets& offsets, int quadrant,
                                      std::uint8_t* cells) {
  std::uint8_t any = 0;
  for (int k = 0; k < 4; ++k) {
    if (!cells[k]) continue;
    std::uint8_t cell = 0;
    for (int r = 1; r <= 2; ++r) {
      for (int c = 1; c <= 2; ++c) {
        const GridPoint p = CellPoint(quadrant, k, r, c);
        const std::uint8_t flag = Differs(current, other, changeTable, offsets.luma[p.row][p.col]);
        changeMap[MapIndex(p.row, p.col)] = flag;
        cell |= flag;
      }
    }
    cells[k] = cell;
    any |= cell;
  }
  return any;
}

BlockChange DetectBlockChangeSampled(const std::uint8_t* current, const std::uint8_t* other,
                                     std::uint8_t* changeMap, const std::uint8_t* changeTable,
                                     const stream::BlockOffsets& offsets) {
  return DetectBlock(DetectQuadrantChangeSampled, current, other, changeMap, changeTable, offsets);
}

BlockChange DetectBlockChangeFull(const std::uint8_t* current, const std::uint8_t* other,
                                  std::uint8_t* changeMap, const std::uint8_t* changeTable,
                                  const stream::BlockOffsets& offsets) {
  return DetectBlock(DetectQuadrantChangeFull, current, other, changeMap, changeTable, offsets);
}

BlockChange DetectBlockChangeFullAt(const std::uint8_t* current, const std::uint8_t* other,
                                    std::uint8_t* changeMap, std::uint32_t threshold,
                                    const stream::BlockOffsets& offsets,
                                    const pixels::PixelKernels& kernels) {
  const std::int32_t first = offsets.luma[1][1];
  const std::uint64_t flags =
      kernels.changeFlags8x8(current + first, other + first, offsets.luma[1][0], threshold,
                             changeMap + MapIndex(1, 1), MapIndex(1, 0));
  // A cell's flag is the OR of its 2x2 samples: fold each row pair, then each column pair, so
  // that cell (row pair i, column pair j) lands on bit 16i + 2j.
  std::uint64_t cells = flags | (flags >> 8);
  cells |= cells >> 1;
  BlockChange change;
  for (int q = 0; q < 4; ++q) {
    for (int k = 0; k < 4; ++k) {
      const int rowPair = 2 * (q / 2) + k / 2, colPair = 2 * (q % 2) + k % 2;
      const auto cell = static_cast<std::uint8_t>((cells >> (16 * rowPair + 2 * colPair)) & 1);
      change.cell[4 * q + k] = cell;
      change.quadrant[q] |= cell;
    }
    change.block |= change.quadrant[q];
  }
  return change;
}

void AddChromaChange(const std::array<const std::uint8_t*, 2>& current,
                     const std::array<const std::uint8_t*, 2>& other,
                     const std::uint8_t* changeTable, const stream::BlockOffsets& offsets,
                     bool full, BlockChange& change) {
  for (int q = 0; q < 4; ++q) {
    const GridPoint origin = stream::kCellOrigins[q];
    bool differs = false;
    for (int p = 0; p < 2 && !differs; ++p) {
      for (int r = full ? 1 : 2; r <= 2; ++r) {
        for (int c = full ? 1 : 2; c <= 2; ++c) {
          const std::int32_t at = offsets.chroma[origin.row + r][origin.col + c];
          differs = differs || Differs(current[p], other[p], changeTable, at);
        }
      }
    }
    if (!differs) continue;
    change.quadrant[q] = 1;
    std::fill_n(&change.cell[4 * q], 4, std::uint8_t{1});
    change.block = 1;
  }
}

}  // namespace kvtc::encoder
