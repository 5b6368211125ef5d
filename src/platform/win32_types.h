// Win32 and Video for Windows types, structures and constants that the codec uses.
//
// On Windows they come from the SDK headers. Everywhere else they are defined here with the
// SDK's layouts under the LLP64 model: DWORD, LONG and UINT are 32 bits, pointers and the
// pointer-sized integers (LPARAM, LRESULT, DWORD_PTR) follow the machine, WCHAR is 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>
#include <vfw.h>
#define KVTC_CALLBACK CALLBACK
// The module-definition file exports DriverProc under its plain name; a dllexport here would
// add the decorated name as a second export on 32-bit Windows.
#define KVTC_EXPORT extern "C"
#else

#define KVTC_CALLBACK
#define KVTC_EXPORT extern "C" __attribute__((visibility("default")))

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;
using BOOL = std::int32_t;
using WCHAR = char16_t;
using SIZE_T = std::size_t;
using LPARAM = std::intptr_t;
using WPARAM = std::uintptr_t;
using LRESULT = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using LPVOID = void*;
using LPDWORD = DWORD*;
using FOURCC = DWORD;

// Opaque handles: distinct pointer types, as the SDK declares them.
struct HDRVR__;
struct HWND__;
struct HINSTANCE__;
struct HGLOBAL__;
using HDRVR = HDRVR__*;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HGLOBAL = HGLOBAL__*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
using LPBITMAPINFOHEADER = BITMAPINFOHEADER*;

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct ICOPEN {
  DWORD dwSize;
  DWORD fccType;
  DWORD fccHandler;
  DWORD dwVersion;
  DWORD dwFlags;
  LRESULT dwError;
  LPVOID pV1Reserved;
  LPVOID pV2Reserved;
  DWORD dnDevNode;
};

struct ICINFO {
  DWORD dwSize;
  DWORD fccType;
  DWORD fccHandler;
  DWORD dwFlags;
  DWORD dwVersion;
  DWORD dwVersionICM;
  WCHAR szName[16];
  WCHAR szDescription[128];
  WCHAR szDriver[128];
};

struct ICCOMPRESS {
  DWORD dwFlags;
  LPBITMAPINFOHEADER lpbiOutput;
  LPVOID lpOutput;
  LPBITMAPINFOHEADER lpbiInput;
  LPVOID lpInput;
  LPDWORD lpckid;
  LPDWORD lpdwFlags;
  LONG lFrameNum;
  DWORD dwFrameSize;
  DWORD dwQuality;
  LPBITMAPINFOHEADER lpbiPrev;
  LPVOID lpPrev;
};

struct ICDECOMPRESS {
  DWORD dwFlags;
  LPBITMAPINFOHEADER lpbiInput;
  LPVOID lpInput;
  LPBITMAPINFOHEADER lpbiOutput;
  LPVOID lpOutput;
  DWORD ckid;
};

struct ICDECOMPRESSEX {
  DWORD dwFlags;
  LPBITMAPINFOHEADER lpbiSrc;
  LPVOID lpSrc;
  LPBITMAPINFOHEADER lpbiDst;
  LPVOID lpDst;
  int xDst;
  int yDst;
  int dxDst;
  int dyDst;
  int xSrc;
  int ySrc;
  int dxSrc;
  int dySrc;
};

struct ICSETSTATUSPROC {
  DWORD dwFlags;
  LPARAM lParam;
  LONG (*Status)(LPARAM lParam, UINT message, LONG l);
};

// Installable-driver messages.
constexpr UINT DRV_LOAD = 0x0001;
constexpr UINT DRV_ENABLE = 0x0002;
constexpr UINT DRV_OPEN = 0x0003;
constexpr UINT DRV_CLOSE = 0x0004;
constexpr UINT DRV_DISABLE = 0x0005;
constexpr UINT DRV_FREE = 0x0006;
constexpr UINT DRV_CONFIGURE = 0x0007;
constexpr UINT DRV_QUERYCONFIGURE = 0x0008;
constexpr UINT DRV_INSTALL = 0x0009;
constexpr UINT DRV_REMOVE = 0x000A;
constexpr UINT DRV_USER = 0x4000;

