// Hand-built frames and the decoder planes they are walked over. A FrameBuilder takes a
// frame's B-bits, R-bits and literals in syntax order and assembles it with the codec's own
// writers; a WalkerFixture holds a reference picture and a current plane set that starts as
// its copy, as at the start of every frame.
#pragma once

#include <cstdint>
#include <vector>

#include "decoder/block_walker.h"
#include "stream/bit_writer.h"
#include "stream/frame_format.h"

namespace kvtc::decoder {

using Bytes = std::vector<std::uint8_t>;

inline int Avg(int a, int b) { return (a + b + 1) >> 1; }

class FrameBuilder {
 public:
  explicit FrameBuilder(std::uint8_t flags, std::uint8_t period = 0, std::uint8_t radius = 0,
                        std::uint8_t phase = 0)
      : flags_(flags), period_(period), radius_(radius), phase_(phase) {}
  FrameBuilder(const FrameBuilder&) = delete;

  FrameBuilder& B(std::uint32_t bits, std::uint32_t count = 1) {
    return blocks_.WriteBits(bits, count), *this;
  }
  FrameBuilder& R(bool bit) { return refinement_.WriteBit(bit), *this; }
  FrameBuilder& L(std::uint8_t literal) { return literals_.push_back(literal), *this; }
  FrameBuilder& RL(std::uint8_t literal) { return R(true).L(literal); }  // a flagged literal
  FrameBuilder& Zeros(int n) { return refinement_.WriteBits(0, n), *this; }

  Bytes Build() const {
    Bytes samples = literals_, frame(literals_.size() + 2 * kBuffer + 16);
    if (flags_ & stream::kFlagPacked) {  // two levels a byte, the earlier in the high nibble
      samples.clear();
      for (std::size_t i = 0; i < literals_.size(); i += 2) {
        const int low = i + 1 < literals_.size() ? 15 - literals_[i + 1] / 17 : 0;
        samples.push_back(static_cast<std::uint8_t>((15 - literals_[i] / 17) << 4 | low));
      }
    }
    stream::ByteWriter out{frame};
    stream::WriteFrameHeader(out, flags_, period_, radius_, phase_);
    stream::WriteSampleSection(out, samples);
    stream::WriteFrameTail(out, blocks_.Written(), refinement_.Written());
    frame.resize(out.position);
    return frame;
  }

 private:
  static constexpr std::size_t kBuffer = 4096;
  std::uint8_t flags_, period_, radius_, phase_;
  Bytes literals_, blockBuffer_ = Bytes(kBuffer), refinementBuffer_ = Bytes(kBuffer);
  stream::BitWriter blocks_{blockBuffer_}, refinement_{refinementBuffer_};
};

struct WalkerFixture {
  stream::PlaneGeometry g;
  stream::BlockOffsets offsets;
  stream::ArithmeticTables tables;
  Bytes reference, current, map;

  // flat < 0: a pattern that differs from sample to sample; otherwise every sample is `flat`.
  WalkerFixture(std::uint32_t w, std::uint32_t h, int flat = -1)
      : g(stream::ComputePlaneGeometry(w, h, 0)),
        offsets(stream::ComputeBlockOffsets(g)),
        reference(g.planeSetSize),
        map(g.mapSize) {
    stream::EnsureSumTables(tables);
    for (std::uint32_t i = 0; i < g.planeSetSize; ++i)
      reference[i] = static_cast<std::uint8_t>(flat >= 0 ? flat : (i * 37 + (i >> 4) * 11) & 255);
    current = reference;
  }
  WalkResult Decode(const Bytes& frame) {
    const auto header = stream::ParseFrameHeader(frame);
    if (!header) return WalkResult::kDamaged;
    return DecodeBlocks({*header, g, offsets, tables, current, reference, map, true});
  }
  int Y(int r, int c) const { return current[r * g.lumaStride + c]; }
  int U(int r, int c) const { return current[g.uOffset + r * g.chromaStride + c]; }
  int V(int r, int c) const { return current[g.vOffset + r * g.chromaStride + c]; }
  int RefY(int r, int c) const { return reference[r * g.lumaStride + c]; }
  int RefU(int r, int c) const { return reference[g.uOffset + r * g.chromaStride + c]; }
};

}  // namespace kvtc::decoder
