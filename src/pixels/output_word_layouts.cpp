// The plain forms of the word layouts (15-bit, 3-3-2, colour cube) that the row kernels work
// through, built from the same tables as the plain converters.
#include "pixels/output_rgb_rows.h"

namespace kvtc::pixels::output {
namespace {

constexpr std::uint32_t Red(std::uint32_t w) { return w >> 16 & 255; }
constexpr std::uint32_t Green(std::uint32_t w) { return w >> 8 & 255; }
constexpr std::uint32_t Blue(std::uint32_t w) { return w & 255; }
constexpr std::uint32_t Word(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red << 16 | green << 8 | blue;
}

void Load555(const std::uint8_t* src, std::uint32_t n, const DecoderTables&, std::uint32_t* out) {
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t w = src[2 * i] | src[2 * i + 1] << 8;
    out[i] = Word((w >> 10 & 31) << 3, (w >> 5 & 31) << 3, (w & 31) << 3);
  }
}

void Store555(const std::uint32_t* px, std::uint32_t n, Place, const DecoderTables& t,
              std::uint8_t* dst) {
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t w = px[i];
    const std::uint32_t word =
        t.plainRed555[Red(w)] | t.plainGreen555[Green(w)] | t.plainBlue555[Blue(w)];
    dst[2 * i] = static_cast<std::uint8_t>(word);
    dst[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
  }
}

void Load332(const std::uint8_t* src, std::uint32_t n, const DecoderTables&, std::uint32_t* out) {
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t a = src[i];
    out[i] = Word(a & 0xE0, (a & 0x1C) << 3, (a & 0x03) << 6);
  }
}

void Store332(const std::uint32_t* px, std::uint32_t n, Place, const DecoderTables& t,
              std::uint8_t* dst) {
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t w = px[i];
    dst[i] = static_cast<std::uint8_t>(t.plainRed332[Red(w)] | t.plainGreen332[Green(w)] |
                                       t.plainBlue332[Blue(w)]);
  }
}

void LoadCube(const std::uint8_t* src, std::uint32_t n, const DecoderTables& t,
              std::uint32_t* out) {
  for (std::uint32_t i = 0; i < n; ++i) {
    out[i] = Word(t.cubeRed[src[i]], t.cubeGreen[src[i]], t.cubeBlue[src[i]]);
  }
}

void StoreCube(const std::uint32_t* px, std::uint32_t n, Place at, const DecoderTables& t,
               std::uint8_t* dst) {
  const std::int32_t* dither = t.dither[at.y % 16];
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::int32_t threshold = dither[(at.x + at.step * i) % 16];
    const auto level = [&](std::uint32_t c) {
      return t.cubeLevel[c] + (threshold < t.cubeResidue[c] ? 1 : 0);
    };
    const std::uint32_t w = px[i];
    dst[i] = static_cast<std::uint8_t>(26 + level(Red(w)) + 6 * level(Green(w)) +
                                       36 * level(Blue(w)));
  }
}

}  // namespace

extern const WordLayouts kWordLayoutsPlain{
    {2, Load555, Store555, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {1, Load332, Store332, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {1, LoadCube, StoreCube, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}};

}  // namespace kvtc::pixels::output
