// Fuzzer for the decoder's frame entry: arbitrary bytes, as a stream of frames, through
// DecodeFrame for a few picture sizes, output codes, decoder modes and display options.
//
// Input layout:
//   byte 0   picture size (index into kSizes) and decimation (bits 4-5: none, 2, 4, 8)
//   byte 1   output code (0..15: every code, those without a converter included)
//   byte 2   decoder mode (0..8)
//   byte 3   bits 0-1 stream variant level (0..2), bit 2 variant flag (sharpen), bit 3 show
//            grey, bits 4-6 gamma (index into kGammas), bit 7 destination one byte short
//   then     frames, each a 16-bit little-endian length and that many bytes (the last frame
//            takes what is left when its length runs past the end)
//
// Every frame is copied into a buffer of exactly its size, so that any read past it is
// caught, and decoded into a destination of exactly the picture's size between guard bytes
// that must come out untouched.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>


#include "decoder/decode_frame.h"
#include "decoder/error_log.h"
#include "decoder/output_code.h"
#include "decoder/output_zoom.h"
#include "fuzz/system_directory.h"
#include "settings/settings_record.h"
#include "stream/codec_context.h"
#include "stream/plane_geometry.h"

namespace {

using namespace kvtc;

struct Size {
  std::uint32_t width, height;
};
// Whole blocks, widths and heights that are not multiples of 8, and pictures below one block.
constexpr Size kSizes[] = {{16, 16}, {24, 8}, {8, 8}, {13, 11}, {5, 3},
                           {40, 24}, {17, 33}, {64, 48}, {1, 1}, {33, 9}};
constexpr double kGammas[] = {1.0, 0.5, 0.8, 1.25, 2.0, 1.0, 0.7, 1.6};
constexpr std::uint8_t kDecimation[] = {0, 2, 4, 8};
constexpr std::size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0xA5;

struct ContextDeleter {
  void operator()(stream::CodecContext* c) const { stream::FreeContext(c); }
};

void CheckGuards(const std::vector<std::uint8_t>& buffer, std::size_t pictureBytes) {
  for (std::size_t i = 0; i < kGuard; ++i) {
    if (buffer[i] != kGuardByte || buffer[kGuard + pictureBytes + i] != kGuardByte) {
      std::fprintf(stderr, "guard byte %zu overwritten\n", i);
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kvtc::fuzz::PrepareSystemDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const Size picture = kSizes[(data[0] & 15) % std::size(kSizes)];
  const std::uint8_t decimation = kDecimation[(data[0] >> 4) & 3];
  const std::uint8_t outputCode = data[1] & 15;
  const std::uint8_t decoderMode = data[2] % 9;
  const std::uint8_t options = data[3];
  data += 4;
  size -= 4;

  std::unique_ptr<stream::CodecContext, ContextDeleter> context(stream::CreateContext());
  if (!context) return 0;
  settings::SettingsRecord settings = settings::PresetRecord(settings::Preset::Lan);
  settings.dwWidth = picture.width;
  settings.dwHeight = picture.height;
  if (options & 8) settings.bFlags |= settings::SF_SHOWGRAY;

  // The destination: exactly the largest picture this stream can show, between guards.
  const stream::PlaneGeometry g =
      stream::ComputePlaneGeometry(picture.width, picture.height, decimation);
  const std::uint32_t zoom = decoder::ZoomFactor(decoderMode);
  const std::uint8_t converted = decoder::ConvertedOutputCode(outputCode);
  std::size_t pictureBytes = 0;
  for (bool grey : {false, true}) {
    for (std::uint8_t code : {converted, std::uint8_t{11}}) {
      pictureBytes = std::max<std::size_t>(
          pictureBytes, decoder::ZoomPictureBytes(code, zoom * g.width, zoom * g.height, grey));
    }
  }
  if ((options & 0x80) && pictureBytes > 0) --pictureBytes;
  std::vector<std::uint8_t> destination(pictureBytes + 2 * kGuard, kGuardByte);

  while (size > 0) {
    std::size_t length = data[0];
    if (size > 1) length |= std::size_t{data[1]} << 8;
    const std::size_t header = size > 1 ? 2 : 1;
    data += header;
    size -= header;
    length = std::min(length, size);
    std::vector<std::uint8_t> frame(data, data + length);
    data += length;
    size -= length;

    context->decimation = decimation;
    context->outputFormat = outputCode;
    context->decoderMode = decoderMode;
    context->variantLevel = options & 3;
    context->variantFlag = (options >> 2) & 1;
    context->showGrey = (options >> 3) & 1;
    context->gamma = kGammas[(options >> 4) & 7];
    // A frame of no bytes only shows a message box, which the tests cover; here it would
    // flood the log with its text.
    if (frame.empty()) continue;
    decoder::DecodeFrame(*context, settings, frame,
                         std::span(destination).subspan(kGuard, pictureBytes));
    CheckGuards(destination, pictureBytes);
  }
  return 0;
}
