// The encoder's frame entry: one uncompressed input frame in, one "Kvt1" frame out.
//
// The first frame of a context starts the stream (tables, geometry, buffers, a key frame).
// Every frame then writes its header, brings the input into the current picture, decides key
// frame and refresh blocks, codes its blocks against the previous picture while keeping a
// reconstruction identical to the decoder's, finishes that picture as the decoder does, keeps
// it as the next frame's reference, and assembles the sections.
//
// Size policy. The frame never takes more than the output buffer (the caller was promised 12
// bits per pixel) and no section more than its 16-bit length allows. Each frame is coded into
// the encoder's own buffers first; a pass stops as soon as it no longer fits. When it does not
// fit, the reconstruction is restored and the frame coded again with the threshold raised to
// T+8, T+16 and then T+24 (at least 30). When even that does not fit:
// - a key frame that could not be made is owed, and tried again with every frame until one
//   fits; meanwhile no frame is a key frame;
// - the key frame that could not be made leaves every block unshown: the decoder shows only
//   what key frames and refresh blocks carry whole (a non-key frame converts only the areas it
//   marks). Build-up frames at the highest threshold carry refresh blocks at the shortest
//   period that fits until every block has been refreshed, so the picture builds up over a
//   few frames; the other blocks of those frames are coded while the budget holds, and later
//   frames refine what the raised threshold left;
// - an owed key frame with the picture shown gives way to an ordinary frame at the lowest
//   threshold that fits;
// - else the frame goes out without refresh blocks at the highest threshold: its blocks are
//   coded as usual while the budget still holds one more block at its worst case, every
//   later block is sent as unchanged and keeps the decoder's picture, so later frames find it
//   changed and catch up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/win32_types.h"
#include "settings/settings_record.h"
#include "stream/codec_context.h"

namespace kvtc::encoder {

struct EncodedFrame {
  std::size_t size = 0;         // bytes written to the output
  bool key = false;             // the frame went out as a key frame
  std::uint32_t threshold = 0;  // the change threshold it was finally coded with
  std::uint32_t skipped = 0;    // blocks sent as unchanged for want of room, changed or not
};

// The context's per-frame fields (input pixel-format code, threshold, smoothing and median
// switches, palette tables) are set by the caller. Results:
// - ICERR_OK: one frame written, `result` says its size and whether it is a key frame;
// - ICERR_BADFORMAT: the input holds fewer bytes than its converter reads, or its code names
//   no input layout;
// - ICERR_MEMORY: the stream could not allocate its buffers;
// - ICERR_BADPARAM: the output cannot hold even a frame in which nothing changed.
// Nothing is written to the output, and the stream does not move on, unless ICERR_OK.
LRESULT EncodeFrame(stream::CodecContext& context, const settings::SettingsRecord& settings,
                    std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                    EncodedFrame& result);

}  // namespace kvtc::encoder
