// A bitmap format as the codec's messages take it: a BITMAPINFOHEADER followed directly by its
// colour table, in one contiguous block.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "platform/win32_types.h"

namespace kvtc::host {

class BitmapInfo {
 public:
  BitmapInfo() : bytes_(sizeof(BITMAPINFOHEADER)) { header().biSize = sizeof(BITMAPINFOHEADER); }
  // A header with room for `colours` colour-table entries after it.
  static BitmapInfo WithColours(std::size_t colours) {
    BitmapInfo b;
    b.bytes_.resize(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD));
    return b;
  }
  // From stored bytes (an AVI's strf): the header, and whatever colour table follows it.
  static BitmapInfo FromBytes(std::span<const std::uint8_t> bytes) {
    BitmapInfo b;
    if (bytes.size() > b.bytes_.size()) b.bytes_.resize(bytes.size());
    std::memcpy(b.bytes_.data(), bytes.data(), std::min(bytes.size(), b.bytes_.size()));
    return b;
  }

  BITMAPINFOHEADER& header() { return *reinterpret_cast<BITMAPINFOHEADER*>(bytes_.data()); }
  const BITMAPINFOHEADER& header() const {
    return *reinterpret_cast<const BITMAPINFOHEADER*>(bytes_.data());
  }
  std::span<RGBQUAD> colours() {
    return {reinterpret_cast<RGBQUAD*>(bytes_.data() + sizeof(BITMAPINFOHEADER)),
            (bytes_.size() - sizeof(BITMAPINFOHEADER)) / sizeof(RGBQUAD)};
  }
  std::span<const RGBQUAD> colours() const {
    return {reinterpret_cast<const RGBQUAD*>(bytes_.data() + sizeof(BITMAPINFOHEADER)),
            (bytes_.size() - sizeof(BITMAPINFOHEADER)) / sizeof(RGBQUAD)};
  }
  std::span<const std::uint8_t> bytes() const { return bytes_; }
  // The address a message takes as its header parameter.
  LPARAM param() { return reinterpret_cast<LPARAM>(bytes_.data()); }

 private:
  std::vector<std::uint8_t> bytes_;  // header, then the colour table
};

// "Kvt1", "YUY2"; a BI_RGB code shows as "RGB ".
inline std::string FourccText(DWORD fourcc) {
  if (fourcc == BI_RGB) return "RGB ";
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) {
    const char c = FourccChar(fourcc, i);
    s[i] = (c >= 32 && c < 127) ? c : '?';
  }
  return s;
}

}  // namespace kvtc::host
