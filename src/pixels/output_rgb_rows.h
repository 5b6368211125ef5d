// Colour output assembled row by row from a level's row kernels (SSE2, AVX2): 24- and 32-bit
// RGB, and the 15-bit, 3-3-2 and colour-cube layouts through their word forms. The bytes are
// those of the plain converters (output_rgb.cpp and its siblings), which stay the reference;
// rows are processed in chunks so that the scratch rows live on the stack. Internal to the
// output converters.
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
  // terms of block i. Reads nothing of the terms beyond the n pixels', nor of luma beyond the
  // sample after the last pixel's (at the end of a row, its margin).
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
  // Each component of n words through the 256-byte gamma table.
  void (*gamma)(std::uint32_t* px, std::uint32_t n, const std::uint8_t* table);
  // n grey words 0x00LLLLLL from luma samples y: L = levels[y].
  void (*grey)(const std::uint8_t* luma, std::uint32_t n, const std::uint8_t* levels,
               std::uint32_t* out);
  // `store` of the bytewise means of n words of a and b (average, then store); null where the
  // level has no such form.
  void (*storeMean)(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n,
                    std::uint32_t bytes, std::uint8_t* dst);
};

// Where a run of pixels stands in the picture: pixel i at column x + step * i of row y, with x a
// multiple of 16, or one more with step 2 (the colour cube's dither depends on the position).
struct Place {
  std::uint32_t x, y, step;
};

struct GammaFold;

// A layout whose pixels are not plain component bytes, seen as words: `load` gives the
// component values the layout's averaging starts from (its fields at 8-bit scale, or the
// values of a cube index); `store` quantises words (gamma already applied) into the layout,
// with no second gamma. The rounding of the plain converters: storing a loaded word gives back
// the pixel, except for bits the layout does not use, which is why partial output stores only
// the pixels it rebuilds.
struct LayoutRows {
  std::uint32_t bytes;
  void (*load)(const std::uint8_t* src, std::uint32_t n, const DecoderTables& t,
               std::uint32_t* out);
  void (*store)(const std::uint32_t* px, std::uint32_t n, Place at, const DecoderTables& t,
                std::uint8_t* dst);
  // `store` of words not yet through the gamma, with the gamma folded in (FoldGamma), and
  // with `kept` (which may be px) the words `load` would give back from what it stored; null
  // where the layout has no such form.
  void (*storeGamma)(const std::uint32_t* px, std::uint32_t n, Place at, const GammaFold& g,
                     std::uint8_t* dst, std::uint32_t* kept);
  // `store` that also gives the words `load` would give back from what it stored, into
  // `kept` (which may be px); null where the layout has no such form.
  void (*storeKeep)(const std::uint32_t* px, std::uint32_t n, Place at, const DecoderTables& t,
                    std::uint8_t* dst, std::uint32_t* kept);
  // RgbRowKernels::pixels then `store` at a gamma of 1 in one pass, from the same luma samples
  // and chroma terms, with `kept` (where not null) as in storeKeep; null where the layout has
  // no such form.
  void (*convert)(const std::uint8_t* luma, unsigned step, ChromaRow terms, std::uint32_t n,
                  Place at, const DecoderTables& t, std::uint8_t* dst, std::uint32_t* kept);
  // The same with a gamma folded in (pixels, then storeGamma), at.x a multiple of 16.
  void (*convertGamma)(const std::uint8_t* luma, unsigned step, ChromaRow terms, std::uint32_t n,
                       Place at, const GammaFold& g, std::uint8_t* dst, std::uint32_t* kept);
  // RgbRowKernels::spread then storeKeep of n pixels at step 1 into dst and kept, with the
  // even pixels (the words `even` as storeKeep gives them back) already stored at step 2 into
  // evenOut; null where the layout has no such form.
  void (*spreadStore)(const std::uint32_t* even, const std::uint8_t* evenOut, std::uint32_t n,
                      Place at, const DecoderTables& t, std::uint8_t* dst, std::uint32_t* kept);
  // `store` of the bytewise means (a + b + 1) / 2 of n words; null where the layout has no such
  // form.
  void (*storeMean)(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t n, Place at,
                    const DecoderTables& t, std::uint8_t* dst);
};

