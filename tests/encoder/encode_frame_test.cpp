// EncodeFrame as a whole: the frame layouts the stream promises, what the caller's buffers
// go through, and the size policy when a frame cannot fit.
#include "encoder/encode_frame.h"

#include <gtest/gtest.h>

#include <bit>
#include <numeric>
#include <random>

#include "round_trip_fixture.h"
#include "support/guarded_buffer.h"
#include "synthetic_input.h"

namespace kvtc::testing {
namespace {

int Ones(std::span<const std::uint8_t> bytes) {
  int ones = 0;
  for (const std::uint8_t b : bytes) ones += std::popcount(b);
  return ones;
}

std::vector<std::uint8_t> Noise(std::size_t bytes, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> v(bytes);
  for (auto& b : v) b = static_cast<std::uint8_t>(random());
  return v;
}

TEST(EncodeFrame, UnchangedFrameIsOneZeroBitPerBlock) {
  StreamSettings s;
  s.period = 0;
  RoundTrip trip(s);
  SceneSource source(Scene::kText, s.width, s.height);
  const std::vector<std::uint8_t> input = source.Frame(s.code, 0);
  trip.Step(input);
  trip.Step(input);
  const stream::FrameHeader& h = trip.header();
  EXPECT_FALSE(h.key());
  EXPECT_EQ(h.samples.size(), 0u);
  EXPECT_EQ(h.blockBits.size(), (48u + 7) / 8);  // 8 x 6 blocks
  EXPECT_EQ(Ones(h.blockBits), 0);
  EXPECT_EQ(h.refinementBits.size(), 0u);
  EXPECT_EQ(h.checksum, 0);
  EXPECT_EQ(trip.result().size, h.headerSize + 2 + 2 + h.blockBits.size() + 1);
}

TEST(EncodeFrame, PhaseBytesRunThroughThePeriodAndRestartOnChange) {
  StreamSettings s;
  RoundTrip trip(s);
  SceneSource source(Scene::kMovingSquare, s.width, s.height);
  const std::uint8_t periods[] = {3, 3, 3, 3, 3, 5, 5, 5, 0, 3};
  const std::uint32_t phases[] = {0, 1, 2, 0, 1, 0, 1, 2, 0, 0};
  for (int f = 0; f < 10; ++f) {
    trip.record().bRefreshPeriod = periods[f];
    trip.Step(source.Frame(s.code, f));
    EXPECT_EQ(trip.header().refreshPeriod, periods[f]) << f;
    EXPECT_EQ(trip.header().refreshPhase, periods[f] != 0 ? phases[f] : 0) << f;
  }
}

TEST(EncodeFrame, GreyKeyFrameWithoutLosslessCostsTwelveRBitsPerBlock) {
  StreamSettings s;
  s.grey = true;
  s.radius = 0;
  RoundTrip trip(s);
  SceneSource source(Scene::kCameraNoise, s.width, s.height);
  trip.Step(source.Frame(s.code, 0));
  const stream::FrameHeader& h = trip.header();
  EXPECT_EQ(h.flags, stream::kFlagKey | stream::kFlagGrey);
  EXPECT_EQ(h.blockBits.size(), 0u);
  EXPECT_EQ(h.refinementBits.size(), 48u * 12 / 8);
  EXPECT_EQ(h.samples.size(), 48u * 4 + Ones(h.refinementBits));
}

TEST(EncodeFrame, FourBitInputIsPackedAndGrey) {
  StreamSettings s;
  s.code = pixels::kGrey4;
  s.radius = 0;
  RoundTrip trip(s);
  SceneSource source(Scene::kGradient, s.width, s.height);
  trip.Step(source.Frame(s.code, 0));
  const stream::FrameHeader& h = trip.header();
  EXPECT_EQ(h.flags & (stream::kFlagPacked | stream::kFlagGrey),
            stream::kFlagPacked | stream::kFlagGrey);
  const std::size_t literals = 48 * 4 + Ones(h.refinementBits);
  EXPECT_EQ(h.samples.size(), (literals + 1) / 2);
}

// 640x480, threshold 0, both lossless options and a noisy picture: far more than 12 bits per
// pixel. Every frame still fits, decodes to the encoder's picture, and the key frame that
// could not be sent is sent as soon as it fits.
TEST(EncodeFrame, FramesThatCannotFitAreRecodedWithinTheBudget) {
  StreamSettings s;
  s.width = 640;
  s.height = 480;
  s.threshold = 0;
  s.losslessLuma = s.losslessChroma = true;
  s.radius = 16;
  s.period = 7;
  RoundTrip trip(s);
  const std::size_t rgb = std::size_t{640} * 480 * 3;
  trip.Step(Noise(rgb, 1));
  ASSERT_FALSE(HasFailure());
  EXPECT_FALSE(trip.result().key);
  EXPECT_GT(trip.result().skipped, 0u);
  EXPECT_EQ(trip.header().refreshPeriod, 0u);  // the fallback carries no refresh blocks
  // Blocks stop only when one more could overflow the output or a section.
  const stream::FrameHeader& h = trip.header();
  EXPECT_TRUE(h.samples.size() + 96 > 65535 || h.refinementBits.size() + 12 > 65535 ||
              trip.result().size + 96 + 8 + 12 > trip.output().size());

  // A smooth picture fits at the threshold asked for: the owed key frame goes out.
  SceneSource calm(Scene::kGradient, s.width, s.height);
  trip.Step(calm.Frame(s.code, 0));
  EXPECT_TRUE(trip.result().key);
  EXPECT_EQ(trip.result().skipped, 0u);
  trip.ExpectFollowsInput();
}

TEST(EncodeFrame, ARaisedThresholdIsTriedBeforeGivingUpBlocks) {
  // Camera noise of +-12 at threshold 0 does not fit, at 16 or 30 it does.
  StreamSettings s;
  s.width = 160;
  s.height = 120;
  s.threshold = 0;
  s.losslessLuma = s.losslessChroma = true;
  RoundTrip trip(s);
  SceneSource source(Scene::kCameraNoise, s.width, s.height);
  trip.Step(source.Frame(s.code, 0));
  EXPECT_TRUE(trip.result().key);
  EXPECT_GT(trip.result().threshold, 0u);
  EXPECT_EQ(trip.result().skipped, 0u);
  trip.ExpectFollowsInput();
}

TEST(EncodeFrame, NeverWritesPastTheOutputOrTouchesTheInput) {
  StreamSettings s;
  s.width = 128;
  s.height = 96;
  s.threshold = 0;
  s.losslessLuma = s.losslessChroma = true;
  s.decimation = 2;
  RoundTrip trip(s);
  for (unsigned f = 0; f < 3; ++f) {
    const std::vector<std::uint8_t> input = Noise(std::size_t{128} * 96 * 3, f);
    const std::vector<std::uint8_t> copy = input;
    GuardedBuffer output(std::size_t{128} * 96 * 3 / 2);
    encoder::EncodedFrame result;
    ASSERT_EQ(encoder::EncodeFrame(trip.context(), trip.record(), input,
                                   {output.data(), output.size()}, result),
              ICERR_OK);
    EXPECT_TRUE(output.Intact());
    EXPECT_LE(result.size, output.size());
    EXPECT_EQ(input, copy);
  }
}

TEST(EncodeFrame, RefusesShortInputAndOutputsTooSmallForAnyFrame) {
  StreamSettings s;
  RoundTrip trip(s);
  const std::vector<std::uint8_t> input = Noise(std::size_t{64} * 48 * 3, 3);
  std::vector<std::uint8_t> output(std::size_t{64} * 48 * 3 / 2, 0xEE);
  encoder::EncodedFrame result;
  EXPECT_EQ(encoder::EncodeFrame(trip.context(), trip.record(),
                                 std::span(input).first(input.size() - 1), output, result),
            ICERR_BADFORMAT);
  EXPECT_EQ(encoder::EncodeFrame(trip.context(), trip.record(), input,
                                 std::span(output).first(8), result),
            ICERR_BADPARAM);
  EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](std::uint8_t b) { return b == 0xEE; }));
  EXPECT_EQ(trip.context().enc.frameCounter, 0u);
  // The stream then starts normally, with its key frame.
  trip.Step(input);
  EXPECT_TRUE(trip.result().key);
}

}  // namespace
}  // namespace kvtc::testing
