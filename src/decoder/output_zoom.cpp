#include "decoder/output_zoom.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "pixels/output_dispatch.h"
#include "pixels/pixel_format.h"
#include "pixels/pixel_kernels.h"
#include "pixels/zoom2x.h"
#include "stream/codec_context.h"

namespace kvtc::decoder {
namespace {

using namespace kvtc::pixels;  // the pixel-format codes

// Codes without a converted layout of their own are zoomed as planar 4:2:0 pictures.
bool ZoomsAsPlanar(std::uint8_t code) {
  switch (code) {
    case kPackedYuyv:
    case kRgb32:
    case kRgb24:
    case kRgb555:
    case kPalettised8:
    case kIndex332:
    case kColourCube:
    case kGrey8:
    case kGrey4:
      return false;
    default:
      return true;
  }
}

// One 2x pass over every component of a w x h picture in the layout of `code`.
void ZoomPass(std::uint8_t code, const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
              std::uint32_t h, bool grey, const std::uint8_t* halfSum) {
  const auto components = [&](std::uint32_t bytes, std::uint32_t count) {
    ActiveKernels().zoomBytes2x(src, dst, w, h, bytes, count, halfSum);
  };
  switch (code) {
    case kRgb32:
      return components(4, 3);  // the fourth byte is not computed
    case kRgb24:
      return components(3, 3);
    case kRgb555:
      return components(2, 2);  // byte by byte, as the bytes fall
    case kPalettised8:
    case kIndex332:
    case kColourCube:
    case kGrey8:
      return components(1, 1);
    case kGrey4:
      return ActiveKernels().zoomNibbles2x(src, dst, w, h, halfSum);
    case kPackedYuyv:
      return ActiveKernels().zoomPackedYuv2x(src, dst, w, h, halfSum);
    default:
      return ActiveKernels().zoomPlanar2x(src, dst, w, h, grey, halfSum);
  }
}

}  // namespace

std::uint32_t ZoomFactor(std::uint8_t decoderMode) {
  return decoderMode == 0 ? 1 : decoderMode == 2 || decoderMode == 4 ? decoderMode : 8;
}

std::uint64_t ZoomPictureBytes(std::uint8_t code, std::uint32_t width, std::uint32_t height,
                               bool grey) {
  if (!ZoomsAsPlanar(code)) return OutputBytes(code, width, height);
  const std::uint64_t luma = std::uint64_t{width} * height;
  return grey ? luma : luma + 2 * (std::uint64_t{width / 2} * (height / 2));
}

bool ZoomOutput(std::span<const std::uint8_t> src, std::span<std::uint8_t> dst, std::uint32_t width,
                std::uint32_t height, std::uint8_t code, std::uint32_t factor, bool grey,
                ZoomBuffers buffers, const std::uint8_t* halfSum) {
  if (factor != 1 && factor != 2 && factor != 4 && factor != 8) return false;
  constexpr std::uint32_t kLargest = std::numeric_limits<std::uint32_t>::max() / 8;
  if (width > kLargest || height > kLargest) return false;
  const auto fits = [&](std::span<const std::uint8_t> buffer, std::uint32_t scale) {
    return buffer.size() >= ZoomPictureBytes(code, scale * width, scale * height, grey);
  };
  if (!fits(src, 1) || !fits(dst, factor) || (factor >= 4 && !fits(buffers.first, 2)) ||
      (factor == 8 && !fits(buffers.second, 4))) {
    return false;
  }
  if (width == 0 || height == 0) return true;
  switch (factor) {
    case 1:
      std::memcpy(dst.data(), src.data(), ZoomPictureBytes(code, width, height, grey));
      break;
    case 2:
      ZoomPass(code, src.data(), dst.data(), width, height, grey, halfSum);
      break;
    case 4:
      ZoomPass(code, src.data(), buffers.first.data(), width, height, grey, halfSum);
      ZoomPass(code, buffers.first.data(), dst.data(), 2 * width, 2 * height, grey, halfSum);
      break;
    default:
      ZoomPass(code, src.data(), buffers.first.data(), width, height, grey, halfSum);
      ZoomPass(code, buffers.first.data(), buffers.second.data(), 2 * width, 2 * height, grey,
               halfSum);
      ZoomPass(code, buffers.second.data(), dst.data(), 4 * width, 4 * height, grey, halfSum);
      break;
  }
  return true;
}

bool ZoomOutput(std::span<const std::uint8_t> src, std::span<std::uint8_t> dst, std::uint32_t width,
                std::uint32_t height, stream::CodecContext& ctx, bool grey) {
  if (!ctx.tables.halfSum) return false;
  return ZoomOutput(src, dst, width, height, ctx.outputFormat, ZoomFactor(ctx.decoderMode), grey,
                    {ctx.dec.zoom2x.span(), ctx.dec.zoom4x.span()}, ctx.tables.halfSum.data());
}

}  // namespace kvtc::decoder
