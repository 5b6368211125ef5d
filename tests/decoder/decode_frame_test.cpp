#include "decoder/decode_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decoder/error_log.h"
#include "frame_fixture.h"
#include "pixels/pixel_fixtures.h"
#include "platform/system_services.h"
#include "support/host.h"

namespace kvtc::decoder {
namespace {

using stream::kFlagGrey;
using stream::kFlagKey;
using stream::kFlagLosslessLuma;
using stream::kFlagPacked;

// A key frame of `blocks` blocks that sends every sample it codes as a literal: luma y (rising
// by `rise` from literal to literal), chroma u and v (none when the flags make the frame grey).
Bytes UniformKeyFrame(int blocks, std::uint8_t y, std::uint8_t u = 128, std::uint8_t v = 128,
                      std::uint8_t flags = 0, int rise = 0) {
  FrameBuilder f(kFlagKey | flags);
  const auto next = [&] { return y = static_cast<std::uint8_t>(y + rise), y; };
  const bool lossless = flags & kFlagLosslessLuma;
  for (int b = 0; b < blocks; ++b) {
    f.L(next()).L(next()).L(next()).L(next());  // the quadrant corners
    if (!(flags & (kFlagGrey | kFlagPacked))) {
      for (std::uint8_t c : {u, v}) f.L(c).RL(c).RL(c).RL(c);
    }
    for (int q = 0; q < 4; ++q) {
      f.RL(next()).RL(next()).RL(next());
      if (lossless) {
        f.B(1).B(0xF, 4);  // detail, and all four cells in detail
        for (int i = 0; i < 12; ++i) f.RL(next());
      }
    }
  }
  return f.Build();
}

// A frame in which no block changed.
Bytes StillFrame(int blocks) { return FrameBuilder(0).B(0, blocks).Build(); }

Bytes WithBadChecksum(Bytes frame) { return frame.back() ^= 0x5A, frame; }

Bytes Repeat(const Bytes& pattern, std::size_t bytes) {
  Bytes out;
  while (out.size() < bytes) out.insert(out.end(), pattern.begin(), pattern.end());
  return out.resize(bytes), out;
}

class DecodeFrameTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::CloseErrorLog(); }
  void TearDown() override { testing::CloseErrorLog(); }

  // A fresh stream of w x h pictures shown in `code`, into a bitmap of `bytes` bytes.
  void Open(std::uint32_t w, std::uint32_t h, std::uint8_t code, std::size_t bytes) {
    context_.reset(stream::CreateContext());
    settings_.bFlags = 0;
    settings_.dwWidth = w;
    settings_.dwHeight = h;
    context_->outputFormat = code;
    picture_.assign(bytes, kUntouched);
  }
  DecodeOutcome Decode(const Bytes& frame) {
    const std::uint8_t code = context_->outputFormat;
    const DecodeOutcome outcome = DecodeFrame(*context_, settings_, frame, picture_);
    context_->outputFormat = code;  // as the frame entry sets it before every frame
    return outcome;
  }
  std::string Log() const {
    const auto bytes = kvtc::testing::ReadFileBytes(dir_.File("KVTC.err"));
    return {bytes.begin(), bytes.end()};
  }
  bool PlanesAreTheReference() const {
    return std::ranges::equal(context_->dec.current.span(), context_->dec.reference.span());
  }

  static constexpr std::uint8_t kUntouched = 0xEE;
  kvtc::testing::ScopedSystemDir dir_;
  settings::SettingsRecord settings_ = settings::PresetRecord(settings::Preset::Lan);
  pixels::testing::ContextPtr context_;
  Bytes picture_;
};

TEST_F(DecodeFrameTest, GreyFramesAndGreyDisplayShowLumaOnly) {
  struct Case {
    std::uint8_t flags;
    bool showGrey;
    std::uint8_t code;
    std::uint8_t y;
    Bytes pattern;
    std::size_t bytes;
  };
  const Case cases[] = {
      {kFlagGrey, false, 8, 100, {126}, 64},  // the colour cube shows as 8-bit grey: luma + 26
      {kFlagPacked, false, 5, 102, {128}, 64},  // 4-bit literals, level 6 of 15
      {kFlagGrey, false, 2, 100, {119, 119, 119}, 192},
      {kFlagGrey, false, 0, 100, {100, 128, 100, 128}, 128},  // the whole 4:2:2 picture
      {0, true, 2, 100, {119, 119, 119}, 192},
      {0, true, 8, 100, {126}, 64},
  };
  for (const Case& c : cases) {
    Open(16, 8, c.code, 2 * c.bytes);
    if (c.showGrey) settings_.bFlags |= settings::SF_SHOWGRAY;
    ASSERT_EQ(Decode(UniformKeyFrame(2, c.y, 100, 160, c.flags)), DecodeOutcome::kDecoded);
    EXPECT_EQ(picture_, Repeat(c.pattern, 2 * c.bytes)) << "code " << int(c.code);
    const auto& d = context_->dec;  // a colour frame's chroma planes are decoded all the same
    EXPECT_TRUE(!c.showGrey || d.current[d.geometry.vOffset + 4 * d.geometry.chromaStride + 8] == 160);
  }
}

