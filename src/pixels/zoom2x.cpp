#include "pixels/zoom2x.h"

namespace kvtc::pixels {
namespace {

// 4-bit pixels, two to a byte, the left one in the high nibble.
template <class Byte>
struct NibbleSamples {
  Byte* base;
  std::size_t rowBytes;
  std::uint32_t cols, rows;

  std::uint8_t Get(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t b = base[y * rowBytes + x / 2];
    return x % 2 ? b & 15 : b >> 4;
  }
  void Set(std::uint32_t x, std::uint32_t y, std::uint8_t v) const {
    if (x >= cols || y >= rows) return;
    std::uint8_t& b = base[y * rowBytes + x / 2];
    b = static_cast<std::uint8_t>(x % 2 ? (b & 0xF0) | v : (b & 0x0F) | v << 4);
  }
  void CopyRow(std::uint32_t from, std::uint32_t to) const {
    if (from < rows && to < rows)
      std::memcpy(base + to * rowBytes, base + from * rowBytes, rowBytes);
  }
};

}  // namespace

void ZoomComponents2x(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                      std::uint32_t h, std::uint32_t p, std::uint32_t components,
                      const std::uint8_t* halfSum) {
  const std::size_t srcRow = std::size_t{w} * p;
  for (std::uint32_t k = 0; k < components; ++k) {
    Zoom2x(ByteSamples<const std::uint8_t>{src, srcRow, p, k, w, h},
           ByteSamples<std::uint8_t>{dst, 2 * srcRow, p, k, 2 * w, 2 * h}, w, h, halfSum);
  }
}

void ZoomPackedYuv2x(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                     std::uint32_t h, const std::uint8_t* halfSum) {
  const std::size_t srcRow = 2 * std::size_t{w};
  const std::size_t dstRow = 4 * std::size_t{w};
  const std::uint32_t pairs = (w + 1) / 2;
  using In = ByteSamples<const std::uint8_t>;
  using Out = ByteSamples<std::uint8_t>;
  Zoom2x(In{src, srcRow, 2, 0, w, h}, Out{dst, dstRow, 2, 0, 2 * w, 2 * h}, w, h, halfSum);
  Zoom2x(In{src, srcRow, 4, 1, pairs, h}, Out{dst, dstRow, 4, 1, w, 2 * h}, pairs, h, halfSum);
  Zoom2x(In{src, srcRow, 4, 3, w / 2, h}, Out{dst, dstRow, 4, 3, w, 2 * h}, pairs, h, halfSum);
}

void ZoomNibbles2x(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                   const std::uint8_t* halfSum) {
  Zoom2x(NibbleSamples<const std::uint8_t>{src, (std::size_t{w} + 1) / 2, w, h},
         NibbleSamples<std::uint8_t>{dst, w, 2 * w, 2 * h}, w, h, halfSum);
}

void ZoomPlanar2x(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                  bool grey, const std::uint8_t* halfSum) {
  ZoomComponents2x(src, dst, w, h, 1, 1, halfSum);
  if (grey) return;
  const std::uint32_t cols = w / 2, rows = h / 2;
  const std::size_t srcPlane = std::size_t{cols} * rows;
  const std::size_t dstPlane = std::size_t{w} * h;
  const std::uint8_t* srcU = src + std::size_t{w} * h;
  std::uint8_t* dstU = dst + 4 * std::size_t{w} * h;
  for (int plane = 0; plane < 2; ++plane) {
    Zoom2x(ByteSamples<const std::uint8_t>{srcU + plane * srcPlane, cols, 1, 0, cols, rows},
           ByteSamples<std::uint8_t>{dstU + plane * dstPlane, w, 1, 0, w, h}, (w + 1) / 2,
           (h + 1) / 2, halfSum);
  }
}

}  // namespace kvtc::pixels
