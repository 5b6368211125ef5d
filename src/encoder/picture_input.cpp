#include "encoder/picture_input.h"

#include <algorithm>

#include "pixels/decimation.h"
#include "pixels/input_converters.h"
#include "pixels/noise_filters.h"

namespace kvtc::encoder {

LRESULT PrepareCurrentPicture(stream::CodecContext& context, std::span<const std::uint8_t> input,
                              bool grey) {
  stream::EncoderState& e = context.enc;
  const stream::PlaneGeometry& g = e.geometry;
  const std::uint8_t code = context.inputFormat;
  const pixels::BitFieldLayout fields =
      pixels::BitFieldsFromSettings(context.compBits, context.compCount);
  if (g.frameWidth == 0 || g.frameHeight == 0) return ICERR_OK;  // no pixels, nothing to do
  const std::uint64_t needed =
      pixels::InputBytesRead(code, g.frameWidth, g.frameHeight, fields.pixelBytes);
  if (needed == 0 || input.size() < needed) return ICERR_BADFORMAT;

  std::span<const std::uint8_t> source = input.first(static_cast<std::size_t>(needed));
  const std::uint32_t factor = stream::DecimationFactor(e.decimation);
  if (factor != 1) {
    if (!e.inputCopy.Ensure(source.size())) return ICERR_MEMORY;
    std::copy(source.begin(), source.end(), e.inputCopy.begin());
    const auto reduced = pixels::DecimateInput(e.inputCopy.span(), code,
                                               {g.frameWidth, g.frameHeight}, factor, fields,
                                               context.tables.quarterSum.data());
    if (!reduced) return ICERR_BADFORMAT;
    source = e.inputCopy.span();
  }
  if (!pixels::ConvertInputFrame(context, source, e.current.span(), g, grey)) {
    return ICERR_BADFORMAT;
  }

  std::uint8_t* luma = e.current.data();
  if (context.median) pixels::MedianFilter(luma, g.lumaStride, g.lumaRows);
  if (context.smoothing) {
    pixels::SmoothFilter(luma, g.lumaStride, g.lumaRows, 0, 1, context.tables.quarterSum.data());
  }
  return ICERR_OK;
}

}  // namespace kvtc::encoder
