// A stream coded with EncodeFrame and decoded, frame by frame, by the decoder's block walker
// and picture finishing as a colour display decodes it: the two pictures are compared after
// every frame.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "decoder/block_walker.h"
#include "encoder/encode_frame.h"
#include "pixels/pixel_format.h"
#include "settings/settings_record.h"
#include "stream/codec_context.h"
#include "stream/frame_format.h"
#include "stream/picture_finishing.h"

namespace kvtc::testing {

struct ContextDeleter {
  void operator()(stream::CodecContext* c) const { stream::FreeContext(c); }
};
using ContextPtr = std::unique_ptr<stream::CodecContext, ContextDeleter>;

struct StreamSettings {
  std::uint32_t width = 64, height = 48;
  std::uint8_t code = pixels::kRgb24;
  std::uint8_t threshold = 8, radius = 4, period = 0, keyInterval = 0;
  bool losslessLuma = false, losslessChroma = false, grey = false;
  bool median = false, smooth = false;
  std::uint8_t decimation = 0;

  std::string Describe() const {
    return "code " + std::to_string(code) + " T " + std::to_string(threshold) + " R " +
           std::to_string(radius) + " P " + std::to_string(period) + " K " +
           std::to_string(keyInterval) + " LL " + std::to_string(losslessLuma) + " LC " +
           std::to_string(losslessChroma) + " grey " + std::to_string(grey) + " med " +
           std::to_string(median) + " smooth " + std::to_string(smooth) + " dec " +
           std::to_string(decimation) + " " + std::to_string(width) + "x" + std::to_string(height);
  }
};

class RoundTrip {
 public:
  explicit RoundTrip(const StreamSettings& s) : s_(s), context_(stream::CreateContext()) {
    record_ = settings::PresetRecord(settings::Preset::Lan);
    record_.dwWidth = s.width;
    record_.dwHeight = s.height;
    record_.bThreshold = s.threshold;
    record_.bSearchRadius = s.radius;
    record_.bRefreshPeriod = s.period;
    record_.bKeyInterval = s.keyInterval;
    record_.bLosslessLuma = s.losslessLuma;
    record_.bLosslessChroma = s.losslessChroma;
    record_.bDecimation = s.decimation;
    record_.bForceKey = 0;
    record_.bFlags = s.grey ? settings::SF_SENDGRAY : 0;
    stream::CodecContext& c = *context_;
    c.inputFormat = s.code;
    c.threshold = s.threshold;
    c.median = s.median;
    c.smoothing = s.smooth;
    const bool sixBitGrey = s.code == pixels::kBitFields;
    for (int i = 0; i < 3; ++i) c.compBits[i] = sixBitGrey ? (i == 0 ? 6 : 0) : 8;
    c.compCount = sixBitGrey ? 1 : 3;
    c.paletteY.Allocate(256);
    c.paletteU.Allocate(256);
    c.paletteV.Allocate(256);
    for (int i = 0; i < 256; ++i) {
      c.paletteY[i] = static_cast<std::uint8_t>(i * 215 / 255);
      c.paletteU[i] = static_cast<std::uint8_t>(128 + (i % 64) - 32);
      c.paletteV[i] = static_cast<std::uint8_t>(255 - i);
    }
    stream::EnsureSumTables(tables_);
    output_.resize(std::size_t{s.width} * s.height * 3 / 2);
  }

  stream::CodecContext& context() { return *context_; }
  settings::SettingsRecord& record() { return record_; }
  const std::vector<std::uint8_t>& frame() const { return frame_; }
  const stream::FrameHeader& header() const { return header_; }
  const encoder::EncodedFrame& result() const { return result_; }
  std::vector<std::uint8_t>& output() { return output_; }

