// Streams coded by EncodeFrame and decoded by the frame decoder: across the settings grid,
// every input format and every synthetic scene, after every frame the decoder's picture
// equals the encoder's reconstruction and follows the input within the threshold.
#include <gtest/gtest.h>

#include <random>

#include "round_trip_fixture.h"
#include "synthetic_input.h"

namespace kvtc::testing {
namespace {

// Every input code, each three times with the other settings drawn from the grid, so that
// every value of every setting meets many values of the others.
TEST(RoundTrip, SettingsGridEveryInputFormatEveryScene) {
  std::mt19937 random(2024);
  const auto pick = [&](std::initializer_list<int> values) {
    return static_cast<std::uint8_t>(values.begin()[random() % values.size()]);
  };
  int run = 0;
  for (std::uint8_t code = 0; code <= 14; ++code) {
    for (int i = 0; i < 3; ++i, ++run) {
      StreamSettings s{.code = code,
                       .threshold = pick({0, 8, 30}),
                       .radius = pick({0, 2, 4, 16}),
                       .period = pick({0, 7, 255}),
                       .keyInterval = pick({0, 1, 5}),
                       .losslessLuma = random() % 2 == 0,
                       .losslessChroma = random() % 2 == 0,
                       .grey = random() % 4 == 0,
                       .median = random() % 3 == 0,
                       .smooth = random() % 3 == 0,
                       .decimation = pick({0, 0, 2, 4, 8}),
                       .chromaChange = random() % 2 == 0};
      if (s.decimation != 0) {  // large enough to keep blocks after reduction by 8
        s.width = 128;
        s.height = 96;
      }
      RoundTrip trip(s);
      SceneSource source(kAllScenes[run % kAllScenes.size()], s.width, s.height);
      for (int f = 0; f < 6 && !HasFailure(); ++f) {
        trip.Step(source.Frame(code, f));
        EXPECT_TRUE(f != 0 || trip.result().key) << s.Describe();
      }
      if (HasFailure()) return;
    }
  }
}

// Radii that are no power of two (the window must keep their vectors within K bits), and
// lossless options, period and radius changing between frames; turning lossless luma on
// makes a key frame.
TEST(RoundTrip, SettingsThatChangeOrSitOffTheUsualValues) {
  RoundTrip trip(StreamSettings{});
  SceneSource source(Scene::kMovingSquare, 64, 48);
  struct Frame {
    std::uint8_t radius, period;
    bool losslessLuma, losslessChroma, key;
  };
  const Frame frames[] = {{1, 0, 0, 0, 1}, {1, 0, 0, 0, 0},  {3, 5, 0, 1, 0}, {3, 5, 1, 1, 1},
                          {5, 5, 1, 0, 0}, {1, 0, 1, 0, 0},  {6, 3, 0, 0, 0}, {16, 3, 1, 1, 1},
                          {7, 0, 1, 1, 0}, {2, 9, 0, 1, 0}};
  int f = 0;
  for (const Frame& frame : frames) {
    trip.record().bSearchRadius = frame.radius;
    trip.record().bRefreshPeriod = frame.period;
    trip.record().bLosslessLuma = frame.losslessLuma;
    trip.record().bLosslessChroma = frame.losslessChroma;
    trip.Step(source.Frame(pixels::kRgb24, f));
    ASSERT_FALSE(HasFailure()) << "frame " << f;
    EXPECT_EQ(trip.result().key, frame.key) << "frame " << f++;
  }
}

// Frames that each change only rows far from those the frame before changed: what a frame's
// finishing rewrites outside the rows it touched must reach the decoder's reference too.
TEST(RoundTrip, FramesChangingRowsFarFromTheLastOnes) {
  for (const StreamSettings& s :
       {StreamSettings{}, StreamSettings{.radius = 0, .losslessLuma = true},
        StreamSettings{.width = 72, .height = 60, .chromaChange = true},
        StreamSettings{.width = 128, .height = 96, .decimation = 2}}) {
    RoundTrip trip(s);
    SceneSource source(Scene::kDots, s.width, s.height);
    for (int f = 0; f < 6 && !HasFailure(); ++f) trip.Step(source.Frame(s.code, f));
  }
}

}  // namespace
}  // namespace kvtc::testing
