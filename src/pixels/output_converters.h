// Output conversion: the decoded planar YUV picture into the caller's layout.
//
// Every member writes rows of W pixels packed without padding, plane row 0 first, into an
// output buffer of at least OutputBytes(code, W, H) bytes, and reads only the picture's
// samples of the plane set it is given. Each colour layout comes in four variants:
//   full          every pixel from its own luma sample (key frame, lossless luma)
//   half          only even rows and columns converted, the rest interpolated in the output
//                 (key frame, lossy luma: only those luma samples are carried)
//   partial       as full, for the pixels the update map marks (other frames)
//   half partial  as half, for the marked pixels and their neighbours
// The chroma terms are looked up once per 2x2 block and shared by its pixels. The
// gamma-dependent tables must be current (EnsureGammaTables, which ConvertOutputFrame runs).
//
// Edges: the half variants' odd column at the right edge and odd row at the bottom edge have
// no second neighbour; they repeat the pixel to their left or above instead of reading past
// the row or keeping an earlier frame's pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixels/decoder_tables.h"
#include "pixels/input_converters.h"
#include "pixels/plane_set_view.h"
#include "pixels/update_map_view.h"
#include "stream/arithmetic_tables.h"

namespace kvtc::pixels {

enum class OutputVariant { kFull, kHalf, kPartial, kHalfPartial };

// 32- and 24-bit RGB (channel bytes and pixel size as given; a 32-bit pixel's fourth byte is
// never written).
void ConvertRgb(const ConstPlaneSet& planes, std::uint8_t* out, RgbChannels channels,
                const DecoderTables& t, const stream::ArithmeticTables& a);
void ConvertRgbHalf(const ConstPlaneSet& planes, std::uint8_t* out, RgbChannels channels,
                    const DecoderTables& t, const stream::ArithmeticTables& a);
void ConvertRgbPartial(const ConstPlaneSet& planes, std::uint8_t* out, UpdateMapView map,
                       RgbChannels channels, const DecoderTables& t,
                       const stream::ArithmeticTables& a);
void ConvertRgbHalfPartial(const ConstPlaneSet& planes, std::uint8_t* out, UpdateMapView map,
                           RgbChannels channels, const DecoderTables& t,
                           const stream::ArithmeticTables& a);

// 15-bit RGB: little-endian words 0RRRRRGGGGGBBBBB.
void ConvertRgb555(const ConstPlaneSet& planes, std::uint8_t* out, const DecoderTables& t,
                   const stream::ArithmeticTables& a);
void ConvertRgb555Half(const ConstPlaneSet& planes, std::uint8_t* out, const DecoderTables& t,
                       const stream::ArithmeticTables& a);
void ConvertRgb555Partial(const ConstPlaneSet& planes, std::uint8_t* out, UpdateMapView map,
                          const DecoderTables& t, const stream::ArithmeticTables& a);
void ConvertRgb555HalfPartial(const ConstPlaneSet& planes, std::uint8_t* out, UpdateMapView map,
                              const DecoderTables& t, const stream::ArithmeticTables& a);

// 8-bit 3-3-2 colour index: red in bits 7-5, green in 4-2, blue in 1-0.
void ConvertPalette332(const ConstPlaneSet& planes, std::uint8_t* out, const DecoderTables& t,
                       const stream::ArithmeticTables& a);
void ConvertPalette332Half(const ConstPlaneSet& planes, std::uint8_t* out, const DecoderTables& t,
                           const stream::ArithmeticTables& a);
void ConvertPalette332Partial(const ConstPlaneSet& planes, std::uint8_t* out, UpdateMapView map,
                              const DecoderTables& t, const stream::ArithmeticTables& a);
void ConvertPalette332HalfPartial(const ConstPlaneSet& planes, std::uint8_t* out, UpdateMapView map,
                                  const DecoderTables& t, const stream::ArithmeticTables& a);

// 8-bit index into the 6x6x6 colour cube (26 + r + 6g + 36b), ordered-dithered with the
// 16x16 matrix at the pixel's own position.
void ConvertPaletteCube(const ConstPlaneSet& planes, std::uint8_t* out, const DecoderTables& t,
                        const stream::ArithmeticTables& a);
void ConvertPaletteCubeHalf(const ConstPlaneSet& planes, std::uint8_t* out, const DecoderTables& t,
                            const stream::ArithmeticTables& a);
void ConvertPaletteCubePartial(const ConstPlaneSet& planes, std::uint8_t* out, UpdateMapView map,
                               const DecoderTables& t, const stream::ArithmeticTables& a);
void ConvertPaletteCubeHalfPartial(const ConstPlaneSet& planes, std::uint8_t* out,
                                   UpdateMapView map, const DecoderTables& t,
                                   const stream::ArithmeticTables& a);

// Grey members: every pixel at full resolution from its luma sample, whatever the frame.
void ConvertGreyRgb(const ConstPlaneSet& planes, std::uint8_t* out, RgbChannels channels,
                    const DecoderTables& t);
void ConvertGrey555(const ConstPlaneSet& planes, std::uint8_t* out, const DecoderTables& t);

// 4-bit grey from the raw luma plane (no gamma): two samples per byte, the left one in the
// high nibble, nibble 15 - y/17. (W+1)/2 bytes per row; for an odd width the last byte's low
// nibble comes from the luma margin column.
void PackGrey4(const ConstPlaneSet& planes, std::uint8_t* out, const std::uint8_t* packHigh,
               const std::uint8_t* packLow);

// The inverse for packed literals: each of the `count` bytes at `src` gives two samples,
// high nibble first, 17 * (15 - nibble) each. Writes 2 * count bytes.
void UnpackNibbles(const std::uint8_t* src, std::size_t count, std::uint8_t* dst,
                   const std::uint8_t* unpackHigh, const std::uint8_t* unpackLow);

// 8-bit grey palette indices: output pixel (x, y) is 26 + luma (x+1, y+1), so the last row and
// column come from the plane's margins. Luma above 215 (the top of the codec's range, only in
// streams written elsewhere) shows as white, index 241, rather than wrapping round into the
// system colours.
void WriteGreyIndices(const ConstPlaneSet& planes, std::uint8_t* out);

// Packed 4:2:2, bytes Y(2x) U Y(2x+1) V per pixel pair, the pair's chroma being that of its
// 2x2 block; rows 2W bytes apart. In a picture of odd width the last pixel's bytes are Y and
// U. A grey frame writes neutral chroma (128), whatever the chroma planes hold.
void PackYuv422(const ConstPlaneSet& planes, std::uint8_t* out, bool grey);

}  // namespace kvtc::pixels
