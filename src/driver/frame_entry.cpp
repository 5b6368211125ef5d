#include "driver/frame_entry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>

#include "decoder/decode_frame.h"
#include "decoder/output_zoom.h"
#include "driver/format_negotiation.h"
#include "driver/pixel_format_codes.h"
#include "encoder/encode_frame.h"
#include "platform/global_heap.h"
#include "stream/codec_context.h"
#include "stream/plane_geometry.h"

namespace kvtc::driver {
namespace {

using settings::SettingsRecord;
using stream::CodecContext;

LONG AbsHeight(const BITMAPINFOHEADER& h) { return std::labs(h.biHeight); }

// How many bytes of a caller's bitmap the header vouches for: its biSizeImage when set,
// otherwise a DIB of its depth with rows padded to 4 bytes.
DWORD VouchedImageSize(const BITMAPINFOHEADER& h) {
  return h.biSizeImage ? h.biSizeImage : PaddedImageSize(h.biBitCount, h.biWidth, h.biHeight);
}

// The low 8 bits of the threshold a frame's quality asks for; the difference is unsigned, so
// ICQUALITY_DEFAULT (a difference of 10001) gives 30.
BYTE ThresholdForFrameQuality(DWORD quality) {
  const DWORD difference = 10000u - quality;
  return static_cast<BYTE>(static_cast<std::uint64_t>(std::trunc(difference * 0.003)) & 0xFF);
}

// Palette tables of 8-bit palettised input: luma and chroma of every colour-table entry. A
// table shorter than 256 entries is read only as far as it goes; the entries past it are
// black.
bool BuildPaletteTables(CodecContext& context, const BITMAPINFOHEADER& input) {
  if (!context.paletteY.Ensure(256) || !context.paletteU.Ensure(256) ||
      !context.paletteV.Ensure(256)) {
    return false;
  }
  const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(&input) +
                                                       input.biSize);
  const DWORD entries = input.biClrUsed == 0 || input.biClrUsed > 256 ? 256 : input.biClrUsed;
  // Each value is truncated to an integer and kept modulo 256: V runs from about -3 (cyan) to
  // 260 (red), and the byte keeps its low eight bits as the chroma planes do.
  const auto byte = [](double v) { return static_cast<std::uint8_t>(static_cast<std::int32_t>(v)); };
  for (DWORD i = 0; i < 256; ++i) {
    const RGBQUAD q = i < entries ? table[i] : RGBQUAD{0, 0, 0, 0};
    const double r = q.rgbRed, g = q.rgbGreen, b = q.rgbBlue;
    context.paletteY[i] = byte(0.4945843 * g + 0.2520137 * r + 0.0964549 * b + 0.5);
    context.paletteU[i] = byte(-0.1241941 * r - 0.243751 * g + 0.3679451 * b + 128.5);
    context.paletteV[i] = byte(0.5184451 * r - 0.4337941 * g - 0.084651 * b + 128.5);
  }
  return true;
}

// The stream variant a source FOURCC's fourth character selects: level and sharpen flag.
struct Variant {
  bool known;
  BYTE level;
  bool flag;
};
Variant VariantOf(DWORD fourcc) {
  switch (FourccChar(fourcc, 3)) {
    case '1': case 'A': return {true, 0, false};
    case 'B': return {true, 1, false};
    case 'C': return {true, 2, false};
    case 'a': return {true, 0, true};
    case 'b': return {true, 1, true};
    case 'c': return {true, 2, true};
    default: return {false, 0, false};
  }
}

}  // namespace

