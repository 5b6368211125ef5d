#include "driver/format_negotiation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "driver/instance.h"
#include "driver/pixel_format_codes.h"
#include "pixels/gamma_power.h"
#include "stream/plane_geometry.h"

namespace kvtc::driver {
namespace {

using settings::SettingsRecord;

bool AcceptedInputDepth(WORD bits) {
  switch (bits) {
    case 4: case 6: case 8: case 9: case 16: case 24: case 32:
      return true;
    default:
      return false;
  }
}

bool AcceptedInputCompression(DWORD c) {
  return c == BI_RGB || c == MakeFourcc("YUV ") || c == MakeFourcc("cyuv") ||
         c == MakeFourcc("YUY2") || c == MakeFourcc("YVU9") || c == MakeFourcc("YUV9");
}

// Pictures the codec can hold: at least one pixel, at most kMaxPictureSide on each side.
bool AcceptedSize(LONG width, LONG height) {
  return width > 0 && width <= kMaxPictureSide && height != 0 && height >= -kMaxPictureSide &&
         height <= kMaxPictureSide;
}

LONG AbsHeight(const BITMAPINFOHEADER& h) { return std::labs(h.biHeight); }

// The largest compressed frame: 12 bits per pixel, and for a picture of a handful of pixels
// still room for the frame's header, lengths and checksum.
DWORD LargestFrame(const BITMAPINFOHEADER& h) {
  return std::max<DWORD>(static_cast<DWORD>(AbsHeight(h)) * static_cast<DWORD>(h.biWidth) * 3u / 2u,
                         kMinCompressedFrame);
}

// The destination's colour table follows its 40-byte header (the palette request makes the
// header 40 bytes long).
RGBQUAD* ColourTable(BITMAPINFOHEADER* h) {
  return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(h) + sizeof(BITMAPINFOHEADER));
}
// The source's colour table follows its header of biSize bytes.
const RGBQUAD* ColourTable(const BITMAPINFOHEADER* h) {
  return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(h) + h->biSize);
}

void BuildPaletteGamma(float gamma, BYTE g[256]) {
  const double exponent = 1.0 / static_cast<double>(gamma);
  for (int i = 0; i < 256; ++i) {
    g[i] = static_cast<BYTE>(std::trunc(pixels::GammaLevel(i, exponent)));
  }
}

void SetEntry(RGBQUAD* table, int index, BYTE red, BYTE green, BYTE blue) {
  table[index] = RGBQUAD{blue, green, red, 0};
}

// Entries 10 to 25: sixteen grey levels from 255 down to 15, without gamma.
void WriteGreyRamp(RGBQUAD* table) {
  for (int k = 0; k < 16; ++k) {
    const auto v = static_cast<BYTE>(255 - 16 * k);
    SetEntry(table, 10 + k, v, v, v);
  }
}

// The source's own colour table, as far as a 256-entry destination holds it.
void CopySourceTable(const BITMAPINFOHEADER* src, RGBQUAD* dst) {
  const DWORD entries = src->biClrUsed > 256 ? 256 : src->biClrUsed;
  std::memcpy(dst, ColourTable(src), entries * sizeof(RGBQUAD));
}

void Write332Palette(RGBQUAD* table, const BYTE g[256]) {
  for (int r = 0; r < 8; ++r) {
    for (int gr = 0; gr < 8; ++gr) {
      for (int b = 0; b < 4; ++b) SetEntry(table, 32 * r + 4 * gr + b, g[36 * r], g[36 * gr], g[85 * b]);
    }
  }
}

// The destination size a decompression must have, by the instance's decimation and zoom (the
// whole source frame when the instance cannot be locked).
PictureSize ExpectedDestination(DWORD_PTR id, LONG width, LONG height) {
  LockedInstance instance(id);
  if (!instance) return {width, height};
  return DecodedPictureSize(width, height, instance->settings.bDecimation,
                            instance->settings.bDecoderMode);
}

}  // namespace

