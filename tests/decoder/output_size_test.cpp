#include "decoder/output_size.h"

#include <gtest/gtest.h>

namespace kvtc::decoder {
namespace {

TEST(OutputSize, OnePictureByOutputCode) {
  struct Case {
    std::uint8_t code;
    std::uint8_t converted;
    std::size_t bytes;  // for 13 x 6
  };
  const Case cases[] = {
      {0, 0, 2 * 78},  {1, 1, 4 * 78},  {2, 2, 3 * 78},  {3, 3, 2 * 78},
      {5, 5, 78},      {7, 7, 78},      {8, 8, 78},      {11, 11, 78},
      {12, 12, 7 * 6},  // rows of (13 + 1) / 2 bytes
      // No converter writes these: they get packed 4:2:2.
      {4, 0, 2 * 78},  {6, 0, 2 * 78},  {9, 0, 2 * 78},  {10, 0, 2 * 78},
      {13, 0, 2 * 78}, {14, 0, 2 * 78}, {200, 0, 2 * 78},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConvertedOutputCode(c.code), c.converted) << int(c.code);
    EXPECT_EQ(OutputPictureBytes(ConvertedOutputCode(c.code), 13, 6), c.bytes) << int(c.code);
  }
}

TEST(OutputSize, DecoderModesZoomBy2And4And8) {
  const std::uint32_t factors[] = {1, 8, 2, 8, 4, 8, 8, 8, 8, 8};
  for (std::uint8_t mode = 0; mode < 10; ++mode) EXPECT_EQ(ZoomFactor(mode), factors[mode]);
  EXPECT_EQ(ZoomFactor(255), 8u);
  EXPECT_EQ(DisplayedPictureBytes(2, 160, 120, 0), 160u * 120 * 3);
  EXPECT_EQ(DisplayedPictureBytes(2, 80, 56, 2), 160u * 112 * 3);
  EXPECT_EQ(DisplayedPictureBytes(11, 40, 24, 3), 320u * 192);
  EXPECT_EQ(DisplayedPictureBytes(12, 13, 6, 4), 26u * 24);
}

}  // namespace
}  // namespace kvtc::decoder
