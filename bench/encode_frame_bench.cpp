// EncodeFrame on 24-bit input at 320x240 and 640x480, with the LAN preset (threshold 8,
// lossless luma, refresh period 128) and motion search off (R = 0) or at its widest (R = 16):
// a key frame, a static frame (nothing changed), and a frame in which a textured object moves
// over a smooth background. Then the motion search and the sampled change detection alone
// over every block of a 640x480 luma plane, at each instruction-set level.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "encoder/change_detection.h"
#include "encoder/encode_frame.h"
#include "encoder/motion_search.h"
#include "encoder/search_window.h"
#include "pixels/pixel_format.h"
#include "settings/settings_record.h"
#include "stream/block_offsets.h"
#include "stream/codec_context.h"

namespace {

using kvtc::encoder::EncodedFrame;
using kvtc::encoder::EncodeFrame;

struct ContextDeleter {
  void operator()(kvtc::stream::CodecContext* c) const { kvtc::stream::FreeContext(c); }
};

// Bottom-up 24-bit BGR: a smooth background and a textured square at (x0, y0).
std::vector<std::uint8_t> Picture(int w, int h, int x0, int y0) {
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(w) * h * 3);
  const int side = h / 4;
  std::size_t i = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int ix = x - x0, iy = y - y0;
      int v;
      if (ix >= 0 && iy >= 0 && ix < side && iy < side) {
        v = ((ix / 4 + iy / 3) % 2) * 140 + (ix * iy) % 60;
      } else {
        v = static_cast<int>(120 + 70 * std::sin(x / 17.0) * std::cos(y / 13.0));
      }
      bgr[i++] = static_cast<std::uint8_t>(v);
      bgr[i++] = static_cast<std::uint8_t>(255 - v);
      bgr[i++] = static_cast<std::uint8_t>((v * 3) & 255);
    }
  }
  return bgr;
}

struct Encoder {
  std::unique_ptr<kvtc::stream::CodecContext, ContextDeleter> context{
      kvtc::stream::CreateContext()};
  kvtc::settings::SettingsRecord settings = kvtc::settings::PresetRecord(kvtc::settings::Preset::Lan);
  std::vector<std::uint8_t> output;
  EncodedFrame result;

  Encoder(int w, int h, int radius) : output(static_cast<std::size_t>(w) * h * 3 / 2) {
    settings.dwWidth = w;
    settings.dwHeight = h;
    settings.bSearchRadius = static_cast<std::uint8_t>(radius);
    context->inputFormat = kvtc::pixels::kRgb24;
    context->threshold = settings.bThreshold;
  }
  void Encode(const std::vector<std::uint8_t>& input) {
    EncodeFrame(*context, settings, input, output, result);
  }
};

void Report(benchmark::State& state, const Encoder& e, std::size_t bytes) {
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                             benchmark::Counter::kIsRate);
  state.counters["bytes"] = static_cast<double>(bytes);
  (void)e;
}

void KeyFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = w * 3 / 4;
  Encoder e(w, h, static_cast<int>(state.range(1)));
  const std::vector<std::uint8_t> picture = Picture(w, h, w / 3, h / 3);
  e.settings.bForceKey = 1;
  for (auto _ : state) e.Encode(picture);
  Report(state, e, e.result.size);
}

void StaticFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = w * 3 / 4;
  Encoder e(w, h, static_cast<int>(state.range(1)));
  e.settings.bRefreshPeriod = 0;
  const std::vector<std::uint8_t> picture = Picture(w, h, w / 3, h / 3);
  e.Encode(picture);
  for (auto _ : state) e.Encode(picture);
  Report(state, e, e.result.size);
}

