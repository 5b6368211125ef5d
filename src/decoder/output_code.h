// The output code the decoder converts for.
#pragma once

#include <cstdint>

namespace kvtc::decoder {

// Codes that no converter writes (4, 6, 9, 10, 13, 14 and beyond: reachable only through a
// hand-edited settings file) are converted as packed 4:2:2, and from then on treated as
// packed 4:2:2 throughout, so that their size, their interpolation and their zoom all agree
// with the bytes in the output buffer. Every other code stands as it is.
std::uint8_t ConvertedOutputCode(std::uint8_t outputCode);

}  // namespace kvtc::decoder