  // Codes one frame, decodes it, and checks both pictures and the frame's limits.
  void Step(std::span<const std::uint8_t> input) {
    ASSERT_EQ(encoder::EncodeFrame(*context_, record_, input, output_, result_), ICERR_OK);
    frame_.assign(output_.begin(), output_.begin() + result_.size);
    ASSERT_LE(result_.size, output_.size());
    const auto header = stream::ParseFrameHeader(frame_);
    ASSERT_TRUE(header);
    header_ = *header;
    EXPECT_TRUE(stream::ChecksumMatches(header_));
    EXPECT_LE(header_.samples.size(), 65535u);
    EXPECT_LE(header_.blockBits.size(), 65535u);
    EXPECT_LE(header_.refinementBits.size(), 65535u);
    EXPECT_EQ(header_.key(), result_.key);
    Decode();
    ComparePictures();
    ++frames_;
  }

  // The decoder of a colour display: planes of 128, the map cleared for every non-key frame,
  // the blocks walked, the picture finished, the reference kept.
  void Decode() {
    const stream::EncoderState& e = context_->enc;
    if (current_.empty()) {
      current_.assign(e.geometry.planeSetSize, 128);
      reference_ = current_;
      map_.assign(e.geometry.mapSize, 0);
    }
    if (!header_.key()) std::fill(map_.begin(), map_.end(), 0);
    ASSERT_EQ(decoder::DecodeBlocks({header_, e.geometry, e.offsets, tables_, current_,
                                     reference_, map_, true}),
              decoder::WalkResult::kDecoded);
    stream::FinishPicture({e.geometry, tables_, current_, map_, header_.key(), header_.grey(),
                           header_.losslessLuma(), header_.losslessChroma(), pixels::kRgb24,
                           false});
    reference_ = current_;
  }

  // The decoder's planes against the encoder's reconstruction: luma everywhere with lossless
  // luma and at the representatives without it, chroma everywhere (both sides fill it in).
  void ComparePictures() {
    const stream::EncoderState& e = context_->enc;
    const stream::PlaneGeometry& g = e.geometry;
    const int step = header_.losslessLuma() ? 1 : 2;
    int mismatches = 0;
    for (std::uint32_t r = 0; r <= g.height; r += step) {
      for (std::uint32_t c = 0; c <= g.width; c += step) {
        const std::size_t at = r * g.lumaStride + c;
        if (e.reference[at] != current_[at] && ++mismatches <= 3) {
          ADD_FAILURE() << s_.Describe() << " frame " << frames_ << " luma (" << r << "," << c
                        << ") encoder " << int(e.reference[at]) << " decoder " << int(current_[at]);
        }
      }
    }
    for (std::size_t at = g.uOffset; at < g.vOffset + g.chromaStride * g.chromaRows; ++at) {
      if (e.reference[at] != current_[at] && ++mismatches <= 6) {
        ADD_FAILURE() << s_.Describe() << " frame " << frames_ << " chroma at " << at - g.uOffset
                      << " encoder " << int(e.reference[at]) << " decoder " << int(current_[at]);
      }
    }
  }

  // Whether the decoded luma follows the converted input within the threshold the frame was
  // coded with, wherever the stream carries luma (a 4-bit literal may sit up to 16 below).
  void ExpectFollowsInput() {
    if (result_.skipped != 0) return;
    const stream::EncoderState& e = context_->enc;
    const stream::PlaneGeometry& g = e.geometry;
    const int step = header_.losslessLuma() ? 1 : 2;
    const int tolerance = static_cast<int>(result_.threshold) + (header_.packed() ? 16 : 0);
    int misses = 0;
    for (std::uint32_t r = step; r <= 8 * g.blocksDown; r += step) {
      for (std::uint32_t c = step; c <= 8 * g.blocksAcross; c += step) {
        const std::size_t at = r * g.lumaStride + c;
        if (std::abs(current_[at] - e.current[at]) > tolerance && ++misses <= 3) {
          ADD_FAILURE() << s_.Describe() << " frame " << frames_ << " (" << r << "," << c
                        << ") input " << int(e.current[at]) << " decoded " << int(current_[at]);
        }
      }
    }
  }

 private:
  StreamSettings s_;
  ContextPtr context_;
  settings::SettingsRecord record_{};
  stream::ArithmeticTables tables_;
  std::vector<std::uint8_t> output_, frame_;
  std::vector<std::uint8_t> current_, reference_, map_;
  stream::FrameHeader header_;
  encoder::EncodedFrame result_;
  int frames_ = 0;
};

}  // namespace kvtc::testing