// A frame that touches no block is not finished and converted like others; it must leave the
// planes, the reference and the picture as a frame that touches a block and changes nothing,
// whatever flags the key frame before it had.
TEST_F(DecodeFrameTest, AFrameTouchingNoBlockEndsAsOneThatChangesNothing) {
  for (const std::uint8_t keyFlags : {std::uint8_t{0}, kFlagLosslessLuma}) {
    for (const std::uint8_t code : {2, 3, 8}) {
      std::vector<Bytes> ends;
      for (const Bytes& frame : {StillFrame(2), FrameBuilder(0).B(1).B(0, 4).B(0).Build()}) {
        Open(16, 8, code, 1024);
        ASSERT_EQ(Decode(UniformKeyFrame(2, 20, 90, 170, keyFlags, 7)), DecodeOutcome::kDecoded);
        ASSERT_EQ(Decode(frame), DecodeOutcome::kDecoded);
        EXPECT_TRUE(PlanesAreTheReference());
        ends.push_back(picture_);
        ends.emplace_back(context_->dec.current.begin(), context_->dec.current.end());
      }
      EXPECT_EQ(ends[0], ends[2]) << "code " << int(code) << " flags " << int(keyFlags);
      EXPECT_EQ(ends[1], ends[3]) << "code " << int(code) << " flags " << int(keyFlags);
    }
  }
}

TEST_F(DecodeFrameTest, ChecksumFailuresAreLoggedAndLeaveTheLastGoodPicture) {
  Open(8, 8, 11, 64);
  EXPECT_EQ(Decode(WithBadChecksum(UniformKeyFrame(1, 100))), DecodeOutcome::kChecksumFailed);
  EXPECT_EQ(picture_, Bytes(64, kUntouched));
  EXPECT_EQ(Decode(UniformKeyFrame(1, 100)), DecodeOutcome::kDecoded);
  EXPECT_EQ(picture_, Bytes(64, 126));
  picture_.assign(64, kUntouched);
  EXPECT_EQ(Decode(WithBadChecksum(UniformKeyFrame(1, 50))), DecodeOutcome::kChecksumFailed);
  EXPECT_EQ(picture_, Bytes(64, kUntouched));
  // 8-bit grey converts the whole picture from the planes: still the frame before.
  EXPECT_EQ(Decode(StillFrame(1)), DecodeOutcome::kDecoded);
  EXPECT_EQ(picture_, Bytes(64, 126));
  EXPECT_EQ(Log(),
            "ERROR: failed to pass checksum for frame 0\n"
            "ERROR: failed to pass checksum for frame 2\n");
  EXPECT_EQ(context_->dec.frameCounter, 4u);
}

TEST_F(DecodeFrameTest, DamagedFramesAreRejectedLikeChecksumFailures) {
  Bytes overrunning = StillFrame(4);
  overrunning[1] = overrunning[2] = 0xFF;  // L1 far beyond the frame
  FrameBuilder vector(stream::kFlagSearchRadius, 0, 16);
  vector.B(1).B(0b111, 3).B(0, 12).B(0);  // block 0 moved up and left by 32: off the planes
  const Bytes cases[] = {
      {0x00},                        // no lengths at all
      overrunning,
      vector.Build(),
      UniformKeyFrame(2, 50),        // a frame for a smaller picture runs out of samples
  };
  Open(32, 8, 11, 256);
  ASSERT_EQ(Decode(UniformKeyFrame(4, 100)), DecodeOutcome::kDecoded);
  std::uint32_t frame = 1;
  std::string log;
  for (const Bytes& bad : cases) {
    picture_.assign(256, kUntouched);
    EXPECT_EQ(Decode(bad), DecodeOutcome::kDamaged) << "frame " << frame;
    EXPECT_EQ(picture_, Bytes(256, kUntouched)) << "frame " << frame;
    EXPECT_TRUE(PlanesAreTheReference()) << "frame " << frame;
    log += "ERROR: damaged frame " + std::to_string(frame++) + "\n";
  }
  EXPECT_EQ(Decode(StillFrame(4)), DecodeOutcome::kDecoded);
  EXPECT_EQ(picture_, Bytes(256, 126));
  EXPECT_EQ(Log(), log);
  // A frame for a larger picture decodes its first blocks and leaves the rest unread.
  EXPECT_EQ(Decode(UniformKeyFrame(6, 90)), DecodeOutcome::kDecoded);
  EXPECT_EQ(picture_, Bytes(256, 116));
  // So does a packed frame with the largest sample section a frame can carry.
  FrameBuilder packed(kFlagKey | kFlagPacked);
  for (int i = 0; i < 4 * 4; ++i) packed.L(102);
  for (int i = 0; i < 4 * 4 * 3; ++i) packed.RL(102);
  for (int i = 4 * 16; i < 2 * 65535; ++i) packed.L(102);
  EXPECT_EQ(Decode(packed.Build()), DecodeOutcome::kDecoded);
  EXPECT_EQ(picture_, Bytes(256, 128));
}

