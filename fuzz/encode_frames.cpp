// Fuzzer for the encoder as a host drives it: small pictures of every input layout, any
// settings a state block can carry, any frame quality and key-frame requests, through
// DriverProc. Every frame it makes must decode, the decoder's planes must equal the encoder's
// reconstruction, no frame may be larger than ICM_COMPRESS_GET_SIZE promised, and a frame the
// host is told is a key frame must be one.
//
// Input layout:
//   byte 0      picture width - 1 (1..48)
//   byte 1      bits 0-5 picture height - 1 (1..40, mod 40), bit 6 top-down (negative height),
//               bit 7 any depth and compression the codec accepts (the frame may then be
//               refused as too short for its layout) instead of a layout it reads whole
//   byte 2      input layout (index into kLayouts, or depth and compression when bit 7 above)
//   bytes 3-20  the state block from offset 20 (force key ... reserved): the range rules
//               bring it into range as for any host's block
//   byte 21     colour table seed; bit 0 also sets biClrUsed to 16
//   then        frames (at most 8), each: a control byte (bit 0 key frame asked for, bit 1
//               default quality, bits 2-4 and 5-7 the picture's move right and down), a
//               quality word, an offset byte and up to 48 bytes written into the picture there
//
// The first picture is the input's bytes as far as they go and a pattern after them; each
// later one is the one before moved and patched, so that motion search and unchanged blocks
// both have work.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "decoder/decode_frame.h"
#include "decoder/output_code.h"
#include "decoder/output_zoom.h"
#include "driver/driver_proc.h"
#include "driver/instance.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/system_directory.h"
#include "pixels/pixel_format.h"
#include "platform/win32_types.h"
#include "settings/settings_record.h"
#include "stream/codec_context.h"
#include "stream/frame_format.h"

namespace {

using namespace kvtc;
using fuzz::Guarded;
using fuzz::Reader;

struct Layout {
  WORD depth;
  DWORD compression;
};
// The layouts a host offers, each read whole from a buffer its header vouches for.
const Layout kLayouts[] = {
    {24, BI_RGB},          {32, BI_RGB},           {16, BI_RGB},
    {8, BI_RGB},           {4, BI_RGB},            {16, MakeFourcc("YUY2")},
    {16, MakeFourcc("YUV ")}, {16, MakeFourcc("cyuv")}, {9, MakeFourcc("YVU9")},
};
constexpr WORD kAcceptedDepths[] = {4, 6, 8, 9, 16, 24, 32};
const DWORD kAcceptedCompressions[] = {BI_RGB,
                                       MakeFourcc("YUV "),
                                       MakeFourcc("cyuv"),
                                       MakeFourcc("YUY2"),
                                       MakeFourcc("YVU9"),
                                       MakeFourcc("YUV9")};

[[noreturn]] void Fail(const char* what, long a = 0, long b = 0) {
  std::fprintf(stderr, "%s (%ld, %ld)\n", what, a, b);
  std::abort();
}

LRESULT Send(DWORD_PTR id, UINT msg, const void* a = nullptr, const void* b = nullptr) {
  return DriverProc(id, nullptr, msg, reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b));
}

struct ContextDeleter {
  void operator()(stream::CodecContext* c) const { stream::FreeContext(c); }
};

// The decoder's side: a context of its own, fed every frame the encoder makes.
class Receiver {
 public:
  Receiver(std::uint32_t width, std::uint32_t height, bool sharpen) : sharpen_(sharpen) {
    settings_ = settings::PresetRecord(settings::Preset::Lan);
    settings_.dwWidth = width;
    settings_.dwHeight = height;
    settings_.bFlags = 0;
  }

  void Decode(const stream::EncoderState& e, std::span<const std::uint8_t> bytes) {
    if (!context_) {
      context_.reset(stream::CreateContext());
      if (!context_) return;
      context_->decimation = e.decimation;
      settings_.bDecimation = e.decimation;
      const std::uint8_t code = decoder::ConvertedOutputCode(pixels::kRgb24);
      // A decimation can leave no picture at all; the buffer is still there.
      picture_.resize(std::max({std::uint64_t{1},
          decoder::ZoomPictureBytes(code, e.geometry.width, e.geometry.height, false),
          decoder::ZoomPictureBytes(code, e.geometry.width, e.geometry.height, true)}));
    }
    stream::CodecContext& c = *context_;
    c.outputFormat = pixels::kRgb24;
    c.decoderMode = 0;
    c.variantLevel = 0;
    c.variantFlag = sharpen_ ? 1 : 0;
    c.gamma = 1.0;
    const std::vector<std::uint8_t> frame(bytes.begin(), bytes.end());  // exactly its size
    const decoder::DecodeOutcome outcome = decoder::DecodeFrame(c, settings_, frame, picture_);
    if (outcome != decoder::DecodeOutcome::kDecoded) {
      Fail("a frame the encoder made does not decode", static_cast<long>(outcome),
           static_cast<long>(frame.size()));
    }
    Compare(e, *stream::ParseFrameHeader(frame));
  }

