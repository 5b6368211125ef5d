#include "host/decompressor.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "host/frame_inspection.h"
#include "host/host_errors.h"
#include "stream/plane_geometry.h"

namespace kvtc::host {
namespace {

void SetFlag(BYTE& flags, BYTE bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }

}  // namespace

int ShownExtent(std::uint32_t source, long coded, int delivered) {
  if (source == 0 || coded <= 0 || source >= static_cast<std::uint64_t>(coded)) return delivered;
  const std::uint64_t scaled = (std::uint64_t{source} * delivered + coded - 1) / coded;
  return static_cast<int>(std::min<std::uint64_t>(scaled, delivered));
}

DWORD VariantFourcc(int picturesPerFrame, bool sharpen) {
  const char level = picturesPerFrame == 4 ? 'C' : picturesPerFrame == 2 ? 'B' : 'A';
  if (level == 'A' && !sharpen) return MakeFourcc("Kvt1");
  return MakeFourcc('K', 'v', 't', sharpen ? static_cast<char>(level + ('a' - 'A')) : level);
}

std::pair<int, bool> VariantOf(DWORD fourcc) {
  switch (FourccChar(fourcc, 3)) {
    case 'B': return {2, false};
    case 'C': return {4, false};
    case 'a': return {1, true};
    case 'b': return {2, true};
    case 'c': return {4, true};
    default: return {1, false};
  }
}

Decompressor::Decompressor(const BitmapInfo& stream, BYTE decimation,
                           const DisplayChoices& display, const settings::SettingsRecord& saved)
    : source_(stream) {
  BITMAPINFOHEADER& src = source_.header();
  const auto [streamLevel, streamSharpen] = VariantOf(src.biCompression);
  picturesPerFrame_ = display.interp.value_or(streamLevel);
  src.biCompression = VariantFourcc(picturesPerFrame_, display.sharpen.value_or(streamSharpen));

  // The picture the codec delivers: the coded size (after decimation), enlarged by the zoom.
  const stream::PlaneGeometry coded = stream::ComputePlaneGeometry(
      static_cast<std::uint32_t>(src.biWidth), static_cast<std::uint32_t>(std::abs(src.biHeight)),
      decimation);
  width_ = static_cast<int>(coded.width) * display.zoom;
  height_ = static_cast<int>(coded.height) * display.zoom;

  settings::SettingsRecord wanted = saved;
  if (display.gamma) wanted.flGamma = *display.gamma;
  if (display.showGray) SetFlag(wanted.bFlags, settings::SF_SHOWGRAY, *display.showGray);
  wanted.bDecoderMode = static_cast<BYTE>(display.zoom == 1 ? 0 : display.zoom);
  wanted.bOutputFormat = OutputCode(display.format);
  wanted.bDecimation = decimation;
  session_ = std::make_unique<SessionDirectory>(wanted);
  driver_ = std::make_unique<CodecDriver>();
  {
    const SessionDirectory::Pointer reading(*session_);
    instance_ = std::make_unique<CodecInstance>(*driver_, ICMODE_DECOMPRESS);
  }

  if (const LRESULT r = instance_->Send(ICM_DECOMPRESS_QUERY, source_.param()); r != ICERR_OK) {
    throw IoError("the codec does not decompress '" + FourccText(src.biCompression) +
                  "' streams (" + StatusText(r) + ")");
  }
  // The begin destination: the wanted one where the codec takes it at begin, else 24-bit
  // RGB; either way of the size of the picture the codec delivers.
  const bool direct = display.format == OutputFormat::Rgb24 ||
                      display.format == OutputFormat::Rgb32 || display.format == OutputFormat::Yuy2;
  BitmapInfo begin = OutputHeader(direct ? display.format : OutputFormat::Rgb24, width_, height_);
  if (const LRESULT r = instance_->Send(ICM_DECOMPRESS_QUERY, source_.param(), begin.param());
      r != ICERR_OK) {
    throw IoError("the codec does not decompress this stream to " +
                  std::string(kOutputFormatNames[static_cast<int>(display.format)]) + " (" +
                  StatusText(r) + ")");
  }

  destination_ = OutputHeader(display.format, width_, height_);
  if (UsesPalette(display.format)) {
    BitmapInfo request = OutputHeader(display.format, width_, height_);
    if (const LRESULT r = instance_->Send(ICM_DECOMPRESS_GET_PALETTE, source_.param(),
                                          request.param());
        r != ICERR_OK) {
      throw IoError("the codec gave no palette for " +
                    std::string(kOutputFormatNames[static_cast<int>(display.format)]) +
                    " output (" + StatusText(r) + ")");
    }
    palette_.assign(request.colours().begin(), request.colours().end());
  }

  if (const LRESULT r = instance_->Send(ICM_DECOMPRESS_BEGIN, source_.param(), begin.param());
      r != ICERR_OK) {
    throw IoError("the codec refused to begin decompressing (" + StatusText(r) + ")");
  }
  begun_ = true;
  picture_.assign(OutputImageBytes(display.format, width_, height_), 0);
}

Decompressor::~Decompressor() {
  if (begun_) instance_->Send(ICM_DECOMPRESS_END);
}

void Decompressor::Send(std::span<const std::uint8_t> frame) {
  source_.header().biSizeImage = static_cast<DWORD>(frame.size());
  ICDECOMPRESS d{};
  d.lpbiInput = &source_.header();
  d.lpInput = const_cast<std::uint8_t*>(frame.data());
  d.lpbiOutput = &destination_.header();
  d.lpOutput = picture_.data();
  const auto start = std::chrono::steady_clock::now();
  const LRESULT r = instance_->Send(ICM_DECOMPRESS, &d, reinterpret_cast<void*>(sizeof d));
  codecSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (r != ICERR_OK) {
    throw IoError("the codec did not decompress a frame (" + StatusText(r) + ")");
  }
}

FrameOutcome Decompressor::Decode(
    std::span<const std::uint8_t> frame,
    const std::function<void(std::span<const std::uint8_t>)>& picture) {
  FrameOutcome outcome;
  const FrameInspection inspection = InspectFrame(frame);
  if (frame.empty()) {
    // An empty chunk is how AVI files repeat the picture before; the codec is not asked.
  } else if (!inspection.WellFormed()) {
    // Not handed to the codec: nothing in it can be trusted.
    outcome = {false, inspection.problem};
  } else {
    // Sent even when its checksum fails, so that the codec logs the failure; the codec then
    // leaves the picture as it was.
    const std::size_t sentBefore = framesSent_++;
    if (sentBefore == 0) {
      const SessionDirectory::Pointer reading(*session_);
      Send(frame);
    } else {
      Send(frame);
    }
    if (!inspection.checksumOk) {
      outcome = {false, "checksum failed"};
    } else if (sentBefore > 0 && picturesPerFrame_ > 1) {
      picture(picture_);
      for (int i = 1; i < picturesPerFrame_; ++i) {
        Send(frame);
        picture(picture_);
      }
      return outcome;
    }
  }
  for (int i = 0; i < picturesPerFrame_; ++i) picture(picture_);
  return outcome;
}

}  // namespace kvtc::host
