// What the host's cases share: the codec's codes, an open compressor handle, bitmap headers,
// file contents, and the codec's installation.
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

// Installing the codec the way its users do, through its INF file: the DLL goes into the
// system directory (which a 32-bit process on 64-bit Windows sees redirected to syswow64), and
// the driver is named in the registry as "vidc.KVTC" = "kvtc.dll" under Drivers32 (in the
// 32-bit view, Wow6432Node, for a 32-bit host on 64-bit Windows).

// True for a 32-bit process on 64-bit Windows.
bool RunsUnderWow64();
// The directory that holds drivers of this host's bitness, as the file system names it.
std::string DriverDirectory();
// A file in the system directory as the process names it (and as the codec does).
std::string SystemFile(const char* name);

// Runs the INF's DefaultInstall section, checks that the DLL and its Drivers32 value are where
// this host looks for them, and removes the settings file and error log that an earlier run
// left. False, after saying why, when any of it fails.
bool InstallCodec(const std::string& inf);
// Runs the INF's DefaultUninstall section; true when the DLL and its value are gone.
bool UninstallCodec(const std::string& inf);

// The file this process loaded kvtc.dll from; empty while it is not loaded.
std::string LoadedCodecPath();
// Case-insensitive equality of two Windows paths.
bool SamePath(const std::string& a, const std::string& b);

}  // namespace kvtc::wintest
