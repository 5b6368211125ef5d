#include "decoder/reference_rows.h"

#include <algorithm>
#include <cstring>

namespace kvtc::decoder {
namespace {

struct PlaneRows {
  std::size_t offset;       // of the plane in the set
  std::uint32_t stride;     // bytes a row
  std::uint32_t rows;       // rows of the plane, the border row included
  std::uint32_t rowsABlock; // 8 luma rows, 4 chroma rows
};

// Whether block row `k` or one beside it was touched.
bool NearTouched(std::span<const std::uint8_t> touched, std::uint32_t k) {
  const std::size_t first = k == 0 ? 0 : k - 1;
  const std::size_t last = std::min<std::size_t>(touched.size() - 1, std::size_t{k} + 1);
  for (std::size_t i = first; i <= last; ++i) {
    if (touched[i]) return true;
  }
  return false;
}

void CopyPlaneRows(const PlaneRows& p, std::uint8_t* to, const std::uint8_t* from,
                   std::span<const std::uint8_t> touched) {
  const auto copy = [&](std::uint32_t first, std::uint32_t end) {
    end = std::min(end, p.rows);
    if (first >= end) return;
    const std::size_t at = p.offset + std::size_t{first} * p.stride;
    std::memcpy(to + at, from + at, std::size_t{end - first} * p.stride);
  };
  copy(0, 2);  // the border rows
  for (std::uint32_t r = 2; r < p.rows; ++r) {  // the border columns
    const std::size_t at = p.offset + std::size_t{r} * p.stride;
    std::memcpy(to + at, from + at, std::min<std::size_t>(2, p.stride));
  }
  const auto blockRows = static_cast<std::uint32_t>(touched.size());
  // Runs of block rows to copy go out as one copy each.
  std::uint32_t runStart = 0;
  bool inRun = false;
  for (std::uint32_t k = 0; k <= blockRows; ++k) {
    const bool wanted = k < blockRows && NearTouched(touched, k);
    if (wanted && !inRun) runStart = k;
    if (!wanted && inRun) {
      const std::uint32_t end = k == blockRows ? p.rows : k * p.rowsABlock + 1;
      copy(runStart * p.rowsABlock + 1, end);
    }
    inRun = wanted;
  }
}

}  // namespace

void CopyTouchedRows(const stream::PlaneGeometry& g, std::span<std::uint8_t> to,
                     std::span<const std::uint8_t> from,
                     std::span<const std::uint8_t> touchedRows) {
  if (to.size() < g.planeSetSize || from.size() < g.planeSetSize) return;
  if (touchedRows.size() < g.blocksDown || g.blocksDown == 0) {
    std::memcpy(to.data(), from.data(), g.planeSetSize);
    return;
  }
  const std::span<const std::uint8_t> touched = touchedRows.first(g.blocksDown);
  const PlaneRows planes[] = {
      {0, g.lumaStride, g.lumaRows, 8},
      {g.uOffset, g.chromaStride, g.chromaRows, 4},
      {g.vOffset, g.chromaStride, g.chromaRows, 4},
  };
  for (const PlaneRows& p : planes) CopyPlaneRows(p, to.data(), from.data(), touched);
  const std::size_t spare = g.vOffset + std::size_t{g.chromaStride} * g.chromaRows;
  std::memcpy(to.data() + spare, from.data() + spare, g.planeSetSize - spare);
}

}  // namespace kvtc::decoder
