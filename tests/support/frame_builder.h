// Building compressed frames by hand for tests, with the codec's own bit and byte writers:
// a test says which B-bits, R-bits and literals a frame carries, in syntax order.
#pragma once

#include <cstdint>
#include <vector>

#include "stream/bit_writer.h"
#include "stream/byte_writer.h"
#include "stream/frame_format.h"

namespace kvtc::testing {

class FrameBuilder {
 public:
  explicit FrameBuilder(std::uint8_t flags, std::uint8_t period = 0, std::uint8_t radius = 0,
                        std::uint8_t phase = 0)
      : flags_(flags), period_(period), radius_(radius), phase_(phase) {}
  FrameBuilder(const FrameBuilder&) = delete;
  FrameBuilder& operator=(const FrameBuilder&) = delete;

  FrameBuilder& B(std::uint32_t bits, std::uint32_t count = 1) {
    blockBits_.WriteBits(bits, count);
    return *this;
  }
  FrameBuilder& R(bool bit) {
    refinementBits_.WriteBit(bit);
    return *this;
  }
  FrameBuilder& L(std::uint8_t literal) {
    literals_.push_back(literal);
    return *this;
  }
  FrameBuilder& RL(std::uint8_t literal) { return R(true).L(literal); }  // flagged literal
  // n R-bits of 0.
  FrameBuilder& Zeros(int n) {
    for (int i = 0; i < n; ++i) R(false);
    return *this;
  }

  std::vector<std::uint8_t> Build() const {
    std::vector<std::uint8_t> samples;
    if (flags_ & stream::kFlagPacked) {  // two levels per byte, the first in the high nibble
      for (std::size_t i = 0; i < literals_.size(); i += 2) {
        const int low = i + 1 < literals_.size() ? 15 - literals_[i + 1] / 17 : 0;
        samples.push_back(static_cast<std::uint8_t>((15 - literals_[i] / 17) << 4 | low));
      }
    } else {
      samples = literals_;
    }
    std::vector<std::uint8_t> frame(samples.size() + blockBuffer_.size() +
                                    refinementBuffer_.size() + 16);
    stream::ByteWriter out{frame};
    stream::WriteFrameHeader(out, flags_, period_, radius_, phase_);
    stream::WriteSampleSection(out, samples);
    stream::WriteFrameTail(out, blockBits_.Written(), refinementBits_.Written());
    frame.resize(out.position);
    return frame;
  }

 private:
  std::uint8_t flags_, period_, radius_, phase_;
  std::vector<std::uint8_t> literals_;
  std::vector<std::uint8_t> blockBuffer_ = std::vector<std::uint8_t>(4096);
  std::vector<std::uint8_t> refinementBuffer_ = std::vector<std::uint8_t>(4096);
  stream::BitWriter blockBits_{blockBuffer_};
  stream::BitWriter refinementBits_{refinementBuffer_};
};

}  // namespace kvtc::testing
