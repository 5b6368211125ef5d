// The 2x enlargement of the output zoom: source samples land on even positions, odd columns
// and rows take the rounded mean of their two neighbours (halfSum), and the last column and
// row repeat the one before them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kvtc::pixels {

inline constexpr std::uint8_t kZoomNeutralChroma = 128;

// One byte component of a picture: cols x rows samples, `step` bytes apart from byte
// `offset` of rows `rowBytes` long. A read beyond the last column or row takes the last one,
// and a channel without samples reads as neutral chroma; writes outside are dropped. This
// lets a chroma row with fewer samples than its zoomed row needs (odd widths) be zoomed
// without reading or writing outside the picture.
template <class Byte>
struct ByteSamples {
  Byte* base;
  std::size_t rowBytes;
  std::size_t step;
  std::size_t offset;
  std::uint32_t cols, rows;

  std::size_t At(std::uint32_t x, std::uint32_t y) const {
    return std::min(y, rows - 1) * rowBytes + offset + step * std::min(x, cols - 1);
  }
  std::uint8_t Get(std::uint32_t x, std::uint32_t y) const {
    return cols && rows ? base[At(x, y)] : kZoomNeutralChroma;
  }
  void Set(std::uint32_t x, std::uint32_t y, std::uint8_t v) const {
    if (x < cols && y < rows) base[At(x, y)] = v;
  }
  void CopyRow(std::uint32_t from, std::uint32_t to) const {
    if (from < rows && to < rows)
      std::memcpy(base + to * rowBytes, base + from * rowBytes, rowBytes);
  }
};

// The three steps of a 2x enlargement of a w x h channel a into b.
template <class Src, class Dst>
void Zoom2x(const Src& a, const Dst& b, std::uint32_t w, std::uint32_t h,
            const std::uint8_t* halfSum) {
  if (w == 0 || h == 0) return;
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x + 1 < w; ++x) {
      const std::uint8_t here = a.Get(x, y);
      b.Set(2 * x, 2 * y, here);
      b.Set(2 * x + 1, 2 * y, halfSum[here + a.Get(x + 1, y)]);
    }
    const std::uint8_t last = a.Get(w - 1, y);
    b.Set(2 * w - 2, 2 * y, last);
    b.Set(2 * w - 1, 2 * y, last);
  }
  for (std::uint32_t y = 0; y + 1 < h; ++y) {
    for (std::uint32_t x = 0; x < 2 * w; ++x) {
      b.Set(x, 2 * y + 1, halfSum[b.Get(x, 2 * y) + b.Get(x, 2 * y + 2)]);
    }
  }
  b.CopyRow(2 * h - 2, 2 * h - 1);
}

// Doubles byte components 0..components-1 of a w x h picture of p-byte pixels into a 2w x 2h
// picture, one component after the other; the other bytes of a pixel are left as they are,
// except in the last row, which is a copy of the row above it.
void ZoomComponents2x(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                      std::uint32_t h, std::uint32_t p, std::uint32_t components,
                      const std::uint8_t* halfSum);

// Doubles a w x h picture of packed 4:2:2 (Y every 2 bytes, U and V every 4) into 2w x 2h,
// its Y, U and V zoomed as three channels. An odd-width row ends in a lone Y and U; the
// zoomed row has whole pairs, whose last V repeats the one before it (neutral chroma when the
// row has no V at all).
void ZoomPackedYuv2x(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                     std::uint32_t h, const std::uint8_t* halfSum);

// Doubles a w x h picture of 4-bit pixels, two to a byte with the left one in the high nibble
// (source rows (w + 1) / 2 bytes long), into 2w x 2h (rows of w bytes).
void ZoomNibbles2x(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                   const std::uint8_t* halfSum);

// Doubles a w x h planar 4:2:0 picture (luma, then unless grey each (w/2) x (h/2) chroma
// plane) into 2w x 2h, each chroma plane into the w x h plane of the doubled picture; for odd
// sizes its last column or row repeats (neutral chroma when the plane is empty).
void ZoomPlanar2x(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                  bool grey, const std::uint8_t* halfSum);

namespace finish {
void ZoomComponents2xSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                          std::uint32_t h, std::uint32_t p, std::uint32_t components,
                          const std::uint8_t* halfSum);
void ZoomComponents2xAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                          std::uint32_t h, std::uint32_t p, std::uint32_t components,
                          const std::uint8_t* halfSum);
void ZoomPackedYuv2xSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                         std::uint32_t h, const std::uint8_t* halfSum);
void ZoomPackedYuv2xAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                         std::uint32_t h, const std::uint8_t* halfSum);
void ZoomNibbles2xSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                       std::uint32_t h, const std::uint8_t* halfSum);
void ZoomNibbles2xAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                       std::uint32_t h, const std::uint8_t* halfSum);
void ZoomPlanar2xSse2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                      std::uint32_t h, bool grey, const std::uint8_t* halfSum);
void ZoomPlanar2xAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                      std::uint32_t h, bool grey, const std::uint8_t* halfSum);
}  // namespace finish

}  // namespace kvtc::pixels
