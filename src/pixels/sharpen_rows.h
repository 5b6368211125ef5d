// One row of the luma sharpening for display: each sample becomes 5y - (left + right + up +
// down), clamped to the codec's luma range 0..215. The plain kernel looks the product and the
// clamp up in the quintuple and sharpenClamp tables and is the reference; the faster ones
// compute the same integers in 16-bit lanes (the value lies in -1020..1275).
#pragma once

#include <cstdint>

#include "stream/arithmetic_tables.h"

namespace kvtc::pixels {

// Columns first..width-1 of `out` from columns first-1..width of `row` and first..width-1
// of `above` and `below`.
void SharpenRow(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                std::uint8_t* out, std::uint32_t first, std::uint32_t width,
                const stream::ArithmeticTables& t);

namespace finish {
void SharpenRowSse2(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                    std::uint8_t* out, std::uint32_t first, std::uint32_t width,
                    const stream::ArithmeticTables& t);
void SharpenRowAvx2(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                    std::uint8_t* out, std::uint32_t first, std::uint32_t width,
                    const stream::ArithmeticTables& t);
}  // namespace finish

}  // namespace kvtc::pixels
