// Output zoom: the converted picture enlarged by 2, 4 or 8 in both directions, by linear
// interpolation of each byte component, in successive 2x passes through the zoom buffers.
#pragma once

#include <cstdint>
#include <span>

namespace kvtc::stream {
struct CodecContext;
}

namespace kvtc::decoder {

// The enlargement a decoder mode stands for: 0 none (1), 2 and 4 themselves, any other 8.
std::uint32_t ZoomFactor(std::uint8_t decoderMode);

// Bytes of a W x H picture in the layout the zoom gives output code `code`: 4, 3 and 2 bytes
// per pixel for codes 1, 2 and 3 and for packed 4:2:2 (0), one for the 8-bit layouts
// (5, 7, 8, 11), (W+1)/2 per row for 4-bit grey (12), and planar 4:2:0 for every other code
// (W x H luma and two (W/2) x (H/2) chroma planes, the luma alone when `grey`).
std::uint64_t ZoomPictureBytes(std::uint8_t code, std::uint32_t width, std::uint32_t height,
                               bool grey);

struct ZoomBuffers {
  std::span<std::uint8_t> first;   // the 2x picture of a 4x or 8x zoom
  std::span<std::uint8_t> second;  // the 4x picture of an 8x zoom
};

// Enlarges the W x H picture `src` (layout of `code`) by `factor` into `dst`. Packed 4:2:2
// zooms its Y, U and V as their own components, and 4-bit grey zooms nibbles as pixels, so
// both keep their layouts. A factor of 1 copies. False, with nothing written, when a buffer
// is too small for its picture or the factor is not 1, 2, 4 or 8.
bool ZoomOutput(std::span<const std::uint8_t> src, std::span<std::uint8_t> dst, std::uint32_t width,
                std::uint32_t height, std::uint8_t code, std::uint32_t factor, bool grey,
                ZoomBuffers buffers, const std::uint8_t* halfSum);

// The same with the output code, decoder mode, zoom buffers and sum table of the context.
bool ZoomOutput(std::span<const std::uint8_t> src, std::span<std::uint8_t> dst, std::uint32_t width,
                std::uint32_t height, stream::CodecContext& context, bool grey);

}  // namespace kvtc::decoder
