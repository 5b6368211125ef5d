// Input and output conversion, chroma fill-in, blending, sharpening and zoom of a 640 x 480
// picture at each instruction-set level, and an unchanged frame decoded against one memcpy of
// the picture.
// The "per_pixel" counter is the time per pixel.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "decoder/decode_frame.h"
#include "encoder/encode_frame.h"

#include "pixels/decoder_tables.h"
#include "pixels/encoder_tables.h"
#include "pixels/input_converters.h"
#include "pixels/output_converters.h"
#include "pixels/pixel_format.h"
#include "pixels/pixel_kernels.h"
#include "settings/settings_record.h"
#include "stream/block_offsets.h"
#include "stream/codec_context.h"
#include "stream/plane_geometry.h"
#include "stream/plane_view.h"

namespace kvtc::pixels {
namespace {

constexpr std::uint32_t kWidth = 640, kHeight = 480;

std::vector<std::uint8_t> Noise(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  std::uint32_t seed = 1;
  for (auto& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(seed >> 24);
  }
  return bytes;
}

struct Setup {
  stream::ArithmeticTables arithmetic;
  EncoderColourTables colour;
  DecoderTables decoder;
  stream::PlaneGeometry geometry = stream::ComputePlaneGeometry(kWidth, kHeight, 0);
  std::vector<std::uint8_t> planes = Noise(geometry.planeSetSize);
  std::vector<std::uint8_t> map = std::vector<std::uint8_t>(geometry.mapSize, 1);  // all marked
  std::vector<std::uint8_t> out = std::vector<std::uint8_t>(3 * kWidth * kHeight);

