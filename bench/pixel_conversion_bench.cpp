// Input and output conversion of a 640 x 480 picture. The "per_pixel" counter is the time per
// pixel.
#include <benchmark/benchmark.h>

#include <vector>

#include "pixels/decoder_tables.h"
#include "pixels/encoder_tables.h"
#include "pixels/input_converters.h"
#include "pixels/output_converters.h"
#include "stream/plane_geometry.h"

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

void BM_ConvertFromRgb24(benchmark::State& state) {
  Setup s(1.0);
  const auto input = Noise(3 * kWidth * kHeight);
  std::vector<std::uint8_t> planes(s.geometry.planeSetSize);
  const PlaneSet view = ViewPlaneSet(std::span(planes), s.geometry);
  for (auto _ : state) {
    ConvertFromRgb(input.data(), view, kRgb24Channels, s.colour);
    benchmark::DoNotOptimize(planes.data());
  }
  CountPixels(state);
}
BENCHMARK(BM_ConvertFromRgb24);

template <OutputVariant kVariant>
void BM_ConvertRgb24(benchmark::State& state) {
  Setup s(state.range(0) == 10 ? 1.0 : state.range(0) / 10.0);
  for (auto _ : state) {
    switch (kVariant) {
      case OutputVariant::kFull:
        ConvertRgb(s.Planes(), s.out.data(), kRgb24Channels, s.decoder, s.arithmetic);
        break;
      case OutputVariant::kHalf:
        ConvertRgbHalf(s.Planes(), s.out.data(), kRgb24Channels, s.decoder, s.arithmetic);
        break;
      case OutputVariant::kPartial:
        ConvertRgbPartial(s.Planes(), s.out.data(), s.Map(), kRgb24Channels, s.decoder,
                          s.arithmetic);
        break;
      case OutputVariant::kHalfPartial:
        ConvertRgbHalfPartial(s.Planes(), s.out.data(), s.Map(), kRgb24Channels, s.decoder,
                              s.arithmetic);
        break;
    }
    benchmark::DoNotOptimize(s.out.data());
  }
  CountPixels(state);
}
// The argument is ten times the gamma: 1.0 skips the gamma lookup, 2.0 does not.
BENCHMARK(BM_ConvertRgb24<OutputVariant::kFull>)->ArgName("gamma_x10")->Arg(10)->Arg(20);
BENCHMARK(BM_ConvertRgb24<OutputVariant::kHalf>)->ArgName("gamma_x10")->Arg(10)->Arg(20);
BENCHMARK(BM_ConvertRgb24<OutputVariant::kPartial>)->ArgName("gamma_x10")->Arg(10)->Arg(20);
BENCHMARK(BM_ConvertRgb24<OutputVariant::kHalfPartial>)->ArgName("gamma_x10")->Arg(10)->Arg(20);

}  // namespace
}  // namespace kvtc::pixels
