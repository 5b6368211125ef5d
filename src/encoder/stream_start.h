// The start of an encoder stream, on the first frame after the context was created: the
// tables, the snapshots of the settings a stream keeps, the plane geometry and block offsets,
// and the encoder's buffers, with the reference picture and the reconstruction filled with
// 128 as the decoder's planes are.
#pragma once

#include "settings/settings_record.h"
#include "stream/codec_context.h"

namespace kvtc::encoder {

// False when a table or buffer could not be allocated; the stream has then not started (the
// frame counter stays 0) and the next frame tries again.
bool StartEncoderStream(stream::CodecContext& context, const settings::SettingsRecord& settings);

// The search radius the encoder codes with: the settings' radius, at most 16, the largest the
// codec offers, which keeps every coded component within 7 bits.
std::uint32_t CodedRadius(const settings::SettingsRecord& settings);

}  // namespace kvtc::encoder