  explicit Setup(double gamma) {
    BuildEncoderTables(colour, arithmetic);
    BuildDecoderTables(decoder, arithmetic, gamma, kWidth);
  }
  ConstPlaneSet Planes() const { return ViewPlaneSet(std::span(planes), geometry); }
  UpdateMapView Map() { return ViewUpdateMap(map, geometry); }
};

void CountPixels(benchmark::State& state) {
  state.counters["per_pixel"] = benchmark::Counter(
      kWidth * kHeight, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Every kernel is timed at each level the processor runs (0 c, 1 sse2, 2 avx2).
bool LevelRuns(benchmark::State& state, int arg) {
  if (static_cast<CpuLevel>(state.range(arg)) <= DetectedCpuLevel()) return true;
  state.SkipWithError("level not available on this processor");
  return false;
}

// Argument 0: 3 or 4 bytes a pixel; 1: the level.
void BM_ConvertFromRgb(benchmark::State& state) {
  if (!LevelRuns(state, 1)) return;
  Setup s(1.0);
  const auto input = Noise(state.range(0) * kWidth * kHeight);
  std::vector<std::uint8_t> planes(s.geometry.planeSetSize);
  const PlaneSet view = ViewPlaneSet(std::span(planes), s.geometry);
  const RgbChannels ch = state.range(0) == 4 ? kRgb32Channels : kRgb24Channels;
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(1)));
  for (auto _ : state) {
    k.convertFromRgb(input.data(), view, ch, s.colour);
    benchmark::DoNotOptimize(planes.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_ConvertFromRgb)->ArgNames({"bytes", "level"})->ArgsProduct({{3, 4}, {0, 1, 2}});

// Packed 4:2:2 input and the change flags of every 8x8 block against a second picture.
void BM_ConvertFromYuy2(benchmark::State& state) {
  if (!LevelRuns(state, 0)) return;
  Setup s(1.0);
  stream::EnsureInputScaleTable(s.arithmetic);
  const auto input = Noise(2 * kWidth * kHeight);
  const PlaneSet view = ViewPlaneSet(std::span(s.planes), s.geometry);
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(0)));
  for (auto _ : state) {
    k.convertFromPackedYuv(input.data(), view, kYuyvOrder, s.arithmetic.inputScale.data());
    benchmark::DoNotOptimize(s.planes.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_ConvertFromYuy2)->ArgName("level")->DenseRange(0, 2);

void BM_ChangeFlags(benchmark::State& state) {
  if (!LevelRuns(state, 0)) return;
  Setup s(1.0);
  const auto other = Noise(s.geometry.planeSetSize);
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(0)));
  const auto stride = static_cast<std::int32_t>(s.geometry.lumaStride);
  std::uint8_t flags[81];
  for (auto _ : state) {
    for (std::uint32_t by = 0; by < s.geometry.blocksDown; ++by) {
      for (std::uint32_t bx = 0; bx < s.geometry.blocksAcross; ++bx) {
        const std::size_t at = stream::LumaBlockOrigin(s.geometry, bx, by) + stride + 1;
        benchmark::DoNotOptimize(
            k.changeFlags8x8(s.planes.data() + at, other.data() + at, stride, 8, flags + 10, 9));
      }
    }
  }
  CountPixels(state);
}
BENCHMARK(BM_ChangeFlags)->ArgName("level")->DenseRange(0, 2);

// Argument 0: 3 or 4 bytes a pixel; 1: the level; 2: ten times the gamma (10 skips the gamma
// lookup, 20 does not).
template <OutputVariant kVariant>
void BM_ConvertRgb(benchmark::State& state) {
  if (!LevelRuns(state, 1)) return;
  Setup s(state.range(2) == 10 ? 1.0 : state.range(2) / 10.0);
  s.out.resize(4 * kWidth * kHeight);
  const RgbChannels ch = state.range(0) == 4 ? kRgb32Channels : kRgb24Channels;
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(1)));
  for (auto _ : state) {
    k.convertRgb(kVariant, s.Planes(), s.out.data(), s.Map(), ch, s.decoder, s.arithmetic);
    benchmark::DoNotOptimize(s.out.data());
  }
  CountPixels(state);
}
void RgbArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"bytes", "level", "gamma_x10"});
  for (const int bytes : {3, 4}) {
    for (const int level : {0, 1, 2}) b->Args({bytes, level, 10});
  }
  b->Args({3, 0, 20})->Args({3, 2, 20});
}
BENCHMARK(BM_ConvertRgb<OutputVariant::kFull>)->Apply(RgbArgs);
BENCHMARK(BM_ConvertRgb<OutputVariant::kHalf>)->Apply(RgbArgs);
BENCHMARK(BM_ConvertRgb<OutputVariant::kPartial>)->Apply(RgbArgs);
BENCHMARK(BM_ConvertRgb<OutputVariant::kHalfPartial>)->Apply(RgbArgs);

// The other colour layouts. Argument 0: the output code (3 15-bit, 7 3-3-2, 8 colour cube);
// 1: the level; 2: ten times the gamma.
template <OutputVariant kVariant>
void BM_ConvertColour(benchmark::State& state) {
  if (!LevelRuns(state, 1)) return;
  Setup s(state.range(2) / 10.0);
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(1)));
  const auto code = static_cast<std::uint8_t>(state.range(0));
  for (auto _ : state) {
    k.convertColour(code, kVariant, s.Planes(), s.out.data(), s.Map(), s.decoder, s.arithmetic);
    benchmark::DoNotOptimize(s.out.data());
  }
  CountPixels(state);
}
void ColourArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"code", "level", "gamma_x10"});
  for (const int code : {kRgb555, kIndex332, kColourCube}) {
    for (const int level : {0, 2}) b->Args({code, level, 10});
    b->Args({code, 2, 20});
  }
}
BENCHMARK(BM_ConvertColour<OutputVariant::kFull>)->Apply(ColourArgs);
BENCHMARK(BM_ConvertColour<OutputVariant::kHalf>)->Apply(ColourArgs);
BENCHMARK(BM_ConvertColour<OutputVariant::kPartial>)->Apply(ColourArgs);
BENCHMARK(BM_ConvertColour<OutputVariant::kHalfPartial>)->Apply(ColourArgs);

