// A stream coded with EncodeFrame and decoded, frame by frame, by the frame decoder as a host
// showing 24-bit colour decodes it, the decoder's planes compared with the encoder's
// reconstruction after every frame.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "decoder/decode_frame.h"
#include "encoder/encode_frame.h"
#include "pixels/pixel_format.h"
#include "stream/frame_format.h"

namespace kvtc::testing {

struct StreamSettings {
  std::uint32_t width = 64, height = 48;
  std::uint8_t code = pixels::kRgb24, threshold = 8, radius = 4, period = 0, keyInterval = 0;
  bool losslessLuma = false, losslessChroma = false, grey = false, median = false,
       smooth = false;
  std::uint8_t decimation = 0;
  bool chromaChange = false;
  std::size_t frameBytes = 0;  // the room a frame is given; 0: the 12 bits a pixel promised

  std::string Describe() const {
    char text[160];
    std::snprintf(text, sizeof text, "%ux%u code %d T %d R %d P %d K %d LL %d LC %d grey %d "
                  "median %d smooth %d decimation %d colour %d", width, height, code, threshold,
                  radius, period, keyInterval, losslessLuma, losslessChroma, grey, median, smooth,
                  decimation, chromaChange);
    return text;
  }
};

class RoundTrip {
 public:
  explicit RoundTrip(const StreamSettings& s)
      : s_(s), output_(s.frameBytes ? s.frameBytes : std::size_t{s.width} * s.height * 3 / 2) {
    record_ = settings::PresetRecord(settings::Preset::Lan);
    record_.dwWidth = s.width;
    record_.dwHeight = s.height;
    record_.bSearchRadius = s.radius;
    record_.bRefreshPeriod = s.period;
    record_.bKeyInterval = s.keyInterval;
    record_.bLosslessLuma = s.losslessLuma;
    record_.bLosslessChroma = s.losslessChroma;
    record_.bDecimation = s.decimation;
    record_.bFlags = (s.grey ? settings::SF_SENDGRAY : 0) |
                     (s.chromaChange ? settings::SF_CHROMACHANGE : 0);
    stream::CodecContext& c = *context_;
    c.inputFormat = s.code;
    c.threshold = s.threshold;
    c.median = s.median;
    c.smoothing = s.smooth;
    const bool sixBit = s.code == pixels::kBitFields;  // 6-bit grey: one 6-bit component
    record_.bCompBits[0] = sixBit ? 6 : 8;
    record_.bCompBits[1] = record_.bCompBits[2] = sixBit ? 0 : 8;
    record_.bCompCount = sixBit ? 1 : 3;
    for (auto* table : {&c.paletteY, &c.paletteU, &c.paletteV}) table->Allocate(256);
    for (int i = 0; i < 256; ++i) {
      c.paletteY[i] = static_cast<std::uint8_t>(i * 215 / 255);
      c.paletteU[i] = static_cast<std::uint8_t>(96 + i % 64);
      c.paletteV[i] = static_cast<std::uint8_t>(255 - i);
    }
  }

  stream::CodecContext& context() { return *context_; }
  settings::SettingsRecord& record() { return record_; }
  const stream::FrameHeader& header() const { return header_; }
  const encoder::EncodedFrame& result() const { return result_; }
  std::size_t outputSize() const { return output_.size(); }

