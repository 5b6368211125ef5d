// Format negotiation: which bitmaps the codec takes and produces, the compressed format and its
// largest frame, the palettes of 8-bit output, and the begin and end of compression and
// decompression sequences.
#pragma once

#include "driver/decompress_args.h"
#include "platform/win32_types.h"

namespace kvtc::driver {

// The largest picture side the codec negotiates; every buffer size of a stream then fits in
// 32 bits with room to spare.
constexpr LONG kMaxPictureSide = 8192;

// The smallest largest-frame size promised, whatever the picture size: room for the header
// bytes, the two lengths and the checksum of a frame without blocks.
constexpr DWORD kMinCompressedFrame = 16;

// The size of the picture the decoder writes for a source of width x height: the source size,
// or, when the settings decimate or zoom, the decimated picture enlarged by the zoom factor.
struct PictureSize {
  LONG width;
  LONG height;
};
PictureSize DecodedPictureSize(LONG width, LONG height, BYTE decimation, BYTE decoderMode);

// The compression test. Fills a zero width or height of the output header from the input.
LRESULT CompressQuery(const BITMAPINFOHEADER* input, BITMAPINFOHEADER* output);
LRESULT CompressGetFormat(DWORD_PTR id, const BITMAPINFOHEADER* input, BITMAPINFOHEADER* output);
LRESULT CompressGetSize(const BITMAPINFOHEADER* input);
LRESULT CompressBegin(DWORD_PTR id, const BITMAPINFOHEADER* input, BITMAPINFOHEADER* output);
LRESULT CompressEnd(DWORD_PTR id);

// The decompression test over a decompression argument list.
LRESULT DecompressQuery(const DecompressArgs& args);
LRESULT DecompressGetFormat(DWORD_PTR id, const BITMAPINFOHEADER* src, BITMAPINFOHEADER* dst);
LRESULT DecompressBegin(const DecompressArgs& args);
LRESULT DecompressEnd(DWORD_PTR id);
LRESULT DecompressGetPalette(DWORD_PTR id, const BITMAPINFOHEADER* src, BITMAPINFOHEADER* dst);

}  // namespace kvtc::driver