// A non-decreasing gamma table with gamma[0] = 0 folded into the word layouts' stores, built
// once a picture: a component's field level is a step function of its sample, counted from
// compares against the steps. Steps are bytes with the top bit flipped (so that signed
// compares order them as samples); a sample is above a step when its corrected value reaches
// the step's value.
struct GammaFold {
  // steps[v], v from 1 to 255: the largest sample whose corrected value is below v, or 255
  // (above no sample) where none is. Unflipped.
  std::uint8_t steps[256];
  // 15-bit fields (gamma >> 3) bit by bit from the top: bits555[b][p] is the step of field
  // (2p + 1) << b, for the bits p above bit b.
  alignas(16) std::uint8_t bits555[5][16];
  // 3-3-2 fields: the k-th steps of blue, green and red in each word (top byte never).
  std::uint32_t levels332[7];
  // Colour-cube levels: by row % 16, step - 1 and level k - 1, the k-th step of each of 16
  // pixels from a column that is a multiple of 16 (all three components alike).
  alignas(32) std::uint32_t cube[16][2][5][16];
};

// False, with nothing to use, for a gamma table not of that shape.
bool FoldGamma(const DecoderTables& t, GammaFold& fold);

// The word layouts of each level, and their plain forms (the reference of the kernel tests).
struct WordLayouts {
  LayoutRows rgb555, palette332, cube;
};
extern const WordLayouts kWordLayoutsPlain, kWordLayoutsAvx2;

// The colour-cube level of an 8-bit component at dither threshold t (0..50): c / 51, one up
// where the remainder exceeds t; in integer form ((c + 50 - t) * 1286) >> 16 (proven by the
// kernel tests).
inline constexpr int kCubeLevelFactor = 1286;
// A cube index's entry e = index - 26 (0..215) splits into its levels with e / 6 and e / 36,
// taken as (e * factor) >> 16 (proven by the kernel tests).
inline constexpr int kCubeSixthFactor = 10923;
inline constexpr int kCubeThirtySixthFactor = 1821;

// The luma term of a sample, lumaScale[y], in integer form: (9717 y + 4067) >> 13 equals the
// table at every one of the 256 samples (proven by the kernel tests).
inline constexpr int kLumaScaleFactor = 9717;
inline constexpr int kLumaScaleBias = 4067;
inline constexpr int kLumaScaleShift = 13;
// The same as y + ((y * factor + 16384) >> 15), the rounded high half of a 16-bit product
// (proven by the kernel tests).
inline constexpr int kLumaScaleRoundedFactor = 6100;

// The row kernels of each level (x86 builds only).
extern const RgbRowKernels kRgbRowsSse2, kRgbRowsAvx2;

// WriteGreyIndices with AVX2.
void WriteGreyIndicesAvx2(const ConstPlaneSet& p, std::uint8_t* out);

// The plain forms, for levels without a faster one.
void GammaPlain(std::uint32_t* px, std::uint32_t n, const std::uint8_t* table);
void GreyWordsPlain(const std::uint8_t* luma, std::uint32_t n, const std::uint8_t* levels,
                    std::uint32_t* out);
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

// The same tables as rounded high halves of 16-bit products: the entry at offset d is
// (((d << shift) * factor + 16384) >> 15), plus 1 at d = oneAt where oneAt is not 0 (proven by
// the kernel tests).
struct RoundedTermForm {
  int factor, shift, oneAt;
};
inline constexpr RoundedTermForm kRedFromVRounded{22156, 1, 0};
inline constexpr RoundedTermForm kGreenFromURounded{15378, 0, -2};
inline constexpr RoundedTermForm kGreenFromVRounded{22578, 0, -1};
inline constexpr RoundedTermForm kBlueFromURounded{19716, 2, 0};

// Runs `variant` with the row kernels; channel orders other than blue, green, red (the
// codec's 24- and 32-bit layouts) go to the plain converter.
void ConvertRgbByRows(OutputVariant variant, const ConstPlaneSet& p, std::uint8_t* out,
                      UpdateMapView map, RgbChannels ch, const DecoderTables& t,
                      const stream::ArithmeticTables& a, const RgbRowKernels& k);

// Runs `variant` of a word layout with the row kernels.
void ConvertLayoutByRows(OutputVariant variant, const ConstPlaneSet& p, std::uint8_t* out,
                         UpdateMapView map, const LayoutRows& layout, const DecoderTables& t,
                         const RgbRowKernels& k);

// Grey output (every pixel from its own luma sample) through a store of words 0x00LLLLLL:
// `rgbBytes` 3 or 4 for 24- and 32-bit RGB, or 0 with `layout` for a word layout.
void ConvertGreyByRows(const ConstPlaneSet& p, std::uint8_t* out, std::uint32_t rgbBytes,
                       const LayoutRows* layout, const DecoderTables& t, const RgbRowKernels& k);

}  // namespace kvtc::pixels::output
