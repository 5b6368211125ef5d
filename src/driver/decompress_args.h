// The decompression argument list that every decompression handler takes: the instance, the
// flags, the source and destination headers, bits and rectangles. A width or height of -1
// stands for the whole frame, taken from the header.
#pragma once

#include "platform/win32_types.h"

namespace kvtc::driver {

struct DecompressArgs {
  DWORD_PTR id = 0;
  DWORD flags = 0;
  BITMAPINFOHEADER* src = nullptr;
  void* srcBits = nullptr;
  int xSrc = 0, ySrc = 0, dxSrc = -1, dySrc = -1;
  BITMAPINFOHEADER* dst = nullptr;
  void* dstBits = nullptr;
  int xDst = 0, yDst = 0, dxDst = -1, dyDst = -1;
};

}  // namespace kvtc::driver
