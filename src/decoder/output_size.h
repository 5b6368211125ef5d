// How big the decoder's pictures are: one converted picture by output code, and the factor
// the decoder mode enlarges it by.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvtc::decoder {

// The output code the decoder converts for. Codes that no converter writes (4, 6, 9, 10, 13,
// 14: reachable only through a hand-edited settings file) get packed 4:2:2, the layout the
// pipeline writes for them, and are then treated as packed 4:2:2 throughout, so that their
// size, their interpolation and their zoom all agree with the bytes in the output buffer.
std::uint8_t ConvertedOutputCode(std::uint8_t outputCode);

// Bytes of one W x H picture in the layout of a converted output code, rows packed without
// padding: 4, 3 or 2 bytes per pixel for 32-, 24- and 15-bit RGB, 1 for the 8-bit layouts,
// 2 for packed 4:2:2 (colour or grey: a grey picture fills the whole 4:2:2 picture too) and,
// for 4-bit grey, rows of (W + 1) / 2 bytes.
std::size_t OutputPictureBytes(std::uint8_t convertedCode, std::uint32_t width,
                               std::uint32_t height);

// The enlargement a decoder mode asks for: 1 for mode 0, 2 and 4 for modes 2 and 4, and 8
// for every other mode.
std::uint32_t ZoomFactor(std::uint8_t decoderMode);

// Bytes the caller's bitmap must hold for one picture after the zoom.
std::size_t DisplayedPictureBytes(std::uint8_t convertedCode, std::uint32_t width,
                                  std::uint32_t height, std::uint8_t decoderMode);

}  // namespace kvtc::decoder
