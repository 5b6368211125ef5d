#include "encoder/frame_coding.h"

#include <algorithm>

#include "encoder/block_coding.h"
#include "encoder/change_detection.h"
#include "pixels/pixel_format.h"
#include "stream/picture_finishing.h"

namespace kvtc::encoder {

SectionWriters::SectionWriters(stream::EncoderState& e, bool packed)
    : blockBits{e.blockBits.span()},
      refinementBits{e.refinementBits.span()},
      literals{e.literals.span(), packed} {}

FrameSize SectionWriters::Size(std::size_t headerBytes) const {
  return {headerBytes, literals.count, literals.packed, blockBits.position,
          refinementBits.position};
}

FrameSize CodeFrameBlocks(stream::CodecContext& context, const FrameChoices& choices,
                          const KeyAndRefresh& plan, std::uint32_t threshold,
                          std::size_t headerBytes, std::size_t capacity, bool partial,
                          SectionWriters& writers) {
  stream::EncoderState& e = context.enc;
  const stream::PlaneGeometry& g = e.geometry;
  if (!plan.key) std::fill(e.updateMap.begin(), e.updateMap.end(), std::uint8_t{0});
  BuildChangeTable(e.changeTable.span(), threshold);
  writers = SectionWriters(e, choices.packed);

  const FrameCoder frame{g,
                         e.offsets,
                         context.tables,
                         e.changeTable.data(),
                         threshold,
                         e.current.span(),
                         e.reference.span(),
                         e.reconstruction.span(),
                         e.updateMap.span(),
                         e.sampleChangeMap.data(),
                         plan.key,
                         choices.losslessLuma,
                         choices.losslessChroma,
                         choices.grey,
                         choices.radius,
                         choices.motion,
                         writers.blockBits,
                         writers.refinementBits,
                         writers.literals,
                         choices.chromaChange};
  // Refresh blocks are coded over the previous picture, not over zeros. Every sample a refresh
  // sends is written before anything reads it, so zeros would change only the samples the
  // frame does not carry (those between lossy representatives), which the decoder keeps from
  // the previous picture. The border rebuild copies plane rows 1-2 and columns 1-2 before the
  // fill-in runs, so zeros there would reach the chroma borders and, after a switch to
  // lossless luma, the luma border row: the two pictures would no longer agree.
  RefreshCursor refresh(plan);
  std::uint32_t index = 0;
  for (std::uint32_t by = 0; by < g.blocksDown; ++by) {
    for (std::uint32_t bx = 0; bx < g.blocksAcross; ++bx, ++index) {
      const bool refreshBlock = refresh.IsRefresh(index);
      if (partial && !refreshBlock &&
          ((plan.period != 0 && e.unshown[index]) ||
           !writers.Size(headerBytes).RoomForBlock(g.blockCount - index - 1, capacity,
                                                   refresh.RemainingAfter(index, g.blockCount)))) {
        SkipBlock(frame);
        ++writers.skipped;
        continue;
      }
      CodeBlock(frame, bx, by, refreshBlock);
      if (!writers.Size(headerBytes).FitsIn(capacity)) return writers.Size(headerBytes);
    }
  }
  return writers.Size(headerBytes);
}

void RestoreReconstruction(stream::EncoderState& e) {
  std::copy(e.reference.begin(), e.reference.end(), e.reconstruction.begin());
}

void FinishFrame(stream::CodecContext& context, const FrameChoices& choices, bool key) {
  stream::EncoderState& e = context.enc;
  stream::FinishPicture({e.geometry, context.tables, e.reconstruction.span(), e.updateMap.span(),
                         key, choices.grey, choices.losslessLuma, choices.losslessChroma,
                         pixels::kRgb24, false});
  std::copy(e.reconstruction.begin(), e.reconstruction.end(), e.reference.begin());
}

}  // namespace kvtc::encoder
