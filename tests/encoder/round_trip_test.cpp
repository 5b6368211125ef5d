// Streams coded by EncodeFrame and decoded by the decoder's block walker: across the settings
// grid, every input format and every synthetic scene, the decoder's picture equals the
// encoder's reconstruction after every frame and follows the input within the threshold.
#include <gtest/gtest.h>

#include <random>

#include "round_trip_fixture.h"
#include "synthetic_input.h"

namespace kvtc::testing {
namespace {

constexpr std::uint8_t kInputCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};

void RunScene(const StreamSettings& s, Scene scene, int frames) {
  RoundTrip trip(s);
  SceneSource source(scene, s.width, s.height);
  for (int f = 0; f < frames; ++f) {
    const std::vector<std::uint8_t> input = source.Frame(s.code, f);
    trip.Step(input);
    if (::testing::Test::HasFatalFailure()) return;
    EXPECT_TRUE(f != 0 || trip.result().key) << s.Describe();
    trip.ExpectFollowsInput();
    if (::testing::Test::HasFailure()) return;
  }
}

// The grid of settings, sampled so that every value of every setting meets many values of
// the others, for every input format.
TEST(RoundTrip, SettingsGridEveryInputFormatEveryScene) {
  std::mt19937 random(2024);
  const auto pick = [&](std::initializer_list<int> values) {
    return static_cast<std::uint8_t>(values.begin()[random() % values.size()]);
  };
  int run = 0;
  for (const std::uint8_t code : kInputCodes) {
    for (int i = 0; i < 3; ++i, ++run) {
      StreamSettings s;
      s.code = code;
      s.threshold = pick({0, 8, 30});
      s.radius = pick({0, 2, 4, 16});
      s.period = pick({0, 7, 255});
      s.keyInterval = pick({0, 1, 5});
      s.losslessLuma = random() % 2;
      s.losslessChroma = random() % 2;
      s.grey = random() % 4 == 0;
      s.median = random() % 3 == 0;
      s.smooth = random() % 3 == 0;
      s.decimation = pick({0, 0, 2, 4, 8});
      if (s.decimation != 0) {
        s.width = 128;
        s.height = 96;
      }
      RunScene(s, kAllScenes[run % kAllScenes.size()], 6);
      if (HasFailure()) return;
    }
  }
}

// Radii that are no power of two, lossless luma switched on and off mid-stream, and period
// and radius changes between frames.
TEST(RoundTrip, SettingsThatChangeOrSitOffTheUsualValues) {
  StreamSettings s;
  RoundTrip trip(s);
  SceneSource source(Scene::kMovingSquare, s.width, s.height);
  struct Frame {
    std::uint8_t radius, period;
    bool losslessLuma, losslessChroma;
    bool expectKey;
  };
  const Frame frames[] = {{1, 0, false, false, true},  {1, 0, false, false, false},
                          {3, 5, false, true, false},  {3, 5, true, true, true},
                          {5, 5, true, false, false},  {1, 0, true, false, false},
                          {6, 3, false, false, false}, {16, 3, true, true, true},
                          {7, 0, true, true, false},   {2, 9, false, true, false}};
  int f = 0;
  for (const Frame& frame : frames) {
    trip.record().bSearchRadius = frame.radius;
    trip.record().bRefreshPeriod = frame.period;
    trip.record().bLosslessLuma = frame.losslessLuma;
    trip.record().bLosslessChroma = frame.losslessChroma;
    trip.Step(source.Frame(s.code, f));
    ASSERT_FALSE(HasFailure()) << "frame " << f;
    EXPECT_EQ(trip.result().key, frame.expectKey) << "frame " << f;
    trip.ExpectFollowsInput();
    ++f;
  }
}

}  // namespace
}  // namespace kvtc::testing
