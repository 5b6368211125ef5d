#include "pixels/decimation.h"

#include "pixels/pixel_format.h"

namespace kvtc::pixels {
namespace {

// outW x outH pixels, each the rounded mean of a 2x2 block of a w-wide source. Every output
// position lies at or before the first source pixel it reads, and later outputs read only
// later pixels, so the reduction may run in place.
void ReducePlane(const std::uint8_t* src, std::uint8_t* dst, std::size_t w, std::size_t outW,
                 std::size_t outH, std::uint32_t channel, std::size_t step,
                 const std::uint8_t* quarterSum) {
  for (std::size_t j = 0; j < outH; ++j) {
    const std::uint8_t* top = src + channel + step * (2 * j * w);
    const std::uint8_t* bottom = top + step * w;
    std::uint8_t* out = dst + channel + step * (j * outW);
    for (std::size_t i = 0; i < outW; ++i) {
      const std::size_t left = step * 2 * i;
      const std::size_t right = left + step;
      out[step * i] = quarterSum[top[left] + top[right] + bottom[left] + bottom[right]];
    }
  }
}

// Bit-field pixels (and 5-5-5 words) are reduced field by field: averaging their bytes would
// carry one field's bits into the next and change the colours.
void ReduceBitFields(std::uint8_t* buffer, std::size_t w, std::size_t h,
                     const BitFieldLayout& fields, const std::uint8_t* quarterSum) {
  const std::size_t outW = (w & ~std::size_t{15}) / 2;
  const std::size_t outH = (h & ~std::size_t{15}) / 2;
  const std::size_t bytes = fields.pixelBytes;
  const auto load = [bytes](const std::uint8_t* px) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) value |= std::uint32_t{px[i]} << (8 * i);
    return value;
  };
  const std::uint32_t counts[3] = {fields.blueBits, fields.greenBits, fields.redBits};
  for (std::size_t j = 0; j < outH; ++j) {
    for (std::size_t i = 0; i < outW; ++i) {
      const std::uint8_t* a = buffer + bytes * (2 * j * w + 2 * i);
      const std::uint32_t p[4] = {load(a), load(a + bytes), load(a + bytes * w),
                                  load(a + bytes * (w + 1))};
      std::uint32_t out = 0;
      std::uint32_t shift = 0;
      for (const std::uint32_t count : counts) {
        const std::uint32_t mask = (1u << count) - 1;
        const std::uint32_t sum = ((p[0] >> shift) & mask) + ((p[1] >> shift) & mask) +
                                  ((p[2] >> shift) & mask) + ((p[3] >> shift) & mask);
        out |= std::uint32_t{quarterSum[sum]} << shift;
        shift += count;
      }
      std::uint8_t* dst = buffer + bytes * (j * outW + i);
      for (std::size_t b = 0; b < bytes; ++b) dst[b] = static_cast<std::uint8_t>(out >> (8 * b));
    }
  }
}

// 4-bit grey is reduced nibble by nibble, each nibble being one pixel.
void ReduceNibbles(std::uint8_t* buffer, std::size_t w, std::size_t h,
                   const std::uint8_t* quarterSum) {
  const std::size_t srcRow = (w + 1) / 2;
  const std::size_t outRow = (w & ~std::size_t{15}) / 4;
  const std::size_t outH = (h & ~std::size_t{15}) / 2;
  const auto mean = [quarterSum](std::uint8_t top, std::uint8_t bottom) {
    return quarterSum[(top >> 4) + (top & 15) + (bottom >> 4) + (bottom & 15)];
  };
  for (std::size_t j = 0; j < outH; ++j) {
    const std::uint8_t* top = buffer + 2 * j * srcRow;
    const std::uint8_t* bottom = top + srcRow;
    std::uint8_t* out = buffer + j * outRow;
    for (std::size_t m = 0; m < outRow; ++m) {
      const std::uint8_t high = mean(top[2 * m], bottom[2 * m]);
      const std::uint8_t low = mean(top[2 * m + 1], bottom[2 * m + 1]);
      out[m] = static_cast<std::uint8_t>(high << 4 | low);
    }
  }
}

// Palette indices cannot be averaged: each block keeps its top-left pixel.
void ReduceBySampling(std::uint8_t* buffer, std::size_t w, std::size_t h) {
  const std::size_t outW = (w & ~std::size_t{15}) / 2;
  const std::size_t outH = (h & ~std::size_t{15}) / 2;
  for (std::size_t j = 0; j < outH; ++j) {
    for (std::size_t i = 0; i < outW; ++i) buffer[j * outW + i] = buffer[2 * j * w + 2 * i];
  }
}

