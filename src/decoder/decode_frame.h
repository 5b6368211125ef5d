// The decoder's frame entry: one compressed frame in, one picture out in the caller's layout.
//
// The frame entry point sets the context's per-frame fields before every call (gamma, show
// grey, stream variant level and flag, decimation, decoder mode, output code). The first
// frame of a context starts the stream from the settings' frame size; from then on every
// frame is decoded against the last good picture.
#pragma once

#include <cstdint>
#include <span>

#include "settings/settings_record.h"
#include "stream/codec_context.h"

namespace kvtc::decoder {

enum class DecodeOutcome {
  kNoInput,             // no frame bytes or no destination: nothing happened
  kEmptyFrame,          // a frame of 0 bytes: the message box, nothing else
  kUnsupportedPicture,  // the settings' frame size cannot start a stream
  kOutOfMemory,         // a buffer or table could not be allocated; nothing was written
  kInterpolated,        // an in-between picture was shown; the frame was not decoded
  kDecoded,             // the frame was decoded and its picture shown
  kChecksumFailed,      // logged; the planes and the caller's picture are unchanged
  kDamaged,             // the frame does not fit the picture: handled as a checksum failure
  kDestinationTooSmall, // the stream moved on as usual, but the picture did not fit the
                        // destination and nothing was written there
};

// Decodes `frame` (the compressed bytes, exactly the compressed size) and shows the result in
// `destination` (the caller's bits). Never reads outside `frame` and never writes more than
// destination.size() bytes.
DecodeOutcome DecodeFrame(stream::CodecContext& context, const settings::SettingsRecord& settings,
                          std::span<const std::uint8_t> frame,
                          std::span<std::uint8_t> destination);

}  // namespace kvtc::decoder
