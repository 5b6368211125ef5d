// Pixel-format codes: the one byte that names the layout of the caller's bitmaps, for the
// compressor's input (`bInputFormat`) and the decompressor's output (`bOutputFormat`), and the
// rules that derive them from bitmap headers.
#pragma once

#include "platform/win32_types.h"
#include "settings/settings_record.h"

namespace kvtc::driver {

namespace code {
constexpr BYTE kPacked422 = 0;   // Y U Y V
constexpr BYTE kRgb32 = 1;
constexpr BYTE kRgb24 = 2;
constexpr BYTE kRgb555 = 3;
constexpr BYTE kPalette8 = 5;    // palettised input; 3-3-2 index output
constexpr BYTE kBitFields = 6;   // 6-bit grey input
constexpr BYTE kIndex332 = 7;
constexpr BYTE kColourCube = 8;
constexpr BYTE kPlanar420 = 10;
constexpr BYTE kGrey8 = 11;
constexpr BYTE kGrey4 = 12;
constexpr BYTE kYvu9 = 13;
constexpr BYTE kCyuv = 14;       // U Y V Y
}  // namespace code

// True when the FOURCC's first three characters are "Kvt".
bool IsKvtStream(DWORD fourcc);

// Sets bInputFormat (and for 4- and 6-bit input the component bits, count and SF_SENDGRAY)
// from an input header. With forCompression, an 8-bit BI_RGB input whose code is already 11
// stays 8-bit grey; otherwise 8-bit input is palettised (code 5). Returns the code.
BYTE ApplyInputFormat(const BITMAPINFOHEADER& input, settings::SettingsRecord& s,
                      bool forCompression);

// The output code rule of the begin handlers and the palette request, by the destination.
BYTE OutputCodeForDestination(const BITMAPINFOHEADER& dst, const settings::SettingsRecord& s);

// Bits per pixel an output code implies; 0 for codes without a fixed depth (then the source
// header's depth stands).
WORD ImpliedOutputDepth(BYTE outputCode);

// Bytes of a DIB of the header's depth and size, rows padded to 4 bytes; 0 on overflow.
DWORD PaddedImageSize(DWORD bitCount, LONG width, LONG height);

}  // namespace kvtc::driver
