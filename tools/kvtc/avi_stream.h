// What the tool keeps of the one video stream of an AVI file: its format (the strf chunk), the
// handler of the codec that made it, its frame rate, the codec state stored with it (strd) and
// its name (strn).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/bitmap_info.h"

namespace kvtc::tool {

struct AviVideoInfo {
  host::BitmapInfo format;                 // the stream's BITMAPINFOHEADER and colour table
  DWORD handler = 0;                       // strh fccHandler
  std::uint32_t rateNum = 0;               // frames per second = rateNum / rateDen
  std::uint32_t rateDen = 1;
  std::vector<std::uint8_t> codecState;    // strd: the ICM_GETSTATE block, when present
  std::string name;                        // strn
  // The picture the stream shows (strh rcFrame, right and bottom): the source's size, which
  // the coded pictures may exceed by the padding that fits them to the codec's blocks and
  // decimation. 0: as the format says.
  std::uint32_t shownWidth = 0;
  std::uint32_t shownHeight = 0;
};

// The index flag of a frame that can be decoded without the frames before it.
constexpr std::uint32_t kAviIndexKeyFrame = 0x10;

}  // namespace kvtc::tool
