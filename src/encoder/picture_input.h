// The caller's input brought into the encoder's current picture: decimated when the stream
// codes reduced pictures, converted to planar YUV by pixel-format code, then cleaned of camera
// noise on luma by the median and smoothing filters the context's switches ask for.
#pragma once

#include <cstdint>
#include <span>

#include "platform/win32_types.h"
#include "stream/codec_context.h"

namespace kvtc::encoder {

// ICERR_BADFORMAT, with the current picture untouched, when the input holds fewer bytes than
// the converter for the context's input code reads for the stream's frame size, or the code
// names no input layout. The caller's input is never modified: decimation works on a copy.
LRESULT PrepareCurrentPicture(stream::CodecContext& context, std::span<const std::uint8_t> input,
                              bool grey);

}  // namespace kvtc::encoder