  // Codes one frame, checks its limits, decodes it and compares the pictures.
  void Step(std::span<const std::uint8_t> input) {
    ASSERT_EQ(encoder::EncodeFrame(*context_, record_, input, output_, result_), ICERR_OK);
    ASSERT_LE(result_.size, output_.size());
    frame_.assign(output_.begin(), output_.begin() + result_.size);
    const auto header = stream::ParseFrameHeader(frame_);
    ASSERT_TRUE(header);
    header_ = *header;
    EXPECT_TRUE(stream::ChecksumMatches(header_));
    EXPECT_LE(header_.samples.size(), 65535u);
    EXPECT_LE(header_.blockBits.size(), 65535u);
    EXPECT_LE(header_.refinementBits.size(), 65535u);
    EXPECT_EQ(header_.key(), result_.key);

    if (picture_.empty()) {  // a new decoder, of the encoder's decimation
      decoded_->decimation = context_->enc.decimation;
      decoderRecord_ = settings::PresetRecord(settings::Preset::Lan);
      decoderRecord_.dwWidth = s_.width;
      decoderRecord_.dwHeight = s_.height;
      decoderRecord_.bDecimation = context_->enc.decimation;
      decoderRecord_.bFlags = 0;
      picture_.resize(std::size_t{s_.width} * s_.height * 4 + 1);
    }
    decoded_->outputFormat = pixels::kRgb24;
    ASSERT_EQ(decoder::DecodeFrame(*decoded_, decoderRecord_, frame_, picture_),
              decoder::DecodeOutcome::kDecoded);
    // What the next frame is decoded against is what was shown, however little of it the
    // decoder copies.
    const stream::DecoderState& d = decoded_->dec;
    ASSERT_EQ(d.geometry.planeSetSize, context_->enc.geometry.planeSetSize);
    EXPECT_EQ(std::memcmp(d.current.data(), d.reference.data(), d.geometry.planeSetSize), 0)
        << s_.Describe() << " frame " << frames_;
    Compare(d.reference.data());
    ++frames_;
  }

  // The decoder's planes against the encoder's reconstruction: luma everywhere with lossless
  // luma and at the representatives (even rows and columns) without, chroma everywhere since
  // both sides fill it in. Then the decoded luma against the converted input, within the
  // threshold the frame was coded with (a 4-bit literal may sit up to 16 below), wherever the
  // stream carries luma, unless blocks were skipped for want of room; with colour-aware
  // detection, likewise the chroma wherever the stream carries it.
  void Compare(const std::uint8_t* decoded) {
    const stream::EncoderState& e = context_->enc;
    const stream::PlaneGeometry& g = e.geometry;
    const std::uint32_t step = header_.losslessLuma() ? 1 : 2;
    const int tolerance = static_cast<int>(result_.threshold) + (header_.packed() ? 16 : 0);
    int failures = 0;
    const auto fail = [&](const char* what, std::size_t at, int expected, int actual) {
      if (++failures <= 3) {
        ADD_FAILURE() << s_.Describe() << " frame " << frames_ << " " << what << " at " << at
                      << ": " << expected << " vs " << actual;
      }
    };
    for (std::uint32_t r = 0; r <= g.height; r += step) {
      for (std::uint32_t c = 0; c <= g.width; c += step) {
        const std::size_t at = r * g.lumaStride + c;
        if (e.reference[at] != decoded[at]) fail("luma", at, e.reference[at], decoded[at]);
        const bool coded = r >= step && c >= step && r <= 8 * g.blocksDown && c <= 8 * g.blocksAcross;
        if (coded && result_.skipped == 0 && e.unshownBlocks == 0 &&
            std::abs(decoded[at] - e.current[at]) > tolerance) {
          fail("input", at, e.current[at], decoded[at]);
        }
      }
    }
    const std::uint32_t chromaStep = header_.losslessChroma() ? 1 : 2;
    const bool chromaFollows = s_.chromaChange && !header_.grey() && result_.skipped == 0;
    for (std::size_t at = g.uOffset; at < g.planeSetSize - 2 * g.lumaStride; ++at) {
      if (e.reference[at] != decoded[at]) fail("chroma", at, e.reference[at], decoded[at]);
      const std::size_t r = (at - g.uOffset) / g.chromaStride % (g.chromaHeight + 1);
      const std::size_t c = (at - g.uOffset) % g.chromaStride;
      if (chromaFollows && r % chromaStep == 0 && c % chromaStep == 0 && r >= 1 && c >= 1 &&
          r <= 4 * g.blocksDown && std::abs(decoded[at] - e.current[at]) > tolerance) {
        fail("input chroma", at, e.current[at], decoded[at]);
      }
    }
  }

 private:
  struct ContextDeleter {
    void operator()(stream::CodecContext* c) const { stream::FreeContext(c); }
  };
  StreamSettings s_;
  std::unique_ptr<stream::CodecContext, ContextDeleter> context_{stream::CreateContext()};
  std::unique_ptr<stream::CodecContext, ContextDeleter> decoded_{stream::CreateContext()};
  settings::SettingsRecord record_{}, decoderRecord_{};
  std::vector<std::uint8_t> output_, frame_, picture_;
  stream::FrameHeader header_;
  encoder::EncodedFrame result_;
  int frames_ = 0;
};

}  // namespace kvtc::testing
