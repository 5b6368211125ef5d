// Showing a converted picture in the caller's bitmap: the output buffer as it stands, or a
// blend of it with the picture before it, copied or enlarged by the decoder mode's factor.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "decoder/temporal_interpolation.h"
#include "stream/codec_context.h"

namespace kvtc::decoder {

enum class ShowResult { kShown, kTooSmall, kOutOfMemory };

struct PictureToShow {
  std::uint8_t code = 0;  // the output code the picture was converted for
  bool grey = false;      // the picture was converted grey
  std::optional<Blend> blend;  // none: the output buffer itself; else blended with the
                               // previous output buffer
};

// Writes the picture into `destination` when the whole (enlarged) picture fits; otherwise
// writes nothing. With the context's reverseRows its rows go in the opposite order. Without zoom a blend goes straight into the destination; with zoom it is
// built in the decoder's scratch picture and enlarged from there.
ShowResult ShowPicture(stream::CodecContext& context, const PictureToShow& picture,
                       std::span<std::uint8_t> destination);

}  // namespace kvtc::decoder