LRESULT CompressHandler(DWORD_PTR id, ICCOMPRESS* c) {
  if (!c) return ICERR_BADPARAM;
  if (CompressQuery(c->lpbiInput, c->lpbiOutput) != ICERR_OK) return 1;
  LockedInstance instance(id);
  if (!instance) return ICERR_ERROR;
  const bool implicitBegin = !instance->fCompressBegun;
  if (implicitBegin) {
    if (CompressQuery(c->lpbiInput, c->lpbiOutput) != ICERR_OK) return 1;
    instance->fCompressBegun = 1;
  }
  const bool keyRequested = (c->dwFlags & ICCOMPRESS_KEYFRAME) != 0;
  instance->settings.bForceKey = keyRequested ? 1 : 0;
  if (c->lpdwFlags) {
    *c->lpdwFlags = keyRequested ? (*c->lpdwFlags | AVIIF_KEYFRAME) : (*c->lpdwFlags & ~AVIIF_KEYFRAME);
  }
  instance->settings.bThreshold = ThresholdForFrameQuality(c->dwQuality);

  bool keyFrame = false;
  const LRESULT result = CompressFrame(*instance, *c->lpbiInput, c->lpInput, *c->lpbiOutput,
                                       c->lpOutput, c->dwFrameSize, &keyFrame);
  // A key frame that could not be coded as one within the promised size went out as a frame
  // that depends on the previous picture: the host must not index it as a key frame.
  if (c->lpdwFlags && keyRequested && !keyFrame) *c->lpdwFlags &= ~AVIIF_KEYFRAME;
  if (implicitBegin) instance->fCompressBegun = 0;
  return result;
}

LRESULT CompressFrame(InstanceRecord& instance, const BITMAPINFOHEADER& in, const void* inBits,
                      BITMAPINFOHEADER& out, void* outBits, DWORD frameSize, bool* keyFrame) {
  SettingsRecord& s = instance.settings;
  const auto width = static_cast<std::uint32_t>(in.biWidth);
  const auto height = static_cast<std::uint32_t>(AbsHeight(in));
  CodecContext* context = instance.pContext;
  if (context && context->enc.frameCounter != 0 &&
      (context->enc.geometry.frameWidth != width || context->enc.geometry.frameHeight != height)) {
    stream::FreeContext(context);
    instance.pContext = context = nullptr;
  }
  if (!context) {
    instance.pContext = context = stream::CreateContext();
    if (!context) return ICERR_MEMORY;
  }
  s.bCompBits[0] = s.bCompBits[1] = s.bCompBits[2] = 8;
  s.bCompCount = 3;
  s.dwWidth = width;
  s.dwHeight = height;
  const BYTE inputCode = ApplyInputFormat(in, s, /*forCompression=*/true);
  if (inputCode == code::kPalette8 && !BuildPaletteTables(*context, in)) return ICERR_MEMORY;

  context->inputFormat = inputCode;
  context->threshold = s.bThreshold;
  context->smoothing = (s.bFlags & settings::SF_SMOOTH) ? 1 : 0;
  context->median = (s.bFlags & settings::SF_MEDIAN) ? 1 : 0;

  out.biSize = sizeof(BITMAPINFOHEADER);
  out.biBitCount = 24;
  out.biCompression = MakeFourcc("Kvt1");

  if (!inBits || !outBits) {
    out.biSizeImage = 0;
    return ICERR_OK;
  }
  std::span<const std::uint8_t> input(static_cast<const std::uint8_t*>(inBits), VouchedImageSize(in));
  const auto promised = static_cast<DWORD>(CompressGetSize(&in));
  if (!(s.bFlags & settings::SF_FRAMESIZE)) frameSize = 0;
  std::span<std::uint8_t> output(static_cast<std::uint8_t*>(outBits),
                                 frameSize != 0 ? std::min(promised, frameSize) : promised);
  encoder::EncodedFrame encoded{};
  const LRESULT result = encoder::EncodeFrame(*context, s, input, output, encoded);
  out.biSizeImage = result == ICERR_OK ? encoded.size : 0;
  if (keyFrame) *keyFrame = result == ICERR_OK && encoded.key;
  return result;
}