PictureSize DecodedPictureSize(LONG width, LONG height, BYTE decimation, BYTE decoderMode) {
  const std::uint32_t zoom = decoderMode == 0 ? 1 : decoderMode == 2 ? 2 : decoderMode == 4 ? 4 : 8;
  if (stream::DecimationFactor(decimation) == 1 && zoom == 1) return {width, height};
  const stream::PlaneGeometry g = stream::ComputePlaneGeometry(
      static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(std::labs(height)), decimation);
  return {static_cast<LONG>(zoom * g.width), static_cast<LONG>(zoom * g.height)};
}

LRESULT CompressQuery(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) {
  if (!in || !AcceptedInputDepth(in->biBitCount) || !AcceptedInputCompression(in->biCompression) ||
      !AcceptedSize(in->biWidth, in->biHeight)) {
    return ICERR_BADFORMAT;
  }
  if (!out) return ICERR_OK;
  if (out->biWidth == 0) out->biWidth = in->biWidth;
  if (out->biHeight == 0) out->biHeight = in->biHeight;
  if (!IsKvtStream(out->biCompression) || AbsHeight(*out) != AbsHeight(*in) ||
      out->biWidth != in->biWidth || out->biSize != sizeof(BITMAPINFOHEADER)) {
    return ICERR_BADFORMAT;
  }
  return ICERR_OK;
}

LRESULT CompressGetFormat(DWORD_PTR id, const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) {
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  if (CompressQuery(in, nullptr) != ICERR_OK) return 1;
  if (!out) return sizeof(BITMAPINFOHEADER);
  SettingsRecord& s = instance->settings;
  s.bCompBits[0] = s.bCompBits[1] = s.bCompBits[2] = 8;
  s.bCompCount = 3;
  s.dwWidth = static_cast<DWORD>(in->biWidth);
  s.dwHeight = static_cast<DWORD>(AbsHeight(*in));
  ApplyInputFormat(*in, s, /*forCompression=*/false);

  std::memcpy(out, in, sizeof(BITMAPINFOHEADER));
  out->biSize = sizeof(BITMAPINFOHEADER);
  out->biBitCount = 24;
  out->biCompression = MakeFourcc("Kvt1");
  out->biClrUsed = 0;
  out->biClrImportant = 0;
  out->biSizeImage = LargestFrame(*in);
  return ICERR_OK;
}

LRESULT CompressGetSize(const BITMAPINFOHEADER* in) {
  if (!in) return 0;
  return static_cast<LRESULT>(LargestFrame(*in));
}

LRESULT CompressBegin(DWORD_PTR id, const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) {
  if (CompressQuery(in, out) != ICERR_OK) return 1;
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  instance->fCompressBegun = 1;
  return ICERR_OK;
}

LRESULT CompressEnd(DWORD_PTR id) {
  LockedInstance instance(id);
  if (!instance || !instance->fCompressBegun) return ICERR_ERROR;
  instance->fCompressBegun = 0;
  return ICERR_OK;
}

LRESULT DecompressQuery(const DecompressArgs& a) {
  if (!a.src || !IsKvtStream(a.src->biCompression)) return ICERR_BADFORMAT;
  if (!AcceptedSize(a.src->biWidth, a.src->biHeight)) return ICERR_BADFORMAT;
  const LONG srcWidth = a.dxSrc != -1 ? a.dxSrc : a.src->biWidth;
  const LONG srcHeight = a.dySrc != -1 ? a.dySrc : AbsHeight(*a.src);
  if (a.xSrc != 0 || a.ySrc != 0) return ICERR_BADPARAM;
  if (AbsHeight(*a.src) != srcHeight || a.src->biWidth != srcWidth) return ICERR_BADPARAM;
  if (!a.dst) return ICERR_OK;
  const LONG dstWidth = a.dxDst != -1 ? a.dxDst : a.dst->biWidth;
  const LONG dstHeight = a.dyDst != -1 ? a.dyDst : AbsHeight(*a.dst);
  // Without decimation and zoom the destination is the source frame; with them it is the
  // picture the decoder writes, so that no decoded picture outgrows its bitmap.
  const PictureSize expected = ExpectedDestination(a.id, srcWidth, srcHeight);
  const DWORD c = a.dst->biCompression;
  if ((c != BI_RGB && c != MakeFourcc("cyuv") && c != MakeFourcc("YUY2")) ||
      (c == BI_RGB && a.dst->biBitCount < 24) || dstHeight != expected.height ||
      a.dst->biSize != sizeof(BITMAPINFOHEADER) || dstWidth != expected.width) {
    return ICERR_BADFORMAT;
  }
  return ICERR_OK;
}