TEST_F(DecodeFrameTest, InterpolationShowsTheInBetweenPicturesThenTheDecodedOne) {
  struct Case {
    std::uint8_t level, mode, code, luma;
    std::vector<int> shown;  // after key frames of luma 100 and `luma`, more calls, luma 100
  };
  const Case cases[] = {
      {2, 0, 11, 200, {126, 151, 176, 201, 226, 201}},
      {1, 0, 11, 200, {126, 176, 226, 176}},
      {1, 2, 11, 200, {126, 176, 226, 176}},  // zoomed, from the scratch picture
      // 4-bit grey blends each pixel's nibble: 10 and 15 meet at 13, not at byte 0xD5.
      {1, 0, 12, 0, {0xAA, 0xDD, 0xFF, 0xDD}},
  };
  for (const Case& c : cases) {
    const std::size_t bytes = (c.code == 12 ? 32 : 64) * std::max(c.mode * c.mode, 1);
    Open(8, 8, c.code, bytes);
    context_->variantLevel = c.level;
    context_->decoderMode = c.mode;
    const Bytes notDecoded = WithBadChecksum(UniformKeyFrame(1, 10));
    const std::size_t calls = c.shown.size();
    for (std::size_t call = 0; call < calls; ++call) {
      const bool decodes = call < 2 || call == calls - 1;
      const Bytes frame = !decodes ? notDecoded : UniformKeyFrame(1, call == 1 ? c.luma : 100);
      EXPECT_EQ(Decode(frame), decodes ? DecodeOutcome::kDecoded : DecodeOutcome::kInterpolated);
      EXPECT_EQ(picture_, Bytes(bytes, static_cast<std::uint8_t>(c.shown[call])))
          << "level " << int(c.level) << " mode " << int(c.mode) << " code " << int(c.code)
          << " call " << call;
    }
    EXPECT_EQ(context_->dec.frameCounter, 3u);
    EXPECT_EQ(Log(), "");
  }
}

TEST_F(DecodeFrameTest, APictureThatDoesNotFitIsNotWrittenButTheStreamGoesOn) {
  Open(8, 8, 2, 191);
  EXPECT_EQ(Decode(UniformKeyFrame(1, 100)), DecodeOutcome::kDestinationTooSmall);
  EXPECT_EQ(picture_, Bytes(191, kUntouched));
  context_->decoderMode = 2;
  picture_.assign(4 * 192 - 1, kUntouched);
  EXPECT_EQ(Decode(StillFrame(1)), DecodeOutcome::kDestinationTooSmall);
  EXPECT_EQ(picture_, Bytes(4 * 192 - 1, kUntouched));
  picture_.assign(4 * 192, kUntouched);
  EXPECT_EQ(Decode(StillFrame(1)), DecodeOutcome::kDecoded);
  EXPECT_EQ(picture_, Repeat({119, 119, 119}, 4 * 192));
}

TEST_F(DecodeFrameTest, EmptyMissingAndUnusableInputChangesNothing) {
  Open(8, 8, 2, 192);
  platform::testing::ClearCalls();
  EXPECT_EQ(DecodeFrame(*context_, settings_, std::span(picture_).first(0), picture_),
            DecodeOutcome::kEmptyFrame);
  const auto boxes = platform::testing::MessageBoxCalls();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Wrong DIB Size: compressedDataSize = 0 encountered");
  EXPECT_EQ(boxes[0].caption, "KVT Decoder");
  EXPECT_TRUE(boxes[0].owner == nullptr && boxes[0].type == MB_OK);
  const Bytes frame = UniformKeyFrame(1, 100);
  EXPECT_EQ(DecodeFrame(*context_, settings_, {}, picture_), DecodeOutcome::kNoInput);
  EXPECT_EQ(DecodeFrame(*context_, settings_, frame, {}), DecodeOutcome::kNoInput);
  settings_.dwWidth = 8193;
  EXPECT_EQ(Decode(frame), DecodeOutcome::kUnsupportedPicture);
  settings_.dwWidth = 8;
  platform::testing::FailAllocationsAfter(2);
  EXPECT_EQ(Decode(frame), DecodeOutcome::kOutOfMemory);
  platform::testing::FailAllocationsAfter(-1);
  EXPECT_EQ(context_->dec.frameCounter, 0u);
  EXPECT_EQ(picture_, Bytes(192, kUntouched));
  EXPECT_EQ(Decode(frame), DecodeOutcome::kDecoded);  // the stream starts at the next frame
}

}  // namespace
}  // namespace kvtc::decoder
