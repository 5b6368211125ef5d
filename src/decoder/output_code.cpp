#include "decoder/output_code.h"

#include "pixels/pixel_format.h"

namespace kvtc::decoder {

std::uint8_t ConvertedOutputCode(std::uint8_t outputCode) {
  switch (outputCode) {
    case pixels::kRgb32:
    case pixels::kRgb24:
    case pixels::kRgb555:
    case pixels::kPalettised8:
    case pixels::kIndex332:
    case pixels::kColourCube:
    case pixels::kGrey8:
    case pixels::kGrey4:
      return outputCode;
    default:
      return pixels::kPackedYuyv;
  }
}

}  // namespace kvtc::decoder