// The grey members. Argument 0: the output code (1, 2, 3, 11 or 12); 1: the level; 2: ten
// times the gamma.
void BM_ConvertGrey(benchmark::State& state) {
  if (!LevelRuns(state, 1)) return;
  Setup s(state.range(2) / 10.0);
  s.out.resize(4 * kWidth * kHeight);
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(1)));
  const auto code = static_cast<std::uint8_t>(state.range(0));
  for (auto _ : state) {
    k.convertGrey(code, s.Planes(), s.out.data(), s.decoder, s.arithmetic);
    benchmark::DoNotOptimize(s.out.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_ConvertGrey)
    ->ArgNames({"code", "level", "gamma_x10"})
    ->ArgsProduct({{kRgb32, kRgb24, kRgb555, kGrey8, kGrey4}, {0, 2}, {10}})
    ->ArgsProduct({{kRgb24, kRgb555}, {2}, {20}});

void BM_PackYuv422(benchmark::State& state) {
  if (!LevelRuns(state, 0)) return;
  Setup s(1.0);
  s.out.resize(2 * kWidth * kHeight);
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(0)));
  for (auto _ : state) {
    k.packYuv422(s.Planes(), s.out.data(), false);
    benchmark::DoNotOptimize(s.out.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_PackYuv422)->ArgName("level")->DenseRange(0, 2);

// Blending two 24-bit pictures. Argument 0: the level; 1: the blend (0 a quarter, 1 half).
void BM_BlendPictures(benchmark::State& state) {
  if (!LevelRuns(state, 0)) return;
  Setup s(1.0);
  stream::EnsureTripleTable(s.arithmetic);
  const auto previous = Noise(3 * kWidth * kHeight);
  const auto next = std::vector<std::uint8_t>(previous.rbegin(), previous.rend());
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(0)));
  for (auto _ : state) {
    k.blendBytes(static_cast<Blend>(state.range(1)), previous.data(), next.data(), s.out.data(),
                 s.out.size(), s.arithmetic);
    benchmark::DoNotOptimize(s.out.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_BlendPictures)->ArgNames({"level", "blend"})->ArgsProduct({{0, 1, 2}, {0, 1}});

// Sharpening the luma rows, from the planes into a second plane set.
void BM_SharpenLuma(benchmark::State& state) {
  if (!LevelRuns(state, 0)) return;
  Setup s(1.0);
  stream::EnsureSharpenTables(s.arithmetic);
  std::vector<std::uint8_t> out(s.planes.size());
  const std::size_t stride = s.geometry.lumaStride;
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(0)));
  for (auto _ : state) {
    for (std::uint32_t r = 1; r < s.geometry.height; ++r) {
      k.sharpenRow(&s.planes[(r - 1) * stride], &s.planes[r * stride], &s.planes[(r + 1) * stride],
                   &out[r * stride], 1, s.geometry.width, s.arithmetic);
    }
    benchmark::DoNotOptimize(out.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_SharpenLuma)->ArgName("level")->DenseRange(0, 2);

// The map-guided fill-in with every other run of eight map columns marked, as scattered
// changed blocks leave the map (the fill marks more, which changes nothing on the next pass).
// Argument 0: the level; 1: the luma plane (0, of a stream without lossless luma) or both
// chroma planes (1).
void BM_MapFill(benchmark::State& state) {
  if (!LevelRuns(state, 0)) return;
  Setup s(1.0);
  for (std::size_t i = 0; i < s.map.size(); ++i) s.map[i] = i / 8 % 2;
  const stream::MapView map = stream::UpdateMap(s.geometry, s.map);
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(0)));
  const bool chroma = state.range(1) != 0;
  for (auto _ : state) {
    if (chroma) {
      k.fillChromaByMap(stream::UPlane(s.geometry, s.planes), map);
      k.fillChromaByMap(stream::VPlane(s.geometry, s.planes), map);
    } else {
      k.fillLumaByMap(stream::LumaPlane(s.geometry, s.planes), map);
    }
    benchmark::DoNotOptimize(s.planes.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_MapFill)->ArgNames({"level", "chroma"})->ArgsProduct({{0, 1, 2}, {0, 1}});

// The 2x zoom of a picture. Argument 0: the level; 1: the layout, by bytes a pixel (1 for the
// 8-bit layouts, 3 and 4 for 24- and 32-bit RGB, which zooms three of its bytes), or 2 for
// packed 4:2:2, 0 for 4-bit grey and 5 for planar 4:2:0, which have kernels of their own.
void BM_Zoom2x(benchmark::State& state) {
  if (!LevelRuns(state, 0)) return;
  Setup s(1.0);
  const auto bytes = static_cast<std::uint32_t>(state.range(1));
  const auto picture = Noise(std::clamp(bytes, 1u, 4u) * kWidth * kHeight);
  std::vector<std::uint8_t> zoomed(4 * picture.size());
  const PixelKernels& k = KernelsFor(static_cast<CpuLevel>(state.range(0)));
  const std::uint8_t* halfSum = s.arithmetic.halfSum.data();
  for (auto _ : state) {
    if (bytes == 0) {
      k.zoomNibbles2x(picture.data(), zoomed.data(), kWidth, kHeight, halfSum);
    } else if (bytes == 2) {
      k.zoomPackedYuv2x(picture.data(), zoomed.data(), kWidth, kHeight, halfSum);
    } else if (bytes == 5) {
      k.zoomPlanar2x(picture.data(), zoomed.data(), kWidth, kHeight, false, halfSum);
    } else {
      k.zoomBytes2x(picture.data(), zoomed.data(), kWidth, kHeight, bytes, std::min(bytes, 3u),
                    halfSum);
    }
    benchmark::DoNotOptimize(zoomed.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_Zoom2x)->ArgNames({"level", "layout"})->ArgsProduct({{0, 1, 2}, {1, 3, 4, 2, 0, 5}});

// The yardstick of the unchanged-frame decode below: one copy of a 24-bit picture.
void BM_MemcpyRgb24Picture(benchmark::State& state) {
  const auto from = Noise(3 * kWidth * kHeight);
  std::vector<std::uint8_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_MemcpyRgb24Picture);

struct ContextDeleter {
  void operator()(stream::CodecContext* c) const { stream::FreeContext(c); }
};
using ContextPtr = std::unique_ptr<stream::CodecContext, ContextDeleter>;

// A whole frame in which nothing changed, decoded to 24-bit RGB (LAN preset) at the level
// KVTC_CPU leaves.
void BM_DecodeUnchangedFrameRgb24(benchmark::State& state) {
  settings::SettingsRecord s = settings::PresetRecord(settings::Preset::Lan);
  s.dwWidth = kWidth;
  s.dwHeight = kHeight;
  s.bRefreshPeriod = 0;
  ContextPtr encoder(stream::CreateContext()), decoder(stream::CreateContext());
  encoder->inputFormat = kRgb24;
  encoder->threshold = s.bThreshold;
  const auto picture = Noise(3 * kWidth * kHeight);
  std::vector<std::uint8_t> key(3 * kWidth * kHeight), still(key.size());
  encoder::EncodedFrame keyFrame, stillFrame;
  encoder::EncodeFrame(*encoder, s, picture, key, keyFrame);
  // Repeated until the coder has nothing left to refine.
  for (int i = 0; i < 8; ++i) encoder::EncodeFrame(*encoder, s, picture, still, stillFrame);
  decoder->outputFormat = kRgb24;
  decoder->decoderMode = s.bDecoderMode;
  std::vector<std::uint8_t> out(3 * kWidth * kHeight);
  const auto decode = [&](const std::vector<std::uint8_t>& frame, std::size_t size) {
    return decoder::DecodeFrame(*decoder, s, std::span(frame.data(), size), out);
  };
  if (decode(key, keyFrame.size) != decoder::DecodeOutcome::kDecoded) {
    state.SkipWithError("the key frame did not decode");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(decode(still, stillFrame.size));
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["frame_bytes"] = static_cast<double>(stillFrame.size);
  state.SetLabel(CpuLevelName(ActiveCpuLevel()));
  CountPixels(state);
}
BENCHMARK(BM_DecodeUnchangedFrameRgb24);

}  // namespace
}  // namespace kvtc::pixels
