// One compression session with the codec, as a host runs it: the settings go in through the
// state block and the quality messages, the output format comes from ICM_COMPRESS_GET_FORMAT,
// the sequence is begun, every frame goes through ICM_COMPRESS with the key-frame request the
// caller makes, and the sequence is ended.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "host/bitmap_info.h"
#include "host/codec_host.h"
#include "host/session_directory.h"
#include "settings/settings_record.h"

namespace kvtc::host {

struct CompressedFrame {
  std::span<const std::uint8_t> bytes;  // valid until the next frame
  bool key = false;                     // AVIIF_KEYFRAME as the codec reported it
};

class Compressor {
 public:
  // `input` is the bitmap format frames arrive in; `settings` the compressor settings wanted
  // (its key-frame interval is ignored: the caller asks for key frames itself);
  // `requiredInputCode` the input code the codec must hold first, if any; `quality` the
  // quality sent with every frame. Throws IoError when the codec refuses the format.
  Compressor(const BitmapInfo& input, const settings::SettingsRecord& settings,
             std::optional<BYTE> requiredInputCode, DWORD quality);
  ~Compressor();
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  // The compressed format: what an AVI stream of these frames is described by.
  const BitmapInfo& OutputFormat() const { return output_; }
  // The codec's handler code and name, from ICM_GETINFO.
  DWORD Handler() const { return handler_; }
  const std::string& Name() const { return name_; }
  // The codec's state block, to be stored with the stream.
  StateBlock State() const { return instance_->GetState(); }

  // Compresses one frame, with `quality` in place of the session's when given, and at most
  // `frameBytes` bytes when that is not 0 (ICCOMPRESS.dwFrameSize: the codec raises the
  // threshold, builds a key frame up over several frames, or leaves blocks for later frames
  // to fit it); throws IoError when the codec refuses it.
  CompressedFrame Compress(std::span<const std::uint8_t> bits, bool requestKey,
                           std::optional<DWORD> quality = std::nullopt, DWORD frameBytes = 0);
  const BitmapInfo& InputFormat() const { return input_; }

  // Seconds spent inside the codec compressing frames.
  double CodecSeconds() const { return codecSeconds_; }

 private:
  BitmapInfo input_;
  BitmapInfo output_;
  DWORD quality_;
  DWORD handler_ = 0;
  std::string name_;
  LONG frameNumber_ = 0;
  bool begun_ = false;
  double codecSeconds_ = 0;
  std::vector<std::uint8_t> buffer_;
  // Declared in the order they must come up; they go down in reverse.
  std::unique_ptr<SessionDirectory> session_;
  std::unique_ptr<CodecDriver> driver_;
  std::unique_ptr<CodecInstance> instance_;
};

}  // namespace kvtc::host
