// Every pixel kernel at every level this processor runs, against the plain C++ kernel of the
// same table entry, byte for byte: random pictures, sizes from one pixel up past the row
// chunks, odd sizes, sparse, dense and empty update maps, and an output buffer whose earlier
// contents must survive wherever the reference leaves them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <tuple>

#include "pixels/encoder_table_forms.h"
#include "pixels/output_rgb_rows.h"
#include "pixels/pixel_fixtures.h"
#include "pixels/pixel_format.h"
#include "pixels/pixel_kernels.h"
#include "stream/block_offsets.h"
#include "stream/plane_geometry.h"
#include "stream/plane_view.h"

namespace kvtc::pixels {
namespace {

struct Picture {
  stream::PlaneGeometry g;
  std::vector<std::uint8_t> planes, map, out;
};

// One kernel entry run on a picture: writes p.out and may mark p.map.
using Run = std::function<void(const PixelKernels&, Picture&, const testing::Tables&)>;

Run RgbOutput(OutputVariant variant, RgbChannels ch) {
  return [=](const PixelKernels& k, Picture& p, const testing::Tables& t) {
    k.convertRgb(variant, ViewPlaneSet(std::span<const std::uint8_t>(p.planes), p.g), p.out.data(),
                 ViewUpdateMap(p.map, p.g), ch, t.decoder, t.arithmetic);
  };
}

Run ColourOutput(std::uint8_t code, OutputVariant variant) {
  return [=](const PixelKernels& k, Picture& p, const testing::Tables& t) {
    k.convertColour(code, variant, ViewPlaneSet(std::span<const std::uint8_t>(p.planes), p.g),
                    p.out.data(), ViewUpdateMap(p.map, p.g), t.decoder, t.arithmetic);
  };
}

Run GreyOutput(std::uint8_t code) {
  return [=](const PixelKernels& k, Picture& p, const testing::Tables& t) {
    k.convertGrey(code, ViewPlaneSet(std::span<const std::uint8_t>(p.planes), p.g), p.out.data(),
                  t.decoder, t.arithmetic);
  };
}

Run Yuv422(bool grey) {
  return [=](const PixelKernels& k, Picture& p, const testing::Tables&) {
    k.packYuv422(ViewPlaneSet(std::span<const std::uint8_t>(p.planes), p.g), p.out.data(), grey);
  };
}

// Input conversion reads the picture's bytes from `out` and writes the planes.
Run RgbInput(RgbChannels ch) {
  return [=](const PixelKernels& k, Picture& p, const testing::Tables& t) {
    k.convertFromRgb(p.out.data(), ViewPlaneSet(std::span(p.planes), p.g), ch, t.colour);
  };
}
Run PackedYuvInput(PackedYuvOrder order) {
  return [=](const PixelKernels& k, Picture& p, const testing::Tables& t) {
    k.convertFromPackedYuv(p.out.data(), ViewPlaneSet(std::span(p.planes), p.g), order,
                           t.arithmetic.inputScale.data());
  };
}

// Change flags of every luma block against the picture moved by up to 12 either way (values
// wrapping at the ends), at thresholds from none to past the largest difference; `out`
// receives each block's flag bytes and bits, then its representatives' flags and quadrants.
Run ChangeFlags() {
  return [](const PixelKernels& k, Picture& p, const testing::Tables&) {
    std::vector<std::uint8_t> other(p.planes);
    for (std::size_t i = 0; i < other.size(); ++i) {
      other[i] = static_cast<std::uint8_t>(other[i] + p.out[i % p.out.size()] % 25 - 12);
    }
    std::vector<std::uint8_t> flags;
    const auto stride = static_cast<std::int32_t>(p.g.lumaStride);
    for (const std::uint32_t t : {0u, 1u, 7u, 11u, 255u, 1000u}) {
      for (std::uint32_t by = 0; by < p.g.blocksDown; ++by) {
        for (std::uint32_t bx = 0; bx < p.g.blocksAcross; ++bx) {
          const std::size_t first = stream::LumaBlockOrigin(p.g, bx, by) + stride + 1;
          std::uint8_t block[8 * 9 + 8];
          const std::uint64_t bits =
              k.changeFlags8x8(p.planes.data() + first, other.data() + first, stride, t, block, 9);
          for (int r = 0; r < 8; ++r) flags.insert(flags.end(), block + 9 * r, block + 9 * r + 8);
          for (int b = 0; b < 8; ++b) flags.push_back(static_cast<std::uint8_t>(bits >> 8 * b));
          flags.push_back(static_cast<std::uint8_t>(
              k.representativeChanges(p.planes.data() + first, other.data() + first, stride, t,
                                      block)));
          flags.insert(flags.end(), block, block + 16);
        }
      }
    }
    p.out = flags;
  };
}

// The finest refinement of every luma block in place, block after block (each reads what the
// blocks above and left of it set), against a current picture moved by up to 12 either way,
// with the cell flags drawn from `out`, at thresholds from none to past the largest
// difference; `out` receives the sent bits.
Run FinestRefinement() {
  return [](const PixelKernels& k, Picture& p, const testing::Tables&) {
    std::vector<std::uint8_t> current(p.planes), sent;
    for (std::size_t i = 0; i < current.size(); ++i) {
      current[i] = static_cast<std::uint8_t>(current[i] + p.out[i % p.out.size()] % 25 - 12);
    }
    const auto stride = static_cast<std::int32_t>(p.g.lumaStride);
    std::size_t draw = 0;
    for (const std::uint32_t t : {0u, 3u, 8u, 255u, 1000u}) {
      for (std::uint32_t by = 0; by < p.g.blocksDown; ++by) {
        for (std::uint32_t bx = 0; bx < p.g.blocksAcross; ++bx) {
          std::uint8_t cells[16];
          for (auto& c : cells) c = p.out[draw++ % p.out.size()] % 3 != 0;
          const std::size_t origin = stream::LumaBlockOrigin(p.g, bx, by);
          const std::uint64_t bits = k.refineFinest8x8(p.planes.data() + origin,
                                                       current.data() + origin, stride, t, cells);
          for (int b = 0; b < 8; ++b) sent.push_back(static_cast<std::uint8_t>(bits >> 8 * b));
        }
      }
    }
    p.out = sent;
  };
}

// The motion search's costs of every luma block against another picture, for every footprint
// both searches use, at thresholds from none to past the largest difference, with no best or
// one drawn from `out`. Both pictures (the other in a copy with room around it) are scaled
// down by 2^0 to 2^7 in bands of eight columns, so that the largest difference in a block
// lies near every threshold somewhere. `out` receives the costs as far as they are defined
// (one that reaches the best counts as the best, and whether the block is within T only
// below) and each footprint's prediction of the block.
Run MotionCosts() {
  return [](const PixelKernels& k, Picture& p, const testing::Tables&) {
    const auto v = static_cast<std::int32_t>(p.g.lumaStride);
    const std::size_t room = 2 * p.g.lumaStride + 2;
    const auto scaled = [&](std::uint8_t value, std::size_t at) {
      return static_cast<std::uint8_t>(value >> (at % p.g.lumaStride / 8 % 8));
    };
    std::vector<std::uint8_t> current(p.planes.size()), other(p.planes.size() + 2 * room), costs;
    std::vector<std::uint8_t> predicted(9 * std::size_t{p.g.lumaStride} + 9);
    for (std::size_t i = 0; i < current.size(); ++i) current[i] = scaled(p.planes[i], i);
    for (std::size_t i = 0; i < other.size(); ++i) {
      other[i] = scaled(p.out[i % p.out.size()], i + room * (p.g.lumaStride - 1));
    }
    const auto put = [&](std::uint32_t value) {
      for (int b = 0; b < 4; ++b) costs.push_back(static_cast<std::uint8_t>(value >> 8 * b));
    };
    std::size_t draw = 0;
    for (const std::uint32_t t : {0u, 1u, 3u, 12u, 255u, 1000u}) {
      for (std::uint32_t b = 0; b < p.g.blockCount; ++b) {
        const std::size_t origin = stream::LumaBlockOrigin(p.g, b % p.g.blocksAcross,
                                                           b / p.g.blocksAcross);
        for (const std::int32_t across : {0, 1, 2}) {
          for (const std::int32_t down : {0, v, 2 * v}) {
            const std::uint8_t* source = other.data() + room + origin - (across == 2) -
                                         (down == 2 * v ? v : 0);
            const std::uint8_t drawn = p.out[draw++ % p.out.size()];
            const std::uint32_t sadBest = drawn % 4 ? 8u * drawn : ~0u;
            const PredictionSad sad =
                k.predictionSad8x8(current.data() + origin, source, v, across, down, t, sadBest);
            put(std::min(sad.sum, sadBest) |
                std::uint32_t{sad.sum < sadBest && sad.within} << 31);
            const std::uint32_t countBest = drawn % 4 ? drawn % 17 : ~0u;
            put(std::min(k.countChangedRepresentatives(current.data() + origin, source, v, across,
                                                       down, t, countBest),
                         countBest));
            if (t != 0) continue;
            k.predictBlock8x8(predicted.data(), source, v, across, down);
            for (int r = 1; r <= 8; ++r) {
              costs.insert(costs.end(), &predicted[r * v + 1], &predicted[r * v + 9]);
            }
          }
        }
      }
    }
    p.out = costs;
  };
}

// Blending reads the first and the last `out`-sized stretch of the planes as the previous and
// the next picture and writes `out`.
Run Blending(bool nibbles, Blend blend) {
  return [=](const PixelKernels& k, Picture& p, const testing::Tables& t) {
    const std::size_t n = p.out.size();
    (nibbles ? k.blendNibbles : k.blendBytes)(blend, p.planes.data(),
                                              p.planes.data() + p.planes.size() - n, p.out.data(),
                                              n, t.arithmetic);
  };
}

// Sharpening rewrites the inner samples of the luma rows in `out` (a plane of the geometry's
// stride over earlier contents): from the random planes, then from the same with every sample
// pushed to 0 or 255, which reaches both ends of the clamp.
Run Sharpening() {
  return [](const PixelKernels& k, Picture& p, const testing::Tables& t) {
    const std::size_t stride = p.g.lumaStride, size = stride * (p.g.height + 1);
    std::vector<std::uint8_t> sharpened;
    for (const bool extremes : {false, true}) {
      std::vector<std::uint8_t> luma(p.planes.begin(), p.planes.begin() + size);
      std::vector<std::uint8_t> out(p.planes.rbegin(), p.planes.rbegin() + size);
      if (extremes) {
        for (auto& v : luma) v = v & 64 ? 255 : 0;
      }
      for (std::uint32_t r = 1; r < p.g.height; ++r) {
        k.sharpenRow(&luma[(r - 1) * stride], &luma[r * stride], &luma[(r + 1) * stride],
                     &out[r * stride], 1, p.g.width, t.arithmetic);
      }
      sharpened.insert(sharpened.end(), out.begin(), out.end());
    }
    p.out = sharpened;
  };
}

// A 2x zoom reads the picture from `out` and writes the doubled picture over earlier contents
// (which the bytes of 32-bit pixels that are not components keep).
using ZoomCall = std::function<void(const PixelKernels&, const std::uint8_t* src,
                                    std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                                    const std::uint8_t* halfSum)>;
Run Zooming(ZoomCall zoom) {
  return [=](const PixelKernels& k, Picture& pic, const testing::Tables& t) {
    std::vector<std::uint8_t> zoomed(4 * pic.out.size());
    for (std::size_t i = 0; i < zoomed.size(); ++i) zoomed[i] = pic.planes[i % pic.planes.size()];
    zoom(k, pic.out.data(), zoomed.data(), pic.g.width, pic.g.height, t.arithmetic.halfSum.data());
    pic.out = zoomed;
  };
}
using ZoomEntry = void (*PixelKernels::*)(const std::uint8_t*, std::uint8_t*, std::uint32_t,
                                          std::uint32_t, const std::uint8_t*);
Run Zooming(ZoomEntry entry) {
  return Zooming([=](const PixelKernels& k, const std::uint8_t* src, std::uint8_t* dst,
                     std::uint32_t w, std::uint32_t h, const std::uint8_t* halfSum) {
    (k.*entry)(src, dst, w, h, halfSum);
  });
}

// The map-guided fill-in of the luma plane, then of both chroma planes, in place (marking
// the map as it goes); `out` is left as it was.
Run MapFill() {
  return [](const PixelKernels& k, Picture& p, const testing::Tables&) {
    const stream::MapView map = stream::UpdateMap(p.g, p.map);
    k.fillLumaByMap(stream::LumaPlane(p.g, p.planes), map);
    k.fillChromaByMap(stream::UPlane(p.g, p.planes), map);
    k.fillChromaByMap(stream::VPlane(p.g, p.planes), map);
  };
}

struct Entry {
  std::string name;
  Run run;
  std::uint32_t bytesPerPixel;
};

std::vector<Entry> Entries() {
  std::vector<Entry> entries;
  const char* variants[] = {"full", "half", "partial", "half partial"};
  for (const auto& [ch, name] : {std::pair{kRgb24Channels, "rgb24 "}, {kRgb32Channels, "rgb32 "}}) {
    for (int v = 0; v < 4; ++v) {
      entries.push_back({name + std::string(variants[v]),
                         RgbOutput(static_cast<OutputVariant>(v), ch), ch.bytesPerPixel});
    }
  }
  for (const auto& [code, name, bytes] : {std::tuple{kRgb555, "rgb555 ", 2u},
                                          {kIndex332, "palette332 ", 1u},
                                          {kColourCube, "colour cube ", 1u}}) {
    for (int v = 0; v < 4; ++v) {
      entries.push_back({name + std::string(variants[v]),
                         ColourOutput(code, static_cast<OutputVariant>(v)), bytes});
    }
  }
  for (const auto& [code, name, bytes] :
       {std::tuple{kRgb32, "grey rgb32", 4u}, {kRgb24, "grey rgb24", 3u},
        {kRgb555, "grey rgb555", 2u}, {kGrey8, "grey8", 1u}, {kGrey4, "grey4", 1u}}) {
    entries.push_back({name, GreyOutput(code), bytes});
  }
  entries.push_back(
      {"rgb24 other channel order", RgbOutput(OutputVariant::kFull, {3, 0, 1, 2}), 3});
  entries.push_back({"yuv422", Yuv422(false), 2});
  entries.push_back({"rgb24 input", RgbInput(kRgb24Channels), 3});
  entries.push_back({"rgb32 input", RgbInput(kRgb32Channels), 4});
  entries.push_back({"rgb24 input other channel order", RgbInput({3, 0, 1, 2}), 3});
  entries.push_back({"yuyv input", PackedYuvInput(kYuyvOrder), 2});
  entries.push_back({"uyvy input", PackedYuvInput(kUyvyOrder), 2});
  entries.push_back({"yuv422 grey", Yuv422(true), 2});
  entries.push_back({"change flags", ChangeFlags(), 1});
  entries.push_back({"finest refinement", FinestRefinement(), 1});
  entries.push_back({"motion costs", MotionCosts(), 1});
  const char* blends[] = {"quarter", "half", "three quarters", "whole"};
  for (int b = 0; b < 4; ++b) {
    for (const bool nibbles : {false, true}) {
      entries.push_back({std::string(nibbles ? "nibble blend " : "blend ") + blends[b],
                         Blending(nibbles, static_cast<Blend>(b)), 1});
    }
  }
  entries.push_back({"sharpen", Sharpening(), 1});
  entries.push_back({"map fill", MapFill(), 1});
  for (const auto& [bytes, components] : {std::pair{1u, 1u}, {2u, 2u}, {3u, 3u}, {4u, 3u}}) {
    entries.push_back({"zoom " + std::to_string(components) + " of " + std::to_string(bytes),
                       Zooming([=](const PixelKernels& k, const std::uint8_t* src,
                                   std::uint8_t* dst, std::uint32_t w, std::uint32_t h,
                                   const std::uint8_t* halfSum) {
                         k.zoomBytes2x(src, dst, w, h, bytes, components, halfSum);
                       }),
                       bytes});
  }
  // Packed 4:2:2 (2 bytes a pixel), 4-bit grey ((w + 1) / 2 bytes a row) and planar 4:2:0
  // (w h luma bytes and two (w/2) x (h/2) chroma planes).
  entries.push_back({"zoom packed 4:2:2", Zooming(&PixelKernels::zoomPackedYuv2x), 2});
  entries.push_back({"zoom 4-bit grey", Zooming(&PixelKernels::zoomNibbles2x), 1});
  entries.push_back({"zoom planar 4:2:0",
                     Zooming([](const PixelKernels& k, const std::uint8_t* src, std::uint8_t* dst,
                                std::uint32_t w, std::uint32_t h, const std::uint8_t* halfSum) {
                       k.zoomPlanar2x(src, dst, w, h, false, halfSum);
                     }),
                     2});
  return entries;
}

// Sparse or dense marks, or none.
std::vector<std::uint8_t> RandomMap(std::size_t size, std::mt19937& rng) {
  std::vector<std::uint8_t> map(size);
  // None, about 1 in 16, about 3 in 4, all, or about one in four runs of eight (as changed
  // blocks mark them, leaving gaps of every length between).
  const unsigned density = rng() % 5;
  bool run = false;
  for (std::size_t i = 0; i < size; ++i) {
    if (i % 8 == 0) run = rng() % 4 == 0;
    map[i] = density == 0   ? 0
             : density == 1 ? rng() % 16 == 0
             : density == 4 ? run
                            : density == 3 || rng() % 4 != 0;
  }
  return map;
}

// The integer forms the kernels compute, against the tables at every sample.
TEST(KernelCheck, IntegerFormsOfTheColourTablesEqualTheTables) {
  const DecoderTables& t = testing::SharedTables().decoder;
  const auto form = [](output::ChromaTermForm f, int d) {
    const int magnitude = (std::abs(d) * f.factor + f.bias) >> f.shift;
    return d < 0 && d >= -f.zeroBelow ? 0 : d < 0 ? -magnitude : magnitude;
  };
  const auto rounded = [](output::RoundedTermForm f, int d) {
    return ((d * (1 << f.shift) * f.factor + 16384) >> 15) + (f.oneAt && d == f.oneAt ? 1 : 0);
  };
  // Each chroma table, its two forms and the sign of its offset from 128.
  const std::tuple<const std::int32_t*, output::ChromaTermForm, output::RoundedTermForm, int>
      terms[] = {{t.redFromV.data(), output::kRedFromV, output::kRedFromVRounded, 1},
                 {t.greenFromU.data(), output::kGreenFromU, output::kGreenFromURounded, -1},
                 {t.greenFromV.data(), output::kGreenFromV, output::kGreenFromVRounded, -1},
                 {t.blueFromU.data(), output::kBlueFromU, output::kBlueFromURounded, 1}};
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ((output::kLumaScaleFactor * i + output::kLumaScaleBias) >> output::kLumaScaleShift,
              t.lumaScale[i])
        << i;
    ASSERT_EQ(i + ((output::kLumaScaleRoundedFactor * i + 16384) >> 15), t.lumaScale[i]) << i;
    for (const auto& [table, plain, product, sign] : terms) {
      ASSERT_EQ(form(plain, sign * (i - 128)), table[i]) << i;
      ASSERT_EQ(rounded(product, sign * (i - 128)), table[i]) << i;
    }
    for (int threshold = 0; threshold <= 50; ++threshold) {
      ASSERT_EQ(t.cubeLevel[i] + (threshold < t.cubeResidue[i] ? 1 : 0),
                ((i + 50 - threshold) * output::kCubeLevelFactor) >> 16)
          << i << " at " << threshold;
    }
    const int entry = std::clamp(i - 26, 0, 215);
    const int sixth = (entry * output::kCubeSixthFactor) >> 16;
    ASSERT_EQ(51 * (entry - 6 * sixth), t.cubeRed[i]) << i;
    ASSERT_EQ(51 * (sixth - 6 * ((sixth * output::kCubeSixthFactor) >> 16)), t.cubeGreen[i]) << i;
    ASSERT_EQ(51 * ((entry * output::kCubeThirtySixthFactor) >> 16), t.cubeBlue[i]) << i;
  }
  for (const auto& row : t.dither) {
    for (const int threshold : row) ASSERT_TRUE(threshold >= 0 && threshold <= 50) << threshold;
  }
  const EncoderColourTables& e = testing::SharedTables().colour;
  const auto table = [](TableForm f, int i) {
    const int value = i <= f.zeroUpTo ? 0 : (i * f.factor + f.bias) >> f.shift;
    return f.negative ? -value : value;
  };
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(table(kLumaFromR, i), e.lumaFromR[i]) << i;
    ASSERT_EQ(table(kLumaFromG, i), e.lumaFromG[i]) << i;
    ASSERT_EQ(table(kLumaFromB, i), e.lumaFromB[i]) << i;
  }
  for (int s = 0; s <= 4 * 255; ++s) {
    ASSERT_EQ(table(kUFromR, s), e.uFromR[s]) << s;
    ASSERT_EQ(table(kUFromG, s), e.uFromG[s]) << s;
    ASSERT_EQ(table(kUFromB, s), e.uFromB[s]) << s;
    ASSERT_EQ(table(kVFromR, s), e.vFromR[s]) << s;
    ASSERT_EQ(table(kVFromG, s), e.vFromG[s]) << s;
    ASSERT_EQ(table(kVFromB, s), e.vFromB[s]) << s;
  }
}

