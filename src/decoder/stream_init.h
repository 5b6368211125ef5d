// The start of a decoder stream: the first frame a context decodes sets up its geometry,
// planes, buffers and tables.
#pragma once

#include <cstdint>

#include "settings/settings_record.h"
#include "stream/codec_context.h"

namespace kvtc::decoder {

// The largest picture side the decoder starts a stream for, the largest the codec negotiates.
constexpr std::uint32_t kMaxFrameSide = 8192;

// Whether a stream of pictures of this size can start: each side from 1 to kMaxFrameSide.
bool SupportedFrameSize(std::uint32_t width, std::uint32_t height);

// Starts a stream in the context's decoder state for pictures of the settings' frame size,
// reduced by the context's decimation: computes the geometry and block offsets, fills both
// plane sets with 128, allocates the update map and the two output buffers, builds the
// tables the decoder and its converters read (for the context's gamma), opens the error log
// and seeds the motion and refresh state from the settings (every frame header overrides
// it). False, with the stream still unstarted, when the frame size is not supported or
// memory runs out.
bool StartDecoderStream(stream::CodecContext& context, const settings::SettingsRecord& settings);

}  // namespace kvtc::decoder
