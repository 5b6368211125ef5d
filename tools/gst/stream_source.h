// What a compressed stream without a described size came from. GStreamer's AVI demuxer hands
// a "Kvt1" stream over as unknown video, with its FOURCC and nothing of its bitmap format; the
// format, the frame rate and the codec state stored with the stream are in the AVI's own
// headers. When the pipeline reads a local file, this asks upstream for its location and reads
// those headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/bitmap_info.h"

#include <gst/gst.h>

namespace kvtc::gst {

struct StoredStream {
  std::string path;
  host::BitmapInfo format;               // the stream's BITMAPINFOHEADER
  std::vector<std::uint8_t> codecState;  // stored with the stream; may be empty
  int rateNum = 0;
  int rateDen = 1;
  std::uint32_t sourceWidth = 0;  // the source's size before padding, when stored
  std::uint32_t sourceHeight = 0;
};

// The stream of the file upstream of `pad`, when upstream is a local AVI file holding a stream
// of this codec; nullopt when upstream names no local file. Throws host::IoError when the file
// is one but cannot be read as an AVI of this codec.
std::optional<StoredStream> StoredStreamUpstream(GstPad* pad);

}  // namespace kvtc::gst