// The word layouts' stores with the gamma folded in, against the gamma table and the plain
// store: every sample in every component at every dither position, over a range of gammas.
TEST(KernelCheck, LayoutStoresWithTheGammaFoldedInEqualTheGammaAndTheStore) {
  if (DetectedCpuLevel() < CpuLevel::kAvx2) GTEST_SKIP() << "no AVX2";
  for (const double gamma : {0.05, 0.45, 0.8, 1.25, 2.2, 3.7, 40.0}) {
    const testing::Tables tables(gamma);
    const DecoderTables& t = tables.decoder;
    output::GammaFold fold;
    ASSERT_TRUE(output::FoldGamma(t, fold)) << gamma;
    for (const auto& [plain, folded] :
         {std::pair{output::kWordLayoutsPlain.rgb555, output::kWordLayoutsAvx2.rgb555},
          {output::kWordLayoutsPlain.palette332, output::kWordLayoutsAvx2.palette332},
          {output::kWordLayoutsPlain.cube, output::kWordLayoutsAvx2.cube}}) {
      for (std::uint32_t turn = 0; turn < 16 * 16; ++turn) {  // the sample's column, the row
        std::uint32_t words[256];
        for (std::uint32_t i = 0; i < 256; ++i) {
          const std::uint32_t v = (i + turn) % 256;
          words[i] = v | (255 - v) << 8 | (v * 97 + 31) % 256 << 16;
        }
        const output::Place at{16 * (turn % 3), turn / 16, 1 + turn % 2};
        std::uint8_t expected[512], got[512];
        std::uint32_t kept[256], loaded[256];
        folded.storeGamma(words, 255, at, fold, got, kept);
        output::GammaPlain(words, 255, t.gamma.data());
        plain.store(words, 255, at, t, expected);
        plain.load(expected, 255, t, loaded);
        ASSERT_TRUE(std::equal(got, got + 255 * plain.bytes, expected)) << gamma << " " << turn;
        ASSERT_TRUE(std::equal(kept, kept + 255, loaded)) << gamma << " " << turn;
      }
    }
  }
}

