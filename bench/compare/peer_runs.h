// The codecs people would pick instead, through libavcodec: one thread each, the source
// converted by libswscale into the encoder's own input format, and every decoded picture
// converted to BGR24 for display, both inside the timed part.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "compare/clip_set.h"
#include "compare/results.h"

namespace kvtc::compare {

struct PeerCodec {
  std::string name;     // as the table shows it
  std::string encoder;  // libavcodec's encoder name
  std::vector<std::pair<std::string, std::string>> options;  // encoder options
  int frameLimit = 0;  // for encoders too slow for a whole clip: its first so many frames
};

// msvideo1, cinepak, rpza, libx264 (ultrafast, zerolatency, intra-refresh) and libvpx
// (realtime, cpu-used 8).
const std::vector<PeerCodec>& PeerCodecs();

// The fastest of `repeats` runs of each direction counts; an encode that takes more than a few
// seconds is not repeated. Throws IoError when this FFmpeg has
// no such encoder or the codec fails.
Result RunPeer(const Clip& clip, const PeerCodec& codec, int repeats);

}  // namespace kvtc::compare