 private:
  // Luma everywhere with lossless luma and at the samples the stream carries (even rows and
  // columns) without, since the colour outputs interpolate the rest themselves; chroma
  // everywhere, since both sides fill it in.
  void Compare(const stream::EncoderState& e, const stream::FrameHeader& header) const {
    const stream::PlaneGeometry& g = e.geometry;
    const stream::DecoderState& d = context_->dec;
    if (d.geometry.planeSetSize != g.planeSetSize) {
      Fail("the decoder's planes are not the encoder's size", d.geometry.planeSetSize,
           g.planeSetSize);
    }
    const std::uint32_t step = header.losslessLuma() ? 1 : 2;
    for (std::uint32_t r = 0; r <= g.height; r += step) {
      for (std::uint32_t c = 0; c <= g.width; c += step) {
        const std::size_t at = std::size_t{r} * g.lumaStride + c;
        if (e.reference[at] != d.reference[at]) {
          Fail("decoded luma differs from the encoder's reconstruction", static_cast<long>(r),
               static_cast<long>(c));
        }
      }
    }
    for (std::size_t at = g.uOffset; at < g.planeSetSize - 2 * g.lumaStride; ++at) {
      if (e.reference[at] != d.reference[at]) {
        Fail("decoded chroma differs from the encoder's reconstruction",
             static_cast<long>(at - g.uOffset), static_cast<long>(g.chromaStride));
      }
    }
  }

  bool sharpen_;
  settings::SettingsRecord settings_{};
  std::unique_ptr<stream::CodecContext, ContextDeleter> context_;
  std::vector<std::uint8_t> picture_;
};

