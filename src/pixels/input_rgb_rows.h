// The row walk of the SIMD 24- and 32-bit RGB input converters: groups of 2x2 blocks (two
// rows of pixels) that have chroma of their own go through the kernel's group converter, the
// blocks at the right edge and rows without chroma through the plain converter.
#pragma once

#include <algorithm>

#include "pixels/input_converters.h"

namespace kvtc::pixels::input {

// `group(row0, row1, bytesPerPixel, luma0, luma1, u, v)` converts kBlocks blocks; 24-bit
// groups may read four bytes past their pixels.
template <std::uint32_t kBlocks, class Group>
void ConvertFromRgbByGroups(const std::uint8_t* src, const PlaneSet& p, RgbChannels ch,
                            const EncoderColourTables& t, Group group) {
  const bool blueGreenRed = ch.blue == 0 && ch.green == 1 && ch.red == 2 &&
                            (ch.bytesPerPixel == 3 || ch.bytesPerPixel == 4);
  if (!p || !blueGreenRed) return ConvertFromRgb(src, p, ch, t);
  const std::uint32_t bytes = ch.bytesPerPixel;
  const std::size_t rowBytes = std::size_t{bytes} * p.width;
  for (std::uint32_t by = 0; by < (p.height + 1) / 2; ++by) {
    const std::uint32_t y0 = 2 * by, y1 = std::min(y0 + 1, p.height - 1);
    // 24-bit reads reach four bytes past the group: into the next row, except in the
    // picture's last.
    const std::uint32_t blocks = by < p.chromaRows ? std::min(p.width / 2, p.chromaCols) : 0;
    const std::uint32_t reach = bytes == 3 && y1 + 1 == p.height ? 2 : 0;
    std::uint32_t bx = 0;
    for (; bx + kBlocks <= blocks && 2 * (bx + kBlocks) + reach <= p.width; bx += kBlocks) {
      const std::size_t chroma = std::size_t{by} * p.chromaStride + bx;
      group(src + y0 * rowBytes + 2 * bx * bytes, src + y1 * rowBytes + 2 * bx * bytes, bytes,
            p.LumaRow(y0) + 2 * bx, p.LumaRow(y1) + 2 * bx, p.u + chroma, p.v + chroma);
    }
    ConvertFromRgbBlocks(src, p, ch, t, by, bx);
  }
  FinishRgbMargins(p);
}

}  // namespace kvtc::pixels::input
