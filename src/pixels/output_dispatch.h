// Picks the output converter for a decoded frame by output code and frame flags, and checks
// tables and buffers before it runs. The decoder pipeline calls this for every frame.
#pragma once

#include <cstdint>
#include <span>

#include "pixels/decoder_tables.h"
#include "pixels/output_converters.h"
#include "stream/arithmetic_tables.h"
#include "stream/plane_geometry.h"

namespace kvtc::pixels {

struct OutputFrame {
  std::uint8_t code;  // output pixel-format code
  bool key;           // key frame
  bool losslessLuma;  // every luma sample carried
  bool grey;          // no chroma to show (grey frame, or grey display asked for)
  bool noMarks = false;  // the update map is known to hold no mark (a frame without change)
};

// A grey frame shows the palettised colour layouts (5, 7, 8) as 8-bit grey (11).
std::uint8_t SelectOutputCode(std::uint8_t code, bool grey);

// Key frame with lossless luma: full; key frame: half; other frames with lossless luma or
// grey: partial; otherwise half partial.
OutputVariant SelectOutputVariant(bool key, bool losslessLuma, bool grey);

// Bytes of one converted W x H picture in the layout of `code`: 4, 3 or 2 per pixel for
// codes 1, 2 and 3, one for the 8-bit layouts (5, 7, 8, 11), (W+1)/2 per row for 4-bit grey
// (12), and two for packed 4:2:2 (0), which every other code is written as.
std::uint64_t OutputBytes(std::uint8_t code, std::uint32_t width, std::uint32_t height);

// Converts the planes of geometry `g` into `out`:
//   1, 2   32/24-bit RGB, the grey member for a grey frame
//   3      15-bit RGB, likewise
//   5, 7   3-3-2 index (7 names the same layout as 5)
//   8      dithered colour cube
//   11     8-bit grey indices;  12  4-bit grey;  0 and any other code  packed 4:2:2
// The gamma-dependent tables are rebuilt first when `gamma` differs from their key. The
// partial variants read the update map and the half partial ones mark it; with frame.noMarks
// they have nothing to convert and the map is not read. False, with
// nothing written, when BuildDecoderTables has not run or a buffer is too small.
bool ConvertOutputFrame(DecoderTables& tables, const stream::ArithmeticTables& arithmetic,
                        const OutputFrame& frame, double gamma,
                        std::span<const std::uint8_t> planes, const stream::PlaneGeometry& g,
                        std::span<std::uint8_t> updateMap, std::span<std::uint8_t> out);

}  // namespace kvtc::pixels
