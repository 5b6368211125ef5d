// Shared fixtures for the pixel tests: the tables the converters read, a codec context, and
// test pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "pixels/decoder_tables.h"
#include "pixels/encoder_tables.h"
#include "stream/arithmetic_tables.h"
#include "stream/codec_context.h"

namespace kvtc::pixels::testing {

// Every table the input and output converters read, built for one gamma and width.
struct Tables {
  stream::ArithmeticTables arithmetic;
  EncoderColourTables colour;
  DecoderTables decoder;

  explicit Tables(double gamma = 1.0, std::uint32_t width = 640) {
    EXPECT_TRUE(stream::EnsureSumTables(arithmetic));
    EXPECT_TRUE(stream::EnsureInputScaleTable(arithmetic));
    EXPECT_TRUE(BuildEncoderTables(colour, arithmetic));
    EXPECT_TRUE(BuildDecoderTables(decoder, arithmetic, gamma, width));
  }
};

struct ContextDeleter {
  void operator()(stream::CodecContext* c) const { stream::FreeContext(c); }
};
using ContextPtr = std::unique_ptr<stream::CodecContext, ContextDeleter>;

// A fresh context with the encoder's colour tables built, as at a stream's start.
inline ContextPtr MakeEncoderContext() {
  ContextPtr ctx(stream::CreateContext());
  EXPECT_TRUE(ctx && BuildEncoderTables(ctx->encoderColour, ctx->tables));
  ctx->compBits[0] = ctx->compBits[1] = ctx->compBits[2] = 8;
  ctx->compCount = 3;
  return ctx;
}

// Deterministic pseudo-random bytes.
inline std::vector<std::uint8_t> NoiseBytes(std::size_t count, std::uint32_t seed = 1) {
  std::vector<std::uint8_t> bytes(count);
  for (auto& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(seed >> 24);
  }
  return bytes;
}

// A smooth picture of `bytesPerPixel`-byte pixels: each channel a ramp across the picture in
// its own direction.
inline std::vector<std::uint8_t> GradientBytes(std::uint32_t w, std::uint32_t h,
                                               std::uint32_t bytesPerPixel) {
  std::vector<std::uint8_t> bytes(std::size_t{w} * h * bytesPerPixel);
  const std::uint32_t xs = w > 1 ? w - 1 : 1;
  const std::uint32_t ys = h > 1 ? h - 1 : 1;
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      for (std::uint32_t c = 0; c < bytesPerPixel; ++c) {
        const std::uint32_t wx = c % 3 + 1, wy = 3 - c % 3;
        const std::uint32_t across = c == 1 ? (xs - x) * 255 / xs : x * 255 / xs;
        bytes[(std::size_t{y} * w + x) * bytesPerPixel + c] =
            static_cast<std::uint8_t>((across * wx + y * 255 / ys * wy) / (wx + wy));
      }
    }
  }
  return bytes;
}

}  // namespace kvtc::pixels::testing