// The picture moved right by dx and down by dy bytes' worth of pixels, wrapping around.
void Move(std::vector<std::uint8_t>& picture, std::size_t stride, std::size_t rows,
          std::size_t dx, std::size_t dy) {
  if (stride == 0 || rows == 0) return;
  const std::vector<std::uint8_t> before = picture;
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t from = (r + rows - dy % rows) % rows;
    for (std::size_t c = 0; c < stride; ++c) {
      picture[r * stride + c] = before[from * stride + (c + stride - dx % stride) % stride];
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kvtc::fuzz::PrepareSystemDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 22) return 0;
  Reader in(data, size);
  const LONG width = in.Byte() % 48 + 1;
  const std::uint8_t shape = in.Byte();
  const LONG height = (shape & 63) % 40 + 1;
  const bool anyLayout = (shape & 0x80) != 0;
  const std::uint8_t layoutByte = in.Byte();
  const Layout layout =
      anyLayout ? Layout{kAcceptedDepths[layoutByte % std::size(kAcceptedDepths)],
                         kAcceptedCompressions[layoutByte / 8 % std::size(kAcceptedCompressions)]}
                : kLayouts[layoutByte % std::size(kLayouts)];

  settings::SettingsRecord record = settings::PresetRecord(settings::Preset::Lan);
  auto* fields = reinterpret_cast<std::uint8_t*>(&record);
  in.Fill(fields + offsetof(settings::SettingsRecord, bForceKey),
          settings::kSettingsSize - offsetof(settings::SettingsRecord, bForceKey));
  const std::uint8_t tableSeed = in.Byte();

  // The header and its colour table, as a host lays them out.
  std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = (shape & 0x40) ? -height : height;
  h.biPlanes = 1;
  h.biBitCount = layout.depth;
  h.biCompression = layout.compression;
  h.biClrUsed = (tableSeed & 1) ? 16 : 0;
  std::memcpy(info.data(), &h, sizeof h);
  for (std::size_t i = 0; i < 256 * sizeof(RGBQUAD); ++i) {
    info[sizeof h + i] = static_cast<std::uint8_t>(i * (tableSeed | 1) + (i >> 4) * 29);
  }
  const auto* input = reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
  BITMAPINFOHEADER output{};
  output.biSize = sizeof output;
  output.biCompression = MakeFourcc("Kvt1");

  Send(0, DRV_LOAD);
  Send(0, DRV_ENABLE);
  ICOPEN open{
      sizeof(ICOPEN), MakeFourcc("vidc"), MakeFourcc("KVTC"), 0, ICMODE_COMPRESS, 0, nullptr,
      nullptr, 0};
  const auto id = static_cast<DWORD_PTR>(Send(0, DRV_OPEN, nullptr, &open));
  if (!id) Fail("the compressor does not open");
  if (Send(id, ICM_SETSTATE, &record, reinterpret_cast<void*>(sizeof record)) !=
      static_cast<LRESULT>(settings::kSettingsSize)) {
    Fail("a state block with the codec's magic is refused");
  }
  if (Send(id, ICM_COMPRESS_QUERY, input, &output) != ICERR_OK) {
    Fail("a layout the codec accepts is refused", layout.depth,
         static_cast<long>(layout.compression));
  }
  const LRESULT largest = Send(id, ICM_COMPRESS_GET_SIZE, input, &output);
  if (largest <= 0) Fail("no size promised", largest);
  Send(id, ICM_COMPRESS_BEGIN, input, &output);

  const std::size_t stride =
      (std::size_t{layout.depth} * static_cast<std::size_t>(width) + 31) / 32 * 4;
  const std::size_t rows = static_cast<std::size_t>(height);
  std::vector<std::uint8_t> picture(stride * rows);
  in.Fill(picture.data(), std::min<std::size_t>(picture.size(), 96));
  for (std::size_t i = 96; i < picture.size(); ++i) {
    picture[i] = static_cast<std::uint8_t>((i % stride) * 5 + (i / stride) * 3 + picture[i % 96]);
  }

  Receiver receiver(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                    (tableSeed & 2) != 0);
  for (int n = 0; n < 8 && !in.Done(); ++n) {
    const std::uint8_t control = in.Byte();
    const std::uint16_t quality = in.Word();
    if (n > 0) {
      Move(picture, stride, rows, ((control >> 2) & 7) * (layout.depth + 7) / 8,
           (control >> 5) & 7);
    }
    const std::size_t at = picture.empty() ? 0 : in.Byte() * 7u % picture.size();
    for (std::size_t i = 0; i < 48 && at + i < picture.size(); ++i) picture[at + i] = in.Byte();

    Guarded bits(picture.size());
    std::memcpy(bits.data(), picture.data(), picture.size());
    Guarded frame(static_cast<std::size_t>(largest));
    DWORD ckid = 0, flags = 0;
    ICCOMPRESS c{};
    c.dwFlags = (control & 1) ? ICCOMPRESS_KEYFRAME : 0;
    c.lpbiOutput = &output;
    c.lpOutput = frame.data();
    c.lpbiInput = const_cast<BITMAPINFOHEADER*>(input);
    c.lpInput = bits.data();
    c.lpckid = &ckid;
    c.lpdwFlags = &flags;
    c.lFrameNum = n;
    c.dwQuality = (control & 2) ? ICQUALITY_DEFAULT : quality % 10001;
    const LRESULT result = Send(id, ICM_COMPRESS, &c, reinterpret_cast<void*>(sizeof c));
    bits.Check("the input picture");
    frame.Check("the compressed frame");
    if (result != ICERR_OK) {
      // Only a layout whose rows hold fewer bytes than its samples need may be refused.
      if (anyLayout && result == ICERR_BADFORMAT) break;
      Fail("a frame is refused", result, n);
    }
    if (output.biSizeImage > static_cast<DWORD>(largest)) {
      Fail("a frame larger than promised", static_cast<long>(output.biSizeImage), largest);
    }
    const std::span<const std::uint8_t> made(frame.data(), output.biSizeImage);
    const auto header = stream::ParseFrameHeader(made);
    if (!header) Fail("a frame the encoder made does not parse", n);
    if ((flags & AVIIF_KEYFRAME) && !header->key()) Fail("a key frame reported that is none", n);
    driver::LockedInstance instance(id);
    if (!instance || !instance->pContext) Fail("the compressor lost its stream");
    receiver.Decode(instance->pContext->enc, made);
  }

  Send(id, ICM_COMPRESS_END);
  Send(id, DRV_CLOSE);
  Send(0, DRV_DISABLE);
  Send(0, DRV_FREE);
  return 0;
}
