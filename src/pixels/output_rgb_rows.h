// 24- and 32-bit RGB output assembled row by row from a level's row kernels (SSE2, AVX2). The
// bytes are those of the plain converters in output_rgb.cpp, which stay the reference; rows are
// processed in chunks so that the scratch rows live on the stack. Internal to the output
// converters.
#pragma once

#include <cstdint>

#include "pixels/decoder_tables.h"
#include "pixels/output_converters.h"
#include "stream/arithmetic_tables.h"

namespace kvtc::pixels::output {

// Pixels are handled as words 0xXXRRGGBB: blue in the low byte, as they stand in memory in
// the codec's 24- and 32-bit layouts.
struct ChromaRow {
  const std::int16_t* red;
  const std::int16_t* green;
  const std::int16_t* blue;
};

struct RgbRowKernels {
  // The chroma terms of n blocks from their U and V samples: red, green and blue sums as in
  // TermsOf.
  void (*terms)(const std::uint8_t* u, const std::uint8_t* v, std::uint32_t n,
                const DecoderTables& t, std::int16_t* red, std::int16_t* green, std::int16_t* blue);
  // n pixels, each the clamped sums of its luma term and chroma terms, with a zero top byte.
  // step 1: pixel i from luma[i] and the terms of block i/2; step 2: from luma[2i] and the
  // terms of block i. Reads nothing of luma or terms beyond the n pixels'.
  void (*pixels)(const std::uint8_t* luma, unsigned step, ChromaRow terms, std::uint32_t n,
                 std::uint32_t* out);
  // n pixels of `bytes` (3 or 4) each from the output into words, and back. A 32-bit store
  // keeps each pixel's fourth byte as it is in the output.
  void (*load)(const std::uint8_t* src, std::uint32_t n, std::uint32_t bytes, std::uint32_t* out);
  void (*store)(const std::uint32_t* px, std::uint32_t n, std::uint32_t bytes, std::uint8_t* dst);
  // A row of n pixels from its even ones: out[2j] = even[j], out[2j+1] the bytewise mean of
  // even[j] and even[j+1] (even[n/2] must exist when n is even).
  void (*spread)(const std::uint32_t* even, std::uint32_t n, std::uint32_t* out);
  // Bytewise (a + b + 1) / 2 of n words.
  void (*average)(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n,
                  std::uint32_t* out);
};

// The luma term of a sample, lumaScale[y], in integer form: (9717 y + 4067) >> 13 equals the
// table at every one of the 256 samples (proven by the kernel tests).
inline constexpr int kLumaScaleFactor = 9717;
inline constexpr int kLumaScaleBias = 4067;
inline constexpr int kLumaScaleShift = 13;

// The row kernels of each level (x86 builds only).
extern const RgbRowKernels kRgbRowsSse2, kRgbRowsAvx2;

// The plain forms, for levels without a faster one.
void ChromaTermsPlain(const std::uint8_t* u, const std::uint8_t* v, std::uint32_t n,
                      const DecoderTables& t, std::int16_t* red, std::int16_t* green,
                      std::int16_t* blue);

// The chroma coefficient tables in integer form: for the table's signed offset d (v - 128 for
// red, 128 - u and 128 - v for green, u - 128 for blue) the entry is
// sign(d) * ((|d| * factor + bias) >> shift), except 0 for -zeroBelow <= d < 0 (products in
// (-1, 0) round to 0). Equal to the tables at all 256 samples (proven by the kernel tests).
struct ChromaTermForm {
  int factor, bias, shift, zeroBelow;
};
inline constexpr ChromaTermForm kRedFromV{1385, 500, 10, 0};
inline constexpr ChromaTermForm kGreenFromU{961, 1038, 11, 2};
inline constexpr ChromaTermForm kGreenFromV{1411, 1034, 11, 1};
inline constexpr ChromaTermForm kBlueFromU{4929, 1013, 11, 0};

// Runs `variant` with the row kernels; channel orders other than blue, green, red (the
// codec's 24- and 32-bit layouts) go to the plain converter.
void ConvertRgbByRows(OutputVariant variant, const ConstPlaneSet& p, std::uint8_t* out,
                      UpdateMapView map, RgbChannels ch, const DecoderTables& t,
                      const stream::ArithmeticTables& a, const RgbRowKernels& k);

}  // namespace kvtc::pixels::output