// Compressor messages.
constexpr UINT ICM_USER = DRV_USER;
constexpr UINT ICM_RESERVED = 0x5000;
constexpr UINT ICM_GETSTATE = ICM_RESERVED + 0;
constexpr UINT ICM_SETSTATE = ICM_RESERVED + 1;
constexpr UINT ICM_GETINFO = ICM_RESERVED + 2;
constexpr UINT ICM_CONFIGURE = ICM_RESERVED + 10;
constexpr UINT ICM_ABOUT = ICM_RESERVED + 11;
constexpr UINT ICM_GETDEFAULTQUALITY = ICM_RESERVED + 30;
constexpr UINT ICM_GETQUALITY = ICM_RESERVED + 31;
constexpr UINT ICM_SETQUALITY = ICM_RESERVED + 32;
constexpr UINT ICM_COMPRESS_GET_FORMAT = ICM_USER + 4;
constexpr UINT ICM_COMPRESS_GET_SIZE = ICM_USER + 5;
constexpr UINT ICM_COMPRESS_QUERY = ICM_USER + 6;
constexpr UINT ICM_COMPRESS_BEGIN = ICM_USER + 7;
constexpr UINT ICM_COMPRESS = ICM_USER + 8;
constexpr UINT ICM_COMPRESS_END = ICM_USER + 9;
constexpr UINT ICM_DECOMPRESS_GET_FORMAT = ICM_USER + 10;
constexpr UINT ICM_DECOMPRESS_QUERY = ICM_USER + 11;
constexpr UINT ICM_DECOMPRESS_BEGIN = ICM_USER + 12;
constexpr UINT ICM_DECOMPRESS = ICM_USER + 13;
constexpr UINT ICM_DECOMPRESS_END = ICM_USER + 14;
constexpr UINT ICM_DRAW_BEGIN = ICM_USER + 15;
constexpr UINT ICM_DRAW_END = ICM_USER + 21;
constexpr UINT ICM_DRAW_QUERY = ICM_USER + 31;
constexpr UINT ICM_DRAW = ICM_USER + 33;
constexpr UINT ICM_DECOMPRESS_GET_PALETTE = ICM_USER + 30;
constexpr UINT ICM_GETDEFAULTKEYFRAMERATE = ICM_USER + 42;
constexpr UINT ICM_DECOMPRESSEX_BEGIN = ICM_USER + 60;
constexpr UINT ICM_DECOMPRESSEX_QUERY = ICM_USER + 61;
constexpr UINT ICM_DECOMPRESSEX = ICM_USER + 62;
constexpr UINT ICM_DECOMPRESSEX_END = ICM_USER + 63;
constexpr UINT ICM_COMPRESS_FRAMES_INFO = ICM_USER + 70;
constexpr UINT ICM_SET_STATUS_PROC = ICM_USER + 72;

// Status codes.
constexpr LRESULT ICERR_OK = 0;
constexpr LRESULT ICERR_UNSUPPORTED = -1;
constexpr LRESULT ICERR_BADFORMAT = -2;
constexpr LRESULT ICERR_MEMORY = -3;
constexpr LRESULT ICERR_BADPARAM = -6;
constexpr LRESULT ICERR_ERROR = -100;

constexpr DWORD VIDCF_QUALITY = 0x0001;
constexpr DWORD VIDCF_CRUNCH = 0x0002;
constexpr DWORD VIDCF_TEMPORAL = 0x0004;
constexpr DWORD VIDCF_COMPRESSFRAMES = 0x0008;
constexpr DWORD VIDCF_DRAW = 0x0010;
constexpr DWORD VIDCF_FASTTEMPORALC = 0x0020;
constexpr DWORD VIDCF_FASTTEMPORALD = 0x0080;

constexpr DWORD ICVERSION = 0x0104;
constexpr DWORD ICQUALITY_DEFAULT = 0xFFFFFFFFu;
constexpr DWORD ICCOMPRESS_KEYFRAME = 0x00000001;
constexpr DWORD ICDECOMPRESS_HURRYUP = 0x80000000u;
constexpr DWORD AVIIF_KEYFRAME = 0x00000010;
constexpr DWORD BI_RGB = 0;

constexpr DWORD ICMODE_COMPRESS = 1;
constexpr DWORD ICMODE_DECOMPRESS = 2;
constexpr DWORD ICMODE_FASTDECOMPRESS = 3;
constexpr DWORD ICMODE_QUERY = 4;

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

#endif  // !_WIN32

namespace kvtc {

// The four characters of a FOURCC, first character in the low byte.
constexpr DWORD MakeFourcc(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<std::uint8_t>(a)) |
         static_cast<DWORD>(static_cast<std::uint8_t>(b)) << 8 |
         static_cast<DWORD>(static_cast<std::uint8_t>(c)) << 16 |
         static_cast<DWORD>(static_cast<std::uint8_t>(d)) << 24;
}
constexpr DWORD MakeFourcc(const char (&s)[5]) { return MakeFourcc(s[0], s[1], s[2], s[3]); }

// The character at position i (0..3) of a FOURCC.
constexpr char FourccChar(DWORD fourcc, int i) {
  return static_cast<char>((fourcc >> (8 * i)) & 0xFF);
}

static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(ICINFO) == 568);
static_assert(sizeof(WCHAR) == 2);
static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(UINT) == 4);
static_assert(sizeof(LPARAM) == sizeof(void*) && sizeof(LRESULT) == sizeof(void*));
static_assert(sizeof(DWORD_PTR) == sizeof(void*));

}  // namespace kvtc
