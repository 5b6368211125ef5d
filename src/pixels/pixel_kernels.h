// The pixel kernels the codec runs, one table per instruction-set level. The plain C++
// converters are the "c" level and the reference every faster level reproduces byte for byte.
#pragma once

#include <cstdint>

#include "pixels/cpu_features.h"
#include "pixels/decoder_tables.h"
#include "pixels/encoder_tables.h"
#include "pixels/input_converters.h"
#include "pixels/output_converters.h"
#include "stream/arithmetic_tables.h"

namespace kvtc::pixels {

struct PixelKernels {
  CpuLevel level;
  // 24- and 32-bit RGB output, every variant (ConvertRgb and its siblings).
  void (*convertRgb)(OutputVariant variant, const ConstPlaneSet& planes, std::uint8_t* out,
                     UpdateMapView map, RgbChannels channels, const DecoderTables& t,
                     const stream::ArithmeticTables& a);
  // 15-bit RGB, 3-3-2 and colour-cube output (output codes 3, 5 or 7, and 8), every variant
  // (ConvertRgb555, ConvertPalette332, ConvertPaletteCube and their siblings).
  void (*convertColour)(std::uint8_t code, OutputVariant variant, const ConstPlaneSet& planes,
                        std::uint8_t* out, UpdateMapView map, const DecoderTables& t,
                        const stream::ArithmeticTables& a);
  // The grey members: 32- and 24-bit RGB and 15-bit RGB (codes 1, 2, 3: ConvertGreyRgb,
  // ConvertGrey555), 8-bit grey indices (11, WriteGreyIndices) and 4-bit grey (12, PackGrey4).
  void (*convertGrey)(std::uint8_t code, const ConstPlaneSet& planes, std::uint8_t* out,
                      const DecoderTables& t, const stream::ArithmeticTables& a);
  // Packed 4:2:2 output (PackYuv422).
  void (*packYuv422)(const ConstPlaneSet& planes, std::uint8_t* out, bool grey);
  // 24- and 32-bit RGB input (ConvertFromRgb).
  void (*convertFromRgb)(const std::uint8_t* src, const PlaneSet& planes, RgbChannels channels,
                         const EncoderColourTables& colour);
};

// The table of `level`, or of the highest level below it that this build carries.
const PixelKernels& KernelsFor(CpuLevel level);

// The table of ActiveCpuLevel(), chosen on first use.
const PixelKernels& ActiveKernels();

namespace output {
void PackYuv422Sse2(const ConstPlaneSet& p, std::uint8_t* out, bool grey);
// Row y of packed 4:2:2 from pixel x (even) to the end, as PackYuv422 writes it; a grey frame
// gets neutral chroma.
inline constexpr std::uint8_t kNeutralChroma = 128;
void PackYuv422Tail(const ConstPlaneSet& p, std::uint32_t y, std::uint32_t x, std::uint8_t* row,
                    bool grey);
}  // namespace output

namespace input {
void ConvertFromRgbAvx2(const std::uint8_t* src, const PlaneSet& p, RgbChannels ch,
                        const EncoderColourTables& t);
}  // namespace input

}  // namespace kvtc::pixels
