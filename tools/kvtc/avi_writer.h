// A RIFF AVI 1.0 writer for one compressed video stream: the hdrl list (avih, and one strl
// with strh, strf, strd and strn), the movi list with one "00dc" chunk per frame, and an idx1
// index whose key-frame flags are what the caller reports for each frame.
//
// The file is written under a temporary name and renamed into place by Finish; a writer that
// is destroyed unfinished removes what it wrote.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "kvtc/avi_stream.h"
#include "kvtc/pending_file.h"

namespace kvtc::tool {

class AviWriter {
 public:
  AviWriter(const std::string& path, AviVideoInfo info);
  ~AviWriter();
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  void WriteFrame(std::span<const std::uint8_t> data, bool key);
  // Replaces the stored codec state (the strd chunk); its size must not change.
  void SetCodecState(std::span<const std::uint8_t> state);
  // Writes the index, completes the headers and renames the file into place.
  void Finish();

  std::uint32_t FrameCount() const { return static_cast<std::uint32_t>(index_.size()); }
  std::uint64_t PayloadBytes() const { return payloadBytes_; }

 private:
  struct IndexEntry {
    std::uint32_t offset;  // of the chunk header, from the "movi" list type
    std::uint32_t size;
    bool key;
  };
  std::vector<std::uint8_t> Headers(std::uint64_t fileSize) const;
  void Write(const void* data, std::size_t size);

  AviVideoInfo info_;
  PendingFile file_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream_;
  std::vector<IndexEntry> index_;
  std::size_t headerSize_ = 0;   // everything up to and including the "movi" list type
  std::uint64_t moviEnd_ = 0;    // file position after the last frame chunk
  std::uint64_t payloadBytes_ = 0;
  std::uint32_t largestFrame_ = 0;
};

}  // namespace kvtc::tool
