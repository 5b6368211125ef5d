// Shared fixtures for the pixel tests: the tables the converters read, a codec context, and
// test pictures.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "pixels/decoder_tables.h"
#include "pixels/encoder_tables.h"
#include "stream/codec_context.h"

namespace kvtc::pixels::testing {

// Every table the input and output converters and the finishing kernels read, built for one
// gamma.
struct Tables {
  stream::ArithmeticTables arithmetic;
  EncoderColourTables colour;
  DecoderTables decoder;

  explicit Tables(double gamma = 1.0) {
    EXPECT_TRUE(stream::EnsureSumTables(arithmetic) && stream::EnsureInputScaleTable(arithmetic) &&
                stream::EnsureTripleTable(arithmetic) && stream::EnsureSharpenTables(arithmetic) &&
                BuildEncoderTables(colour, arithmetic) &&
                BuildDecoderTables(decoder, arithmetic, gamma, 640));
  }
};

inline const Tables& SharedTables() {
  static const Tables tables;
  return tables;
}

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

// The rounding of every colour coefficient: to nearest, halves away from zero, and anything
// between -1 and 0 to 0.
inline int Rounded(double x) {
  return static_cast<int>(std::trunc(x) >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5));
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

}  // namespace kvtc::pixels::testing
