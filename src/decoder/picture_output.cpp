#include "decoder/picture_output.h"

#include "decoder/output_zoom.h"
#include "pixels/output_dispatch.h"

namespace kvtc::decoder {

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

  if (picture.blend) {
    if (factor == 1) {
      BlendOutput(picture.code, *picture.blend, d.previousOutput.span().first(n), shown,
                  destination.first(n), context.tables);
      return ShowResult::kShown;
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
  return zoomed ? ShowResult::kShown : ShowResult::kTooSmall;
}

}  // namespace kvtc::decoder