// The byte-average forms of the blends against the sum tables, over every pair of bytes (and
// so every pair of nibbles).
TEST(KernelCheck, BlendsOfEveryPairOfBytesEqualTheTables) {
  std::vector<std::uint8_t> previous(65536), next(65536), expected(65536), got(65536);
  for (std::size_t i = 0; i < previous.size(); ++i) {
    previous[i] = static_cast<std::uint8_t>(i >> 8);
    next[i] = static_cast<std::uint8_t>(i);
  }
  const stream::ArithmeticTables& t = testing::SharedTables().arithmetic;
  for (const Blend blend : {Blend::kQuarter, Blend::kHalf, Blend::kThreeQuarters}) {
    for (const CpuLevel level : {CpuLevel::kSse2, CpuLevel::kAvx2}) {
      if (level > DetectedCpuLevel()) continue;
      for (const bool nibbles : {false, true}) {
        const auto kind = [&](const PixelKernels& k) {
          return nibbles ? k.blendNibbles : k.blendBytes;
        };
        kind(KernelsFor(CpuLevel::kC))(blend, previous.data(), next.data(), expected.data(),
                                       expected.size(), t);
        kind(KernelsFor(level))(blend, previous.data(), next.data(), got.data(), got.size(), t);
        ASSERT_EQ(got, expected) << CpuLevelName(level) << " blend " << static_cast<int>(blend)
                                 << (nibbles ? " nibbles" : "");
      }
    }
  }
}

