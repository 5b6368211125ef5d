// One decompression session with the codec, as a host runs it.
//
// The destination is negotiated the way the codec allows: 24- and 32-bit RGB and "YUY2" are
// asked for directly; the 15-bit, 8-bit and 4-bit layouts are reached by beginning the
// sequence with a 24-bit destination and then handing each frame a destination of the wanted
// depth, which the codec takes at frame time. Display settings that only the settings file
// carries (gamma, grey display, zoom, palette kind) and the stream's decimation travel in the
// session's settings file, which the codec reads again at the first frame.
//
// Temporal interpolation ("KvtB", "KvtC") gives 2 or 4 pictures a frame: after each decoded
// frame the tool calls again with the same bytes for the pictures in between, and the first
// frame, with nothing before it, is shown for all of its pictures.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "host/bitmap_info.h"
#include "host/codec_host.h"
#include "host/output_layout.h"
#include "host/session_directory.h"
#include "settings/settings_record.h"

namespace kvtc::host {

struct DisplayChoices {
  OutputFormat format = OutputFormat::Rgb24;
  std::optional<float> gamma;     // 0.5 .. 2.0
  std::optional<bool> showGray;
  int zoom = 1;                   // 1, 2, 4 or 8
  std::optional<int> interp;      // pictures per frame: 1, 2 or 4; unset keeps the stream's
  std::optional<bool> sharpen;    // unset keeps the stream's
};

// What happened to one compressed frame.
struct FrameOutcome {
  bool decoded = true;
  std::string problem;  // why not, when not decoded
};

class Decompressor {
 public:
  // `stream` is the compressed stream's format; `decimation` the decimation it was coded
  // with (0 for none); `settings` the user's saved settings the display choices amend.
  Decompressor(const BitmapInfo& stream, BYTE decimation, const DisplayChoices& display,
               const settings::SettingsRecord& settings);
  ~Decompressor();
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int PicturesPerFrame() const { return picturesPerFrame_; }
  std::span<const RGBQUAD> Palette() const { return palette_; }
  // The FOURCC the frames are presented with: "Kvt1", or a variant for interpolation and
  // sharpening.
  DWORD Variant() const { return source_.header().biCompression; }

  // Decodes one frame; `picture` receives each picture it yields (PicturesPerFrame of them,
  // the previous picture standing in when the frame cannot be decoded).
  FrameOutcome Decode(std::span<const std::uint8_t> frame,
                      const std::function<void(std::span<const std::uint8_t>)>& picture);

  // Seconds spent inside the codec decompressing frames.
  double CodecSeconds() const { return codecSeconds_; }

 private:
  void Send(std::span<const std::uint8_t> frame);

  BitmapInfo source_;
  BitmapInfo destination_;
  int width_ = 0;
  int height_ = 0;
  int picturesPerFrame_ = 1;
  std::vector<RGBQUAD> palette_;
  std::vector<std::uint8_t> picture_;
  std::size_t framesSent_ = 0;
  bool begun_ = false;
  double codecSeconds_ = 0;
  std::unique_ptr<SessionDirectory> session_;
  std::unique_ptr<CodecDriver> driver_;
  std::unique_ptr<CodecInstance> instance_;
};

// How much of a delivered picture side shows the source: a stream stores its source's size
// before padding (`source`, 0 when unknown) beside the coded size; the codec delivers `coded`
// scaled by decimation and zoom as `delivered`, and the padding is cropped off, rounding up.
int ShownExtent(std::uint32_t source, long coded, int delivered);

// The stream variant FOURCC for the given interpolation (1, 2, 4) and sharpening.
DWORD VariantFourcc(int picturesPerFrame, bool sharpen);
// Pictures per frame and sharpening a stream FOURCC stands for ("Kvt1" -> 1, off).
std::pair<int, bool> VariantOf(DWORD fourcc);

}  // namespace kvtc::host