LRESULT DecompressGetFormat(DWORD_PTR id, const BITMAPINFOHEADER* src, BITMAPINFOHEADER* dst) {
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  if (!src || !IsKvtStream(src->biCompression)) return 1;
  if (!dst) return sizeof(BITMAPINFOHEADER);
  std::memcpy(dst, src, sizeof(BITMAPINFOHEADER));
  const PictureSize size = DecodedPictureSize(src->biWidth, src->biHeight,
                                              instance->settings.bDecimation,
                                              instance->settings.bDecoderMode);
  dst->biSize = sizeof(BITMAPINFOHEADER);
  dst->biWidth = size.width;
  dst->biHeight = src->biHeight < 0 ? -size.height : size.height;
  dst->biBitCount = 24;
  dst->biCompression = BI_RGB;
  dst->biClrUsed = 0;
  dst->biClrImportant = 0;
  dst->biSizeImage = static_cast<DWORD>(size.height) * static_cast<DWORD>(size.width) * 3u;
  return ICERR_OK;
}

LRESULT DecompressBegin(const DecompressArgs& a) {
  if (LRESULT query = DecompressQuery(a); query != ICERR_OK) return query;
  LockedInstance instance(a.id);
  if (!instance) return ICERR_ERROR;
  if (a.dst && a.dst->biSizeImage == 0) {
    a.dst->biSizeImage = PaddedImageSize(a.dst->biBitCount, a.dst->biWidth, a.dst->biHeight);
  }
  instance->fDecompressBegun = 1;
  if (a.dst) instance->settings.bOutputFormat = OutputCodeForDestination(*a.dst, instance->settings);
  return ICERR_OK;
}

LRESULT DecompressEnd(DWORD_PTR id) {
  LockedInstance instance(id);
  if (!instance || !instance->fDecompressBegun) return ICERR_ERROR;
  instance->fDecompressBegun = 0;
  return ICERR_OK;
}

LRESULT DecompressGetPalette(DWORD_PTR id, const BITMAPINFOHEADER* src, BITMAPINFOHEADER* dst) {
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  if (!src || !IsKvtStream(src->biCompression)) return 1;
  if (!dst) return ICERR_BADPARAM;
  SettingsRecord& s = instance->settings;
  s.bOutputFormat = OutputCodeForDestination(*dst, s);
  BYTE g[256];
  BuildPaletteGamma(settings::GammaInRange(s.flGamma), g);

  switch (s.bOutputFormat) {
    case code::kPalette8:
      dst->biSize = sizeof(BITMAPINFOHEADER);
      if (src->biClrUsed != 0) {
        CopySourceTable(src, ColourTable(dst));
        return ICERR_OK;
      }
      // The stream carries no colour table (as compressed streams normally do): the pictures
      // are 3-3-2 indices, so that is the palette the host needs.
      Write332Palette(ColourTable(dst), g);
      break;
    case code::kIndex332:
      Write332Palette(ColourTable(dst), g);
      break;
    case code::kColourCube: {
      RGBQUAD* table = ColourTable(dst);
      WriteGreyRamp(table);
      for (int n = 0; n < 216; ++n) {
        SetEntry(table, 26 + n, g[51 * (n % 6)], g[51 * ((n / 6) % 6)], g[51 * (n / 36)]);
      }
      break;
    }
    case code::kGrey8:
    case code::kGrey4: {
      RGBQUAD* table = ColourTable(dst);
      CopySourceTable(src, table);
      WriteGreyRamp(table);
      for (int n = 0; n < 216; ++n) {
        const BYTE v = g[static_cast<int>(std::trunc(n * 1.1805555555555556 + 0.5))];
        SetEntry(table, 26 + n, v, v, v);
      }
      break;
    }
    default:
      return ICERR_OK;
  }
  dst->biSize = sizeof(BITMAPINFOHEADER);
  dst->biClrUsed = 256;
  dst->biClrImportant = 256;
  return ICERR_OK;
}

}  // namespace kvtc::driver