TEST(KernelCheck, LevelIsCappedByTheProcessorAndTheEnvironment) {
  const CpuLevel cpu = DetectedCpuLevel();
  EXPECT_EQ(ChooseCpuLevel(cpu, ""), cpu);
  EXPECT_EQ(ChooseCpuLevel(cpu, "c"), CpuLevel::kC);
  EXPECT_EQ(ChooseCpuLevel(CpuLevel::kSse2, "avx2"), CpuLevel::kSse2);  // never above the CPU
  EXPECT_EQ(ChooseCpuLevel(CpuLevel::kAvx2, "sse2"), CpuLevel::kSse2);
  EXPECT_EQ(ChooseCpuLevel(CpuLevel::kAvx2, "avx512"), CpuLevel::kAvx2);  // unknown: no limit
  EXPECT_LE(ActiveKernels().level, cpu);
  EXPECT_EQ(KernelsFor(CpuLevel::kC).level, CpuLevel::kC);
}

TEST(KernelCheck, EveryKernelAtEveryLevelMatchesThePlainKernel) {
  const testing::Tables gamma1(1.0), gamma2(2.2);
  std::mt19937 rng(15);
  const std::pair<std::uint32_t, std::uint32_t> fixedSizes[] = {
      {1, 1}, {2, 2}, {3, 1}, {1, 5}, {7, 3}, {16, 16}, {17, 9}, {33, 2}, {640, 4}, {515, 7}};
  for (int trial = 0; trial < 40; ++trial) {
    const auto [w, h] =
        trial < 10 ? fixedSizes[trial]
                   : std::pair<std::uint32_t, std::uint32_t>{1 + rng() % 300, 1 + rng() % 24};
    Picture picture;
    picture.g = stream::ComputePlaneGeometry(w, h, 0);
    picture.planes = testing::NoiseBytes(picture.g.planeSetSize, rng());
    const auto map = RandomMap(picture.g.mapSize, rng);
    const auto before = testing::NoiseBytes(4 * std::size_t{w} * h, rng());
    const testing::Tables& tables = trial % 4 == 3 ? gamma2 : gamma1;
    for (const Entry& e : Entries()) {
      Picture expected = picture;
      expected.map = map;
      expected.out.assign(before.begin(), before.begin() + e.bytesPerPixel * std::size_t{w} * h);
      e.run(KernelsFor(CpuLevel::kC), expected, tables);
      for (const CpuLevel level : {CpuLevel::kSse2, CpuLevel::kAvx2}) {
        if (level > DetectedCpuLevel()) continue;
        Picture got = picture;
        got.map = map;
        got.out.assign(before.begin(), before.begin() + e.bytesPerPixel * std::size_t{w} * h);
        e.run(KernelsFor(level), got, tables);
        const std::string where = e.name + " at " + CpuLevelName(level) + ", " + std::to_string(w) +
                                  "x" + std::to_string(h) + " trial " + std::to_string(trial);
        ASSERT_EQ(got.out, expected.out) << where;
        ASSERT_EQ(got.map, expected.map) << where;
        ASSERT_EQ(got.planes, expected.planes) << where;
      }
    }
  }
}

}  // namespace
}  // namespace kvtc::pixels
