#include "decoder/picture_output.h"

#include <algorithm>
#include <cstring>

#include "decoder/output_zoom.h"
#include "pixels/output_dispatch.h"

namespace kvtc::decoder {
namespace {

// Turns a shown picture of `rows` rows of `rowBytes` bytes upside down in place. Rows trade
// places through a small buffer in whole chunks, so that the swap runs at the speed of a copy.
void ReverseRows(std::uint8_t* bits, std::size_t rowBytes, std::size_t rows) {
  constexpr std::size_t kChunk = 512;
  std::uint8_t held[kChunk];
  for (std::size_t i = 0; i < rows / 2; ++i) {
    std::uint8_t* top = bits + i * rowBytes;
    std::uint8_t* bottom = bits + (rows - 1 - i) * rowBytes;
    for (std::size_t x = 0; x < rowBytes; x += kChunk) {
      const std::size_t n = std::min(kChunk, rowBytes - x);
      std::memcpy(held, top + x, n);
      std::memcpy(top + x, bottom + x, n);
      std::memcpy(bottom + x, held, n);
    }
  }
}

}  // namespace

ShowResult ShowPicture(stream::CodecContext& context, const PictureToShow& picture,
                       std::span<std::uint8_t> destination) {
  stream::DecoderState& d = context.dec;
  const std::uint32_t w = d.geometry.width;
  const std::uint32_t h = d.geometry.height;
  const std::uint32_t factor = ZoomFactor(context.decoderMode);
  if (destination.size() < ZoomPictureBytes(picture.code, factor * w, factor * h, picture.grey)) {
    return ShowResult::kTooSmall;
  }
  const std::size_t n = pixels::OutputBytes(picture.code, w, h);
  if (n == 0) return ShowResult::kShown;  // a picture without pixels
  std::span<const std::uint8_t> shown = d.output.span().first(n);
  const std::size_t rowBytes = pixels::OutputBytes(picture.code, factor * w, 1);
  const bool reverse = context.reverseRows != 0;

  // The common case, the picture as it is: copied row by row into place, in one pass.
  if (reverse && factor == 1 && !picture.blend) {
    for (std::uint32_t row = 0; row < h; ++row) {
      std::memcpy(destination.data() + (h - 1 - row) * rowBytes, shown.data() + row * rowBytes,
                  rowBytes);
    }
    return ShowResult::kShown;
  }
  const auto shownAs = [&](ShowResult result) {
    const std::size_t rows = std::size_t{factor} * h;
    if (reverse && result == ShowResult::kShown && rows * rowBytes <= destination.size()) {
      ReverseRows(destination.data(), rowBytes, rows);
    }
    return result;
  };

  if (picture.blend) {
    if (factor == 1) {
      BlendOutput(picture.code, *picture.blend, d.previousOutput.span().first(n), shown,
                  destination.first(n), context.tables);
      return shownAs(ShowResult::kShown);
    }
    if (!d.scratch.Ensure(d.output.size())) return ShowResult::kOutOfMemory;
    BlendOutput(picture.code, *picture.blend, d.previousOutput.span().first(n), shown,
                d.scratch.span().first(n), context.tables);
    shown = d.scratch.span().first(n);
  }

  // The intermediate pictures of a 4x and an 8x zoom: 2x and 4x pictures of up to 4 bytes a
  // pixel.
  const std::size_t pixelCount = std::size_t{w} * h;
  if ((factor >= 4 && !d.zoom2x.Ensure(16 * pixelCount)) ||
      (factor == 8 && !d.zoom4x.Ensure(64 * pixelCount))) {
    return ShowResult::kOutOfMemory;
  }
  const bool zoomed = ZoomOutput(shown, destination, w, h, picture.code, factor, picture.grey,
                                 {d.zoom2x.span(), d.zoom4x.span()},
                                 context.tables.halfSum.data());
  return shownAs(zoomed ? ShowResult::kShown : ShowResult::kTooSmall);
}

}  // namespace kvtc::decoder
