// EncodeFrame as a whole: the frame layouts the stream promises, what happens to the caller's
// buffers, and the size policy when a frame cannot fit; the key-frame and refresh schedule.
#include "encoder/encode_frame.h"
#include "encoder/key_and_refresh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "pixels/pixel_fixtures.h"
#include "round_trip_fixture.h"
#include "support/guarded_buffer.h"
#include "synthetic_input.h"

namespace kvtc::testing {
namespace {

// 64x48: 48 blocks.
TEST(EncodeFrame, UnchangedFrameIsOneZeroBitPerBlock) {
  RoundTrip trip(StreamSettings{});
  const std::vector<std::uint8_t> input = SceneSource(Scene::kText, 64, 48).Frame(2, 0);
  trip.Step(input);
  trip.Step(input);
  const stream::FrameHeader& h = trip.header();
  EXPECT_FALSE(h.key());
  EXPECT_EQ(h.samples.size(), 0u);
  EXPECT_TRUE(std::ranges::equal(h.blockBits, std::vector<std::uint8_t>(6, 0)));
  EXPECT_EQ(h.refinementBits.size(), 0u);
  EXPECT_EQ(h.checksum, 0);
}

TEST(EncodeFrame, PhaseBytesRunThroughThePeriodAndRestartOnChange) {
  RoundTrip trip(StreamSettings{});
  SceneSource source(Scene::kMovingSquare, 64, 48);
  const std::uint8_t periods[] = {3, 3, 3, 3, 3, 5, 5, 5, 0, 3};
  const std::uint32_t phases[] = {0, 1, 2, 0, 1, 0, 1, 2, 0, 0};
  for (int f = 0; f < 10; ++f) {
    trip.record().bRefreshPeriod = periods[f];
    trip.Step(source.Frame(2, f));
    EXPECT_EQ(trip.header().refreshPeriod, periods[f]) << f;
    EXPECT_EQ(trip.header().refreshPhase, phases[f]) << f;
  }
}

// 640x480 at threshold 0 with both lossless options: noise needs far more than the output
// and the sections hold, at every raised threshold. No frame is a key frame then: the picture
// builds up from refresh blocks over a few frames (the fixture checks the decoder's planes
// against the reconstruction after each), the key frame stays owed, and the next frame, a
// calm one, sends it.
TEST(EncodeFrame, FramesThatCannotFitGoOutWithinEveryLimit) {
  StreamSettings s{.width = 640, .height = 480, .threshold = 0, .radius = 16, .period = 7,
                   .losslessLuma = true, .losslessChroma = true};
  RoundTrip trip(s);
  int frames = 0;
  do {
    trip.Step(pixels::testing::NoiseBytes(std::size_t{640} * 480 * 3, 1u + frames++));
    ASSERT_FALSE(HasFailure());
    EXPECT_FALSE(trip.result().key);
    EXPECT_NE(trip.header().refreshPeriod, 0u);
  } while (trip.context().enc.unshownBlocks != 0 && frames < 32);
  EXPECT_LE(frames, 12);

  trip.Step(SceneSource(Scene::kGradient, 640, 480).Frame(2, 0));
  EXPECT_TRUE(trip.result().key);
  EXPECT_EQ(trip.result().skipped, 0u);

  // A host's smaller room (ICCOMPRESS.dwFrameSize) is kept the same way, and every frame still
  // decodes to the reconstruction.
  RoundTrip narrow(StreamSettings{.width = 160, .height = 120, .threshold = 0, .radius = 4,
                                  .frameBytes = 700});
  SceneSource moving(Scene::kMovingSquare, 160, 120);
  for (int f = 0; f < 8 && !HasFailure(); ++f) narrow.Step(moving.Frame(pixels::kRgb24, f));
  EXPECT_EQ(narrow.context().enc.unshownBlocks, 0u);

  // Camera noise of +-12 does not fit at threshold 0 either, but at a raised threshold.
  RoundTrip small(StreamSettings{.width = 160, .height = 120, .threshold = 0,
                                 .losslessLuma = true, .losslessChroma = true});
  small.Step(SceneSource(Scene::kCameraNoise, 160, 120).Frame(2, 0));
  EXPECT_TRUE(small.result().key);
  EXPECT_GT(small.result().threshold, 0u);
  EXPECT_EQ(small.result().skipped, 0u);
}

TEST(EncodeFrame, KeepsToTheCallersBuffers) {
  RoundTrip trip(StreamSettings{.width = 128, .height = 96, .threshold = 0, .losslessLuma = true,
                                .losslessChroma = true, .decimation = 2});
  const std::vector<std::uint8_t> input = pixels::testing::NoiseBytes(std::size_t{128} * 96 * 3, 3);
  const std::vector<std::uint8_t> copy = input;
  encoder::EncodedFrame result;
  // Refused: one byte short of the input, or no room for even an unchanged frame.
  GuardedBuffer tiny(8);
  EXPECT_EQ(encoder::EncodeFrame(trip.context(), trip.record(), std::span(input).first(input.size() - 1),
                                 tiny.span(), result),
            ICERR_BADFORMAT);
  EXPECT_EQ(encoder::EncodeFrame(trip.context(), trip.record(), input, tiny.span(), result),
            ICERR_BADPARAM);
  EXPECT_TRUE(std::all_of(tiny.data(), tiny.data() + 8, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(trip.context().enc.frameCounter, 0u);
  // Coded into exactly the promised size, decimating a copy of the input.
  for (int f = 0; f < 3; ++f) {
    GuardedBuffer output(std::size_t{128} * 96 * 3 / 2);
    ASSERT_EQ(encoder::EncodeFrame(trip.context(), trip.record(), input, output.span(), result),
              ICERR_OK);
    EXPECT_TRUE(output.Intact());
    EXPECT_TRUE(f != 0 || result.key);
  }
  EXPECT_TRUE(tiny.Intact());
  EXPECT_EQ(input, copy);
}

// The key-frame schedule and the rolling refresh over successive frames. Next plans, sends
// (or, with fallBack, sends without key and refresh) and stores one frame.
encoder::KeyAndRefresh Next(stream::EncoderState& state, std::uint32_t period,
                            bool force = false, bool fallBack = false) {
  const encoder::KeyAndRefresh plan = encoder::PlanKeyAndRefresh(state, period, force);
  const encoder::KeyAndRefresh sent = fallBack ? encoder::WithoutKeyOrRefresh(plan) : plan;
  encoder::CommitKeyAndRefresh(state, plan, sent);
  ++state.frameCounter;
  return sent;
}

TEST(KeyAndRefresh, KeyFramesFirstByIntervalForcedAndOwed) {
  struct Case {
    std::uint8_t interval;
    std::vector<int> forced, fallBack, keys;
  };
  for (const Case& c : {Case{0, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}},
                        Case{1, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}},
                        Case{5, {0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 1, 0}},
                        Case{3, {0, 1, 0, 0, 0}, {0, 0, 0, 0, 0}, {1, 1, 0, 1, 0}},  // schedule kept
                        Case{0, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}) {  // a lost key is owed
    stream::EncoderState state;
    state.keyInterval = c.interval;
    for (std::size_t i = 0; i < c.keys.size(); ++i) {
      EXPECT_EQ(Next(state, 0, c.forced[i], c.fallBack[i]).key, c.keys[i] != 0) << i;
    }
  }
}

// Each frame refreshes the blocks whose index is congruent to its phase, so every block once
// a period; a frame sent without refresh holds the phase.
TEST(KeyAndRefresh, FallBackHoldsThePhaseAndEveryBlockIsRefreshedOncePerPeriod) {
  stream::EncoderState state;
  state.refreshPeriod = 6;
  Next(state, 6);
  EXPECT_EQ(Next(state, 6, false, true).period, 0u);  // sent without refresh
  for (std::uint32_t frame = 0; frame < 6; ++frame) {
    const encoder::KeyAndRefresh plan = Next(state, 6);
    EXPECT_EQ(plan.phase, (frame + 1) % 6);  // resumes where it stood
    encoder::RefreshCursor cursor(plan);
    for (std::uint32_t i = 0; i < 50; ++i) {
      EXPECT_EQ(cursor.IsRefresh(i), i % 6 == plan.phase) << frame << " " << i;
    }
  }
}

}  // namespace
}  // namespace kvtc::testing