LRESULT DecompressHandler(const DecompressArgs& args) {
  LockedInstance instance(args.id);
  if (!instance) return ICERR_ERROR;
  const bool implicitBegin = !instance->fDecompressBegun;
  if (implicitBegin) {
    if (LRESULT begun = DecompressBegin(args); begun != ICERR_OK) return begun;
  }
  if (args.src && args.dst) {
    DecompressFrame(*instance, *args.src, args.srcBits, *args.dst, args.dstBits, args.xDst, args.yDst);
  }
  if (implicitBegin) instance->fDecompressBegun = 0;
  return ICERR_OK;
}

void DecompressFrame(InstanceRecord& instance, BITMAPINFOHEADER& src, const void* srcBits,
                     BITMAPINFOHEADER& dst, void* dstBits, int /*xDst*/, int /*yDst*/) {
  SettingsRecord& s = instance.settings;
  CodecContext* context = instance.pContext;
  if (!context) ReloadSettingsForDecompressor(instance);

  WORD depth = ImpliedOutputDepth(s.bOutputFormat);
  if (depth == 0) depth = src.biBitCount;
  const auto srcWidth = static_cast<std::uint32_t>(src.biWidth);
  const auto srcHeight = static_cast<std::uint32_t>(AbsHeight(src));
  // A stream of another picture size restarts the decoder, as a new depth does: the planes
  // and buffers of the old size must never receive the new one.
  const bool sizeChanged = context && context->dec.frameCounter != 0 &&
                           (context->dec.geometry.frameWidth != srcWidth ||
                            context->dec.geometry.frameHeight != srcHeight);
  if (context && (dst.biBitCount != depth || sizeChanged)) {
    stream::FreeContext(context);
    instance.pContext = context = nullptr;
  }
  if (dst.biBitCount != depth) {
    switch (dst.biBitCount) {
      case 8:
        s.bOutputFormat = src.biBitCount <= 8 ? code::kPalette8
                          : (s.bFlags & settings::SF_SENDGRAY) ? code::kGrey8
                                                                : code::kColourCube;
        break;
      case 16:
        s.bOutputFormat = dst.biCompression == BI_RGB ? code::kRgb555 : code::kPacked422;
        break;
      case 24:
        s.bOutputFormat = code::kRgb24;
        break;
      case 32:
        s.bOutputFormat = code::kRgb32;
        break;
      default:
        s.bOutputFormat = code::kGrey4;
        break;
    }
  }
  if (!context) {
    instance.pContext = context = stream::CreateContext();
    if (!context) return;
  }
  context->gamma = static_cast<double>(settings::GammaInRange(s.flGamma));
  context->showGrey = (s.bFlags & settings::SF_SHOWGRAY) ? 1 : 0;
  context->variantLevel = s.bStreamVariant;
  context->variantFlag = (s.bFlags & settings::SF_VARIANT) ? 1 : 0;
  context->reverseRows = dst.biHeight < 0 ? 1 : 0;

  if (!IsKvtStream(src.biCompression)) return;
  if (const Variant v = VariantOf(src.biCompression); v.known) {
    context->variantLevel = s.bStreamVariant = v.level;
    context->variantFlag = v.flag ? 1 : 0;
    s.bFlags = v.flag ? (s.bFlags | settings::SF_VARIANT) : (s.bFlags & ~settings::SF_VARIANT);
  }
  s.dwWidth = srcWidth;
  s.dwHeight = srcHeight;
  context->decimation = s.bDecimation;
  context->decoderMode = s.bDecoderMode;
  context->outputFormat = s.bOutputFormat;
  if (src.biSizeImage == 0 || !srcBits || !dstBits) return;

  std::span<const std::uint8_t> frame(static_cast<const std::uint8_t*>(srcBits), src.biSizeImage);
  std::span<std::uint8_t> destination(static_cast<std::uint8_t*>(dstBits), VouchedImageSize(dst));
  decoder::DecodeFrame(*context, s, frame, destination);
}

}  // namespace kvtc::driver
