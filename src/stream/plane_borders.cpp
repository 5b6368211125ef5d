#include "stream/plane_borders.h"

namespace kvtc::stream {

namespace {

// Row `to` takes row `from` in columns first..last of the plane.
void CopyRow(const PlaneView& p, std::uint32_t to, std::uint32_t from, std::uint32_t first) {
  if (from > p.lastRow || first > p.lastColumn()) return;
  const std::uint8_t* src = p.Row(from);
  std::uint8_t* dst = p.Row(to);
  for (std::uint32_t c = first; c <= p.lastColumn(); ++c) dst[c] = src[c];
}

// Column `to` takes column `from` in rows first..last of the plane.
void CopyColumn(const PlaneView& p, std::uint32_t to, std::uint32_t from, std::uint32_t first) {
  if (from > p.lastColumn() || first > p.lastRow) return;
  for (std::uint32_t r = first; r <= p.lastRow; ++r) p.Row(r)[to] = p.Row(r)[from];
}

}  // namespace

void RebuildLumaBorder(const PlaneView& luma, bool losslessLuma) {
  if (!losslessLuma) {
    CopyRow(luma, 1, 2, 2);
    CopyColumn(luma, 1, 2, 1);
  }
  CopyRow(luma, 0, 1, 1);
  CopyColumn(luma, 0, 1, 0);
}

void RebuildChromaBorder(const PlaneView& chroma, bool losslessChroma) {
  if (losslessChroma) {
    CopyRow(chroma, 0, 1, 1);
    CopyColumn(chroma, 0, 1, 0);
    return;
  }
  CopyRow(chroma, 1, 2, 2);
  CopyRow(chroma, 0, 1, 2);
  CopyColumn(chroma, 1, 2, 0);
  CopyColumn(chroma, 0, 2, 0);
}

void RebuildBorders(const PlaneGeometry& g, std::span<std::uint8_t> planeSet, bool losslessLuma,
                    bool losslessChroma, bool grey) {
  if (planeSet.size() < g.planeSetSize) return;
  RebuildLumaBorder(LumaPlane(g, planeSet), losslessLuma);
  if (grey) return;
  RebuildChromaBorder(UPlane(g, planeSet), losslessChroma);
  RebuildChromaBorder(VPlane(g, planeSet), losslessChroma);
}

}  // namespace kvtc::stream
