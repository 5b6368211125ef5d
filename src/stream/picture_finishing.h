// Finishing a decoded picture after its last block: the border rebuild, then the fill-in of
// the samples the lossy modes do not carry, as far as the output format needs them.
#pragma once

#include <cstdint>
#include <span>

#include "stream/arithmetic_tables.h"
#include "stream/plane_geometry.h"

namespace kvtc::stream {

struct FillChoice {
  bool luma = false;
  bool chroma = false;
};

// Which planes the fill-in rebuilds, by output pixel-format code. A grey picture fills luma
// without lossless luma and never chroma; otherwise codes 0 and 10 (the planar and packed YUV
// outputs) fill luma without lossless luma and chroma without lossless chroma, codes 11 and 12
// (the grey outputs) luma only, and every other code chroma only, since those converters
// interpolate luma themselves. With sharpening on, luma is left to the sharpen step.
FillChoice ChooseFillIn(std::uint8_t outputFormat, bool grey, bool losslessLuma,
                        bool losslessChroma, bool sharpen);

struct FinishingInput {
  const PlaneGeometry& geometry;
  const ArithmeticTables& tables;
  std::span<std::uint8_t> planes;     // the current plane set
  std::span<std::uint8_t> updateMap;  // read and extended by the map-guided fills
  bool key = false;
  bool grey = false;  // the frame is grey, or the picture is shown grey
  bool losslessLuma = false;
  bool losslessChroma = false;
  std::uint8_t outputFormat = 0;
  bool sharpen = false;
};

// Rebuilds the borders, then fills luma (whole plane on key frames and grey pictures, around
// the marks otherwise) and then U and V (whole planes on key frames, around the marks
// otherwise), as ChooseFillIn says. Does nothing when the plane set is smaller than the
// geometry needs, and no map-guided fill when the map is (a key frame needs no map).
void FinishPicture(const FinishingInput& in);

}  // namespace kvtc::stream