void MovingObject(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = w * 3 / 4;
  Encoder e(w, h, static_cast<int>(state.range(1)));
  e.settings.bRefreshPeriod = 0;
  // The object steps back and forth by (6, 4) pixels between two positions.
  const std::vector<std::uint8_t> a = Picture(w, h, w / 3, h / 3);
  const std::vector<std::uint8_t> b = Picture(w, h, w / 3 + 6, h / 3 + 4);
  e.Encode(a);
  bool flip = false;
  for (auto _ : state) {
    e.Encode(flip ? a : b);
    flip = !flip;
  }
  Report(state, e, e.result.size);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (const int w : {320, 640}) {
    for (const int r : {0, 16}) b->Args({w, r});
  }
  b->ArgNames({"width", "R"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(KeyFrame)->Apply(Sizes);
BENCHMARK(StaticFrame)->Apply(Sizes);
BENCHMARK(MovingObject)->Apply(Sizes);

// Argument 0: the level (0 c, 1 sse2, 2 avx2); 1: lossless luma (the full search) or not (the
// sampled one); 2: the radius. The current plane is the reference's texture moved by (3, 2)
// with a little noise, so that the search runs every level and rarely stops early.
void MotionSearch(benchmark::State& state) {
  namespace px = kvtc::pixels;
  const auto level = static_cast<px::CpuLevel>(state.range(0));
  if (level > px::DetectedCpuLevel()) return state.SkipWithError("level not available");
  const bool lossless = state.range(1) != 0;
  const auto radius = static_cast<std::uint32_t>(state.range(2));
  const auto g = kvtc::stream::ComputePlaneGeometry(640, 480, 0);
  const std::int32_t stride = static_cast<std::int32_t>(g.lumaStride);
  const auto texture = [](int x, int y) {
    return 120 + 60 * std::sin(x / 7.0) * std::cos(y / 5.0) + ((x * 7 + y * 13) % 11);
  };
  std::vector<std::uint8_t> reference(g.planeSetSize), current(g.planeSetSize);
  for (std::int32_t y = 0; y <= static_cast<std::int32_t>(g.height); ++y) {
    for (std::int32_t x = 0; x < stride; ++x) {
      reference[y * stride + x] = static_cast<std::uint8_t>(texture(x, y));
      current[y * stride + x] = static_cast<std::uint8_t>(texture(x + 3, y + 2) + (x * y) % 5);
    }
  }
  const kvtc::encoder::WindowQuery query{
      g, radius, kvtc::stream::ComputeMotionParameters(radius, lossless), lossless, true};
  const auto search =
      lossless ? kvtc::encoder::SearchMotionFull : kvtc::encoder::SearchMotionSampled;
  const px::PixelKernels& kernels = px::KernelsFor(level);
  for (auto _ : state) {
    for (std::uint32_t by = 0; by < g.blocksDown; ++by) {
      for (std::uint32_t bx = 0; bx < g.blocksAcross; ++bx) {
        const std::size_t at = kvtc::stream::LumaBlockOrigin(g, bx, by);
        const kvtc::encoder::SearchWindow window = kvtc::encoder::ClampSearchWindow(query, bx, by);
        benchmark::DoNotOptimize(search(current.data() + at, reference.data() + at, radius,
                                        window, g.lumaStride, 8, 2 * radius, kernels));
      }
    }
  }
  state.counters["per_block"] = benchmark::Counter(
      g.blockCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(MotionSearch)
    ->ArgNames({"level", "lossless", "R"})
    ->ArgsProduct({{0, 1, 2}, {1, 0}, {4, 16}})
    ->Unit(benchmark::kMillisecond);

// The sampled change detection of every block of a 640x480 luma plane against a second one,
// at each level.
void SampledChange(benchmark::State& state) {
  namespace px = kvtc::pixels;
  const auto level = static_cast<px::CpuLevel>(state.range(0));
  if (level > px::DetectedCpuLevel()) return state.SkipWithError("level not available");
  const auto g = kvtc::stream::ComputePlaneGeometry(640, 480, 0);
  const auto offsets = kvtc::stream::ComputeBlockOffsets(g);
  std::vector<std::uint8_t> a(g.planeSetSize), b(g.planeSetSize);
  std::uint32_t seed = 1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    a[i] = static_cast<std::uint8_t>(seed >> 24);
    b[i] = static_cast<std::uint8_t>(a[i] + (seed >> 8) % 21 - 10);
  }
  std::uint8_t map[81];
  for (auto _ : state) {
    for (std::uint32_t by = 0; by < g.blocksDown; ++by) {
      for (std::uint32_t bx = 0; bx < g.blocksAcross; ++bx) {
        const std::size_t at = kvtc::stream::LumaBlockOrigin(g, bx, by);
        benchmark::DoNotOptimize(kvtc::encoder::DetectBlockChangeSampled(
            a.data() + at, b.data() + at, map, 8, offsets, px::KernelsFor(level)));
      }
    }
  }
  state.counters["per_block"] = benchmark::Counter(
      g.blockCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(SampledChange)->ArgName("level")->DenseRange(0, 2);

}  // namespace
