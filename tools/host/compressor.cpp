#include "host/compressor.h"

#include <chrono>
#include <cstring>

#include "host/codec_settings.h"
#include "host/host_errors.h"

namespace kvtc::host {
namespace {

// No frame can be larger: flags, three optional bytes, two 16-bit lengths, three sections of
// at most 65535 bytes each, and the checksum. The codec's own size answer (12 bits a pixel)
// can be smaller than that for small pictures coded losslessly.
constexpr std::size_t kLargestFrame = 1 + 3 + 2 + 65535 + 2 + 65535 + 65535 + 1;

std::string Describe(const BITMAPINFOHEADER& h) {
  return std::to_string(h.biWidth) + "x" + std::to_string(std::abs(h.biHeight)) + " " +
         (h.biCompression == BI_RGB ? std::to_string(h.biBitCount) + "-bit RGB"
                                    : "'" + FourccText(h.biCompression) + "'");
}

}  // namespace

Compressor::Compressor(const BitmapInfo& input, const settings::SettingsRecord& settings,
                       std::optional<BYTE> requiredInputCode, DWORD quality)
    : input_(input), quality_(quality) {
  // The median filter has no place in the state block: the session's settings file carries
  // it (with the rest of the wanted settings) into the instance when it opens.
  // The session opts in to frame sizes: Compress passes 0 unless a link sets a limit.
  settings::SettingsRecord opened = settings;
  opened.bFlags |= settings::SF_FRAMESIZE;
  session_ = std::make_unique<SessionDirectory>(opened);
  driver_ = std::make_unique<CodecDriver>();
  {
    const SessionDirectory::Pointer reading(*session_);
    instance_ = std::make_unique<CodecInstance>(*driver_, ICMODE_COMPRESS);
  }
  const ICINFO info = instance_->Info();
  handler_ = info.fccHandler;
  name_ = CodecName(info);

  const LRESULT query = instance_->Send(ICM_COMPRESS_QUERY, input_.param());
  if (query != ICERR_OK) {
    throw IoError("the codec does not compress " + Describe(input_.header()) + " frames (" +
                  StatusText(query) + ")");
  }
  const LRESULT formatSize = instance_->Send(ICM_COMPRESS_GET_FORMAT, input_.param());
  if (formatSize < static_cast<LRESULT>(sizeof(BITMAPINFOHEADER))) {
    throw IoError("the codec gave no compressed format (ICM_COMPRESS_GET_FORMAT answered " +
                  StatusText(formatSize) + ")");
  }
  output_ = BitmapInfo::WithColours((formatSize - sizeof(BITMAPINFOHEADER)) / sizeof(RGBQUAD));
  if (const LRESULT r = instance_->Send(ICM_COMPRESS_GET_FORMAT, input_.param(), output_.param());
      r != ICERR_OK) {
    throw IoError("the codec gave no compressed format (ICM_COMPRESS_GET_FORMAT answered " +
                  StatusText(r) + ")");
  }

  // The settings, after the format request (which resets the input code): key frames are the
  // tool's to ask for, so the codec schedules none of its own; an 8-bit grey input needs its
  // input code set beforehand.
  StateBlock state = instance_->GetState();
  settings::SettingsRecord wanted = settings;
  wanted.bKeyInterval = 0;
  CopyCompressorFieldsToState(wanted, state);
  if (requiredInputCode) {
    state[offsetof(settings::SettingsRecord, bInputFormat)] = *requiredInputCode;
  }
  instance_->SetState(state);
  instance_->SetQuality(quality_);

  const LRESULT largest = instance_->Send(ICM_COMPRESS_GET_SIZE, input_.param(), output_.param());
  buffer_.resize(std::max<std::size_t>(largest > 0 ? largest : 0, kLargestFrame));

  if (const LRESULT r = instance_->Send(ICM_COMPRESS_BEGIN, input_.param(), output_.param());
      r != ICERR_OK) {
    throw IoError("the codec refused to begin compressing " + Describe(input_.header()) +
                  " frames (" + StatusText(r) + ")");
  }
  begun_ = true;
}

Compressor::~Compressor() {
  if (begun_) instance_->Send(ICM_COMPRESS_END);
}

CompressedFrame Compressor::Compress(std::span<const std::uint8_t> bits, bool requestKey,
                                     std::optional<DWORD> quality, DWORD frameBytes) {
  BitmapInfo output = output_;  // the codec writes the frame's size into it
  DWORD ckid = 0;
  DWORD flags = 0;
  ICCOMPRESS c{};
  c.dwFlags = requestKey ? ICCOMPRESS_KEYFRAME : 0;
  c.lpbiOutput = &output.header();
  c.lpOutput = buffer_.data();
  c.lpbiInput = const_cast<BITMAPINFOHEADER*>(&input_.header());
  c.lpInput = const_cast<std::uint8_t*>(bits.data());
  c.lpckid = &ckid;
  c.lpdwFlags = &flags;
  c.lFrameNum = frameNumber_;
  c.dwQuality = quality.value_or(quality_);
  c.dwFrameSize = frameBytes;

  const auto start = std::chrono::steady_clock::now();
  const LRESULT r = instance_->Send(ICM_COMPRESS, &c, reinterpret_cast<void*>(sizeof c));
  codecSeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (r != ICERR_OK) {
    throw IoError("frame " + std::to_string(frameNumber_) + ": the codec did not compress it (" +
                  StatusText(r) + ")");
  }
  const DWORD size = output.header().biSizeImage;
  if (size > buffer_.size()) {
    throw IoError("frame " + std::to_string(frameNumber_) + ": the codec reports " +
                  std::to_string(size) + " bytes, more than the largest frame possible");
  }
  ++frameNumber_;
  return {std::span(buffer_.data(), size), (flags & AVIIF_KEYFRAME) != 0};
}

}  // namespace kvtc::host
