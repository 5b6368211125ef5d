// Per-sample change flags of one 8x8 block of a plane against the same block of another
// picture: a sample changed when its two values differ by more than the threshold T.
#pragma once

#include <cstdint>

namespace kvtc::pixels {

// `a` and `b` point at the block's first sample in planes of row stride `stride`. Writes 1 or
// 0 for every sample to `flags` (eight rows of eight bytes, `flagStride` apart) and returns the
// same flags as bits, bit 8r + c for row r, column c. T of 255 or more flags nothing.
std::uint64_t ChangeFlags8x8(const std::uint8_t* a, const std::uint8_t* b, std::int32_t stride,
                             std::uint32_t threshold, std::uint8_t* flags,
                             std::int32_t flagStride);

// The change flags of the block's sixteen cell representatives only, the samples at odd rows
// and odd columns from its first sample, as 1 or 0 in `cells` by quadrant of the block (upper
// left, upper right, lower left, lower right), each quadrant's four in rows. Returns bit q for
// each quadrant q with a flag set.
std::uint32_t RepresentativeChanges(const std::uint8_t* a, const std::uint8_t* b,
                                    std::int32_t stride, std::uint32_t threshold,
                                    std::uint8_t* cells);

namespace encode {
std::uint32_t RepresentativeChangesSse2(const std::uint8_t* a, const std::uint8_t* b,
                                        std::int32_t stride, std::uint32_t threshold,
                                        std::uint8_t* cells);
std::uint64_t ChangeFlags8x8Sse2(const std::uint8_t* a, const std::uint8_t* b, std::int32_t stride,
                                 std::uint32_t threshold, std::uint8_t* flags,
                                 std::int32_t flagStride);
}  // namespace encode

}  // namespace kvtc::pixels
