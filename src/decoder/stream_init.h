// The start of a decoder stream: the first frame a context decodes sets up its geometry,
// planes, buffers and tables.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings_record.h"
#include "stream/codec_context.h"

namespace kvtc::decoder {

// The largest picture side the decoder starts a stream for, the largest the codec negotiates.
constexpr std::uint32_t kMaxFrameSide = 8192;

// Packed samples expand two to a byte of the sample section, whose length is a 16-bit field:
// an expansion buffer of this size holds every packed section a frame can carry.
constexpr std::size_t kExpansionBytes = 2 * 65535;

// Starts a stream in the context's decoder state for pictures of the settings' frame size,
// reduced by the context's decimation: computes the geometry and block offsets, fills both
// plane sets with 128, allocates the update map, the expansion buffer and the two output
// buffers, builds the tables the decoder and its converters read, opens the error log and
// seeds the motion and refresh state from the settings (every frame header overrides it).
// False, with the stream still unstarted, for a frame size of 0 or beyond kMaxFrameSide and
// when memory runs out.
bool StartDecoderStream(stream::CodecContext& context, const settings::SettingsRecord& settings);

}  // namespace kvtc::decoder
