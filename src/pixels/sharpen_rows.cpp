#include "pixels/sharpen_rows.h"

namespace kvtc::pixels {

void SharpenRow(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                std::uint8_t* out, std::uint32_t first, std::uint32_t width,
                const stream::ArithmeticTables& t) {
  // The clamp table is indexed at 1024 + 5y - l - r - u - d, which lies in 4..2299.
  const std::uint8_t* clamp = t.sharpenClamp.data() + 1024;
  const std::uint32_t* five = t.quintuple.data();
  for (std::uint32_t c = first; c < width; ++c) {
    const int value =
        static_cast<int>(five[row[c]]) - row[c - 1] - row[c + 1] - above[c] - below[c];
    out[c] = clamp[value];
  }
}

}  // namespace kvtc::pixels
