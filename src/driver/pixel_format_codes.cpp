#include "driver/pixel_format_codes.h"

#include <cstdint>
#include <cstdlib>

namespace kvtc::driver {

using settings::SF_SENDGRAY;
using settings::SF_SHOWGRAY;

bool IsKvtStream(DWORD fourcc) {
  return FourccChar(fourcc, 0) == 'K' && FourccChar(fourcc, 1) == 'v' && FourccChar(fourcc, 2) == 't';
}

BYTE ApplyInputFormat(const BITMAPINFOHEADER& in, settings::SettingsRecord& s, bool forCompression) {
  const DWORD c = in.biCompression;
  if (c == MakeFourcc("YUV ") || c == MakeFourcc("YUY2") || c == MakeFourcc("YUV9")) {
    s.bInputFormat = code::kPacked422;
  } else if (c == MakeFourcc("cyuv")) {
    s.bInputFormat = code::kCyuv;
  } else if (c == MakeFourcc("YVU9")) {
    s.bInputFormat = code::kYvu9;
  } else if (c == BI_RGB) {
    switch (in.biBitCount) {
      case 4:
        s.bInputFormat = code::kGrey4;
        s.bFlags |= SF_SENDGRAY;
        break;
      case 6:
        s.bInputFormat = code::kBitFields;
        s.bCompBits[0] = 6;
        s.bCompBits[1] = 0;
        s.bCompBits[2] = 0;
        s.bCompCount = 1;
        s.bFlags |= SF_SENDGRAY;
        break;
      case 8:
        if (forCompression && s.bInputFormat == code::kGrey8) {
          s.bFlags |= SF_SENDGRAY;
        } else {
          s.bInputFormat = code::kPalette8;
        }
        break;
      case 16:
        s.bInputFormat = code::kRgb555;
        break;
      case 24:
        s.bInputFormat = code::kRgb24;
        break;
      default:
        s.bInputFormat = code::kRgb32;
        break;
    }
  }
  return s.bInputFormat;
}

BYTE OutputCodeForDestination(const BITMAPINFOHEADER& dst, const settings::SettingsRecord& s) {
  const DWORD c = dst.biCompression;
  if (c == MakeFourcc("cyuv") || c == MakeFourcc("YUY2")) return code::kPacked422;
  if (c != BI_RGB) return s.bOutputFormat;
  switch (dst.biBitCount) {
    case 4:
      return code::kGrey4;
    case 16:
      return code::kRgb555;
    case 24:
      return code::kRgb24;
    case 32:
      return code::kRgb32;
    default:
      switch (s.bOutputFormat) {
        case code::kPalette8:
        case code::kIndex332:
        case code::kColourCube:
        case code::kGrey8:
          return s.bOutputFormat;
        default:
          return (s.bFlags & SF_SHOWGRAY) ? code::kGrey8 : code::kColourCube;
      }
  }
}

WORD ImpliedOutputDepth(BYTE outputCode) {
  switch (outputCode) {
    case code::kPacked422:
    case code::kRgb555:
      return 16;
    case code::kRgb32:
      return 32;
    case code::kRgb24:
      return 24;
    case code::kPalette8:
    case code::kIndex332:
    case code::kColourCube:
    case code::kGrey8:
      return 8;
    case code::kGrey4:
      return 4;
    default:
      return 0;
  }
}

DWORD PaddedImageSize(DWORD bitCount, LONG width, LONG height) {
  const std::uint64_t row = ((std::uint64_t{bitCount} * static_cast<std::uint64_t>(width < 0 ? 0 : width) + 31) / 32) * 4;
  const std::uint64_t size = row * static_cast<std::uint64_t>(std::llabs(height));
  return size > 0xFFFFFFFFu ? 0 : static_cast<DWORD>(size);
}

}  // namespace kvtc::driver
