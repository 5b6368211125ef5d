// What the host's cases share: the codec's codes, an open compressor handle, bitmap headers and
// file contents.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "wintest.h"

namespace kvtc::wintest {

constexpr DWORD kHandler = mmioFOURCC('K', 'V', 'T', 'C');
constexpr DWORD kStreamFourcc = mmioFOURCC('K', 'v', 't', '1');
constexpr LRESULT kStateSize = 38;

// One ICOpen of the codec, closed with the object.
class OpenCodec {
 public:
  explicit OpenCodec(UINT mode = ICMODE_COMPRESS) : hic_(ICOpen(ICTYPE_VIDEO, kHandler, mode)) {}
  ~OpenCodec() {
    if (hic_) ICClose(hic_);
  }
  OpenCodec(const OpenCodec&) = delete;
  OpenCodec& operator=(const OpenCodec&) = delete;
  HIC get() const { return hic_; }
  explicit operator bool() const { return hic_ != nullptr; }

 private:
  HIC hic_;
};

// A bottom-up bitmap header of the given compression and depth.
inline BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof(h);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biCompression = compression;
  h.biSizeImage = static_cast<DWORD>(((width * bits + 31) / 32) * 4 * (height < 0 ? -height : height));
  return h;
}

// The whole file, empty when it cannot be read.
inline std::vector<BYTE> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A UTF-16 string of the codec's as a narrow string (its texts are plain ASCII).
inline std::string Narrow(const WCHAR* text) {
  std::string s;
  while (*text) s += static_cast<char>(*text++);
  return s;
}

}  // namespace kvtc::wintest