void ReducePlanar420(std::uint8_t* buffer, std::size_t w, std::size_t h,
                     const std::uint8_t* quarterSum) {
  const std::size_t outW = (w & ~std::size_t{15}) / 2;
  const std::size_t outH = (h & ~std::size_t{15}) / 2;
  ReducePlane(buffer, buffer, w, outW, outH, 0, 1, quarterSum);
  // The chroma planes follow the luma plane before and after; each shrinks to half the new
  // luma size, and each lands before the part of the buffer still to be read.
  const std::size_t srcCols = w / 2, srcRows = h / 2;
  const std::size_t outCols = outW / 2, outRows = outH / 2;
  std::uint8_t* srcU = buffer + w * h;
  std::uint8_t* dstU = buffer + outW * outH;
  ReducePlane(srcU, dstU, srcCols, outCols, outRows, 0, 1, quarterSum);
  ReducePlane(srcU + srcCols * srcRows, dstU + outCols * outRows, srcCols, outCols, outRows, 0, 1,
              quarterSum);
}

void HalvePicture(std::uint8_t* buffer, std::uint8_t code, std::uint32_t w, std::uint32_t h,
                  const BitFieldLayout& fields, const std::uint8_t* quarterSum) {
  switch (code) {
    case kPackedYuyv:
    case kPackedUyvy: {
      const PackedYuvOrder order = code == kPackedYuyv ? kYuyvOrder : kUyvyOrder;
      ReduceChannel(buffer, buffer, w, h, order.luma, 2, quarterSum);
      ReduceChromaPair(buffer, buffer, w / 2, h / 2, order.u, 4, quarterSum);
      ReduceChromaPair(buffer, buffer, w / 2, h / 2, order.v, 4, quarterSum);
      break;
    }
    case kRgb32:
    case kRgb24: {
      const RgbChannels ch = code == kRgb32 ? kRgb32Channels : kRgb24Channels;
      for (const std::uint32_t channel : {ch.red, ch.green, ch.blue}) {
        ReduceChannel(buffer, buffer, w, h, channel, ch.bytesPerPixel, quarterSum);
      }
      break;
    }
    case kRgb555:
      ReduceBitFields(buffer, w, h, {5, 5, 5, 2}, quarterSum);
      break;
    case kBitFields:
      ReduceBitFields(buffer, w, h, fields, quarterSum);
      break;
    case kPalettised8:
      ReduceBySampling(buffer, w, h);
      break;
    case kGrey4:
      ReduceNibbles(buffer, w, h, quarterSum);
      break;
    case kPlanar420:
      ReducePlanar420(buffer, w, h, quarterSum);
      break;
    default:  // grey and the plain luma layouts: one byte channel
      ReduceChannel(buffer, buffer, w, h, 0, 1, quarterSum);
      break;
  }
}

}  // namespace

void ReduceChannel(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                   std::uint32_t channel, std::uint32_t step, const std::uint8_t* quarterSum) {
  ReducePlane(src, dst, w, (w & ~15u) / 2, (h & ~15u) / 2, channel, step, quarterSum);
}

void ReduceChromaPair(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                      std::uint32_t channel, std::uint32_t step, const std::uint8_t* quarterSum) {
  const std::size_t outW = (w & ~7u) / 2;
  const std::size_t groups = (h & ~7u) / 2;
  const std::size_t srcRow = std::size_t{step} * w;
  const std::size_t outRow = std::size_t{step} * outW;
  for (std::size_t k = 0; k < groups; ++k) {
    const std::uint8_t* first = src + channel + 4 * k * srcRow;
    const std::uint8_t* third = first + 2 * srcRow;
    std::uint8_t* out = dst + channel + 2 * k * outRow;
    for (std::size_t i = 0; i < outW; ++i) {
      const std::size_t left = step * 2 * i;
      const std::size_t right = left + step;
      out[step * i] = quarterSum[first[left] + first[right] + third[left] + third[right]];
    }
    // The second output row is copied from the first once it is complete: writing both rows
    // sample by sample would, in place, overwrite source samples of the group's first row
    // that are still to be read.
    for (std::size_t i = 0; i < outW; ++i) out[outRow + step * i] = out[step * i];
  }
}

std::optional<PictureSize> DecimateInput(std::span<std::uint8_t> buffer, std::uint8_t code,
                                         PictureSize size, std::uint32_t factor,
                                         const BitFieldLayout& fields,
                                         const std::uint8_t* quarterSum) {
  std::uint64_t needed = InputBytesRead(code, size.width, size.height, fields.pixelBytes);
  if (needed == 0) needed = std::uint64_t{size.width} * size.height;
  if (buffer.size() < needed) return std::nullopt;
  const int steps = factor == 2 ? 1 : factor == 4 ? 2 : factor == 8 ? 3 : 0;
  for (int i = 0; i < steps; ++i) {
    HalvePicture(buffer.data(), code, size.width, size.height, fields, quarterSum);
    size = {(size.width / 2) & ~7u, (size.height / 2) & ~7u};
  }
  return size;
}

}  // namespace kvtc::pixels
