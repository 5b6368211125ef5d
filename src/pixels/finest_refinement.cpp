#include "pixels/finest_refinement.h"

namespace kvtc::pixels {
namespace {

// Sets g(r, c) from the samples at (r1, c1) and (r2, c2); returns 1 when it is sent.
std::uint64_t Step(std::uint8_t* rec, const std::uint8_t* cur, std::int32_t stride,
                   std::uint32_t threshold, int r, int c, int r1, int c1, int r2, int c2) {
  const int average = (rec[r1 * stride + c1] + rec[r2 * stride + c2] + 1) >> 1;
  const std::uint8_t sample = cur[r * stride + c];
  const int d = sample - average;
  const bool send = static_cast<std::uint32_t>(d < 0 ? -d : d) > threshold;
  rec[r * stride + c] = send ? sample : static_cast<std::uint8_t>(average);
  return std::uint64_t{send} << (8 * (r - 1) + (c - 1));
}

}  // namespace

std::uint64_t RefineFinest8x8(std::uint8_t* rec, const std::uint8_t* cur, std::int32_t stride,
                              std::uint32_t threshold, const std::uint8_t* cells) {
  std::uint64_t sent = 0;
  // Row by row, so that the L of the cell above is set before a D reads it.
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (!cells[4 * i + j]) continue;
      const int r = 2 * i, c = 2 * j;
      sent |= Step(rec, cur, stride, threshold, r + 1, c + 2, r, c + 2, r + 2, c + 2);
      sent |= Step(rec, cur, stride, threshold, r + 2, c + 1, r + 2, c, r + 2, c + 2);
      sent |= Step(rec, cur, stride, threshold, r + 1, c + 1, r, c + 1, r + 2, c + 1);
    }
  }
  return sent;
}

}  // namespace kvtc::pixels
