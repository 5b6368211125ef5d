// One pass of the block loop over a frame, into the encoder's section buffers, and the
// finishing of the reconstruction once a pass has been accepted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encoder/frame_budget.h"
#include "encoder/key_and_refresh.h"
#include "encoder/literal_writer.h"
#include "stream/bit_writer.h"
#include "stream/codec_context.h"
#include "stream/motion_vector.h"

namespace kvtc::encoder {

// What the frame's header says about how its blocks are coded.
struct FrameChoices {
  bool losslessLuma = false;
  bool losslessChroma = false;  // as it takes effect: never on a grey frame
  bool grey = false;
  bool packed = false;          // 4-bit grey input: literals go out two to a byte
  bool chromaChange = false;    // colour-aware change detection; never on a grey frame
  std::uint32_t radius = 0;
  stream::MotionParameters motion;
};

// The three sections of the frame being coded, over the encoder's buffers.
struct SectionWriters {
  stream::BitWriter blockBits;
  stream::BitWriter refinementBits;
  LiteralWriter literals;
  std::uint32_t skipped = 0;  // blocks sent as unchanged for want of room

  SectionWriters(stream::EncoderState& state, bool packed);
  FrameSize Size(std::size_t headerBytes) const;
};

// Codes every block of the frame, key frame and refresh blocks as planned, with threshold T,
// over the reconstruction, which must hold the previous picture (RestoreReconstruction makes
// it so again before a pass is repeated). The pass stops as soon as the frame no longer fits
// `capacity` (its sizes only grow, so it could not be sent); the sizes it returns then do not
// fit either. A partial pass sends every block that is not a refresh block as unchanged when
// the frame could no longer take that block at its worst case followed by every later block
// as unchanged, and, when the frame has refresh blocks, also when the decoder does not show
// the block yet (a refresh block of a later frame will carry it whole). Returns the sections'
// sizes.
FrameSize CodeFrameBlocks(stream::CodecContext& context, const FrameChoices& choices,
                          const KeyAndRefresh& plan, std::uint32_t threshold,
                          std::size_t headerBytes, std::size_t capacity, bool partial,
                          SectionWriters& writers);

// The previous picture back into the reconstruction, undoing a pass that was not accepted.
void RestoreReconstruction(stream::EncoderState& state);

// After the accepted pass: the border rebuild and fill-in of the reconstruction, then the
// reconstruction becomes the reference picture.
//
// The encoder finishes its picture exactly as a decoder showing colour does (borders, chroma
// filled where lossy chroma left gaps, with the same update-map marks), rather than leaving
// the uncoded chroma samples alone. Those samples are read later: the half-sample motion
// compensation of lossless-luma frames moves chroma with half-sample precision and so reads
// chroma positions between representatives, and a switch to lossless chroma tests every
// chroma sample against what the picture holds. Had the encoder not filled them, its picture
// and the decoder's would drift apart there until the block was next refreshed.
void FinishFrame(stream::CodecContext& context, const FrameChoices& choices, bool key);

}  // namespace kvtc::encoder
