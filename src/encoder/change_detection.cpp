#include "encoder/change_detection.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "stream/block_grid.h"

namespace kvtc::encoder {

namespace {

using stream::GridPoint;

constexpr int kPrefetchAhead = 64;  // bytes: eight blocks, one cache line

static_assert(std::endian::native == std::endian::little, "flag bytes are spread in a word");

std::uint8_t Differs(const std::uint8_t* current, const std::uint8_t* other,
                     const std::uint8_t* changeTable, std::int32_t offset) {
  return changeTable[current[offset] - other[offset] + 255];
}

// Four flags as four bytes 0 or 1, in one word store: the flags are read back as a whole,
// which byte stores would stall.
std::array<std::uint8_t, 4> Spread(std::uint32_t nibble) {
  std::array<std::uint8_t, 4> bytes;
  const std::uint32_t word = (nibble * 0x00204081u) & 0x01010101u;
  std::memcpy(bytes.data(), &word, 4);
  return bytes;
}

}  // namespace

void BuildChangeTable(std::span<std::uint8_t> table, std::uint32_t threshold) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::uint32_t distance = i < 255 ? 255 - static_cast<std::uint32_t>(i)
                                           : static_cast<std::uint32_t>(i) - 255;
    table[i] = distance > threshold ? 1 : 0;
  }
}

BlockChange DetectBlockChangeSampled(const std::uint8_t* current, const std::uint8_t* other,
                                     std::uint8_t* changeMap, std::uint32_t threshold,
                                     const stream::BlockOffsets& offsets,
                                     const pixels::PixelKernels& kernels) {
  const std::int32_t first = offsets.luma[1][1];
  BlockChange change;
  const std::uint32_t quadrants = kernels.representativeChanges(
      current + first, other + first, offsets.luma[1][0], threshold, change.cell.data());
  change.block = quadrants != 0;
  change.quadrant = Spread(quadrants);
  for (int q = 0; q < 4; ++q) {
    const GridPoint corner = stream::QuadrantCorner(q);
    changeMap[MapIndex(corner.row, corner.col)] = change.cell[4 * q + 3];
  }
  return change;
}

BlockChange DetectBlockChangeFullAt(const std::uint8_t* current, const std::uint8_t* other,
                                    std::uint8_t* changeMap, std::uint32_t threshold,
                                    const stream::BlockOffsets& offsets,
                                    const pixels::PixelKernels& kernels) {
  const std::int32_t first = offsets.luma[1][1];
  // The rows of the blocks ahead, on their way into the cache while this one is looked at.
  for (int r = 1; r <= 8; ++r) {
    __builtin_prefetch(current + offsets.luma[r][1] + kPrefetchAhead);
    __builtin_prefetch(other + offsets.luma[r][1] + kPrefetchAhead);
  }
  const std::uint64_t flags =
      kernels.changeFlags8x8(current + first, other + first, offsets.luma[1][0], threshold,
                             changeMap + MapIndex(1, 1), MapIndex(1, 0));
  // A cell's flag is the OR of its 2x2 samples: fold each row pair onto its first row, then
  // each column pair onto its first column, and pack each row pair's four cells into bits 0-3
  // of its 16 bits.
  std::uint64_t cells = flags | (flags >> 8);
  cells = (cells | (cells >> 1)) & 0x0055005500550055u;
  cells = (cells | (cells >> 1)) & 0x0033003300330033u;
  cells = (cells | (cells >> 2)) & 0x000F000F000F000Fu;
  BlockChange change;
  change.block = cells != 0;
  std::uint32_t quadrants = 0;
  for (int q = 0; q < 4; ++q) {
    // The quadrant's upper row pair gives its cells 0 and 1, the lower one cells 2 and 3.
    const int at = 32 * (q / 2) + 2 * (q % 2);
    const auto nibble =
        static_cast<std::uint32_t>(((cells >> at) & 3) | (((cells >> (at + 16)) & 3) << 2));
    const auto bytes = Spread(nibble);
    std::memcpy(&change.cell[4 * q], bytes.data(), 4);
    quadrants |= std::uint32_t{nibble != 0} << q;
  }
  change.quadrant = Spread(quadrants);
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
