// The pixel kernels the codec runs, one table per instruction-set level. The plain C++
// converters are the "c" level and the reference every faster level reproduces byte for byte.
#pragma once

#include <cstdint>

#include "pixels/change_flags.h"
#include "pixels/map_fill.h"
#include "pixels/cpu_features.h"
#include "pixels/decoder_tables.h"
#include "pixels/encoder_tables.h"
#include "pixels/finest_refinement.h"
#include "pixels/input_converters.h"
#include "pixels/output_converters.h"
#include "pixels/picture_blend.h"
#include "pixels/prediction_cost.h"
#include "pixels/sharpen_rows.h"
#include "pixels/zoom2x.h"
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
  // Packed 4:2:2 input (ConvertFromPackedYuv).
  void (*convertFromPackedYuv)(const std::uint8_t* src, const PlaneSet& planes,
                               PackedYuvOrder order, const std::uint8_t* inputScale);
  // Per-sample change flags of an 8x8 block (ChangeFlags8x8).
  std::uint64_t (*changeFlags8x8)(const std::uint8_t* a, const std::uint8_t* b,
                                  std::int32_t stride, std::uint32_t threshold,
                                  std::uint8_t* flags, std::int32_t flagStride);
  // Two converted pictures blended byte by byte (BlendBytes) and 4-bit grey ones nibble by
  // nibble (BlendNibbles).
  void (*blendBytes)(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                     std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t);
  void (*blendNibbles)(Blend blend, const std::uint8_t* previous, const std::uint8_t* next,
                       std::uint8_t* shown, std::size_t count, const stream::ArithmeticTables& t);
  // One sharpened luma row (SharpenRow).
  void (*sharpenRow)(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                     std::uint8_t* out, std::uint32_t first, std::uint32_t width,
                     const stream::ArithmeticTables& t);
  // The 2x zoom of the byte components of a picture (ZoomComponents2x).
  void (*zoomBytes2x)(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                      std::uint32_t h, std::uint32_t p, std::uint32_t components,
                      const std::uint8_t* halfSum);
  // The finest refinement level of a lossless-luma block (RefineFinest8x8).
  std::uint64_t (*refineFinest8x8)(std::uint8_t* rec, const std::uint8_t* cur,
                                   std::int32_t stride, std::uint32_t threshold,
                                   const std::uint8_t* cells);
  // The map-guided fill-in of a chroma plane (FillChromaByMap).
  void (*fillChromaByMap)(const stream::PlaneView& chroma, const stream::MapView& map);
  // The map-guided fill-in of the luma plane (FillLumaByMap).
  void (*fillLumaByMap)(const stream::PlaneView& luma, const stream::MapView& map);
  // The motion search's costs of a candidate (PredictionSad8x8, CountChangedRepresentatives).
  PredictionSad (*predictionSad8x8)(const std::uint8_t* current, const std::uint8_t* source,
                                    std::int32_t stride, std::int32_t across, std::int32_t down,
                                    std::uint32_t threshold, std::uint32_t best);
  std::uint32_t (*countChangedRepresentatives)(const std::uint8_t* current,
                                               const std::uint8_t* source, std::int32_t stride,
                                               std::int32_t across, std::int32_t down,
                                               std::uint32_t threshold, std::uint32_t best);
  // The prediction of a luma block from its displaced reference (PredictBlock8x8).
  void (*predictBlock8x8)(std::uint8_t* dest, const std::uint8_t* source, std::int32_t stride,
                          std::int32_t across, std::int32_t down);
  // The change flags of a block's cell representatives (RepresentativeChanges).
  std::uint32_t (*representativeChanges)(const std::uint8_t* a, const std::uint8_t* b,
                                         std::int32_t stride, std::uint32_t threshold,
                                         std::uint8_t* cells);
  // The 2x zoom of packed 4:2:2 (ZoomPackedYuv2x), of 4-bit grey (ZoomNibbles2x) and of
  // planar 4:2:0 (ZoomPlanar2x).
  void (*zoomPackedYuv2x)(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                          std::uint32_t h, const std::uint8_t* halfSum);
  void (*zoomNibbles2x)(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                        std::uint32_t h, const std::uint8_t* halfSum);
  void (*zoomPlanar2x)(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t w,
                       std::uint32_t h, bool grey, const std::uint8_t* halfSum);
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
void ConvertFromRgbSse2(const std::uint8_t* src, const PlaneSet& p, RgbChannels ch,
                        const EncoderColourTables& t);
void ConvertFromPackedYuvSse2(const std::uint8_t* src, const PlaneSet& p, PackedYuvOrder order,
                              const std::uint8_t* inputScale);
void ConvertFromRgbAvx2(const std::uint8_t* src, const PlaneSet& p, RgbChannels ch,
                        const EncoderColourTables& t);
}  // namespace input

}  // namespace kvtc::pixels
