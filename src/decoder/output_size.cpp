#include "decoder/output_size.h"

#include "driver/pixel_format_codes.h"

namespace kvtc::decoder {

namespace code = driver::code;

std::uint8_t ConvertedOutputCode(std::uint8_t outputCode) {
  switch (outputCode) {
    case code::kRgb32:
    case code::kRgb24:
    case code::kRgb555:
    case code::kPalette8:
    case code::kIndex332:
    case code::kColourCube:
    case code::kGrey8:
    case code::kGrey4:
      return outputCode;
    default:
      return code::kPacked422;
  }
}

std::size_t OutputPictureBytes(std::uint8_t convertedCode, std::uint32_t width,
                               std::uint32_t height) {
  const std::size_t pixels = std::size_t{width} * height;
  switch (convertedCode) {
    case code::kRgb32:
      return 4 * pixels;
    case code::kRgb24:
      return 3 * pixels;
    case code::kRgb555:
      return 2 * pixels;
    case code::kPalette8:
    case code::kIndex332:
    case code::kColourCube:
    case code::kGrey8:
      return pixels;
    case code::kGrey4:
      return std::size_t{height} * ((std::size_t{width} + 1) / 2);
    default:
      return 2 * pixels;
  }
}

std::uint32_t ZoomFactor(std::uint8_t decoderMode) {
  switch (decoderMode) {
    case 0:
      return 1;
    case 2:
    case 4:
      return decoderMode;
    default:
      return 8;
  }
}

std::size_t DisplayedPictureBytes(std::uint8_t convertedCode, std::uint32_t width,
                                  std::uint32_t height, std::uint8_t decoderMode) {
  const std::uint32_t z = ZoomFactor(decoderMode);
  return OutputPictureBytes(convertedCode, z * width, z * height);
}

}  // namespace kvtc::decoder
