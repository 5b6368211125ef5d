// Format negotiation through the Video Compression Manager's own calls.
#include "vcm_support.h"

namespace kvtc::wintest {
namespace {

WINTEST_CASE(CompressQueryAcceptsTheInputFormats) {
  OpenCodec codec;
  CHECK(codec);
  static const struct {
    WORD bits;
    DWORD compression;
    bool accepted;
  } kInputs[] = {
      {24, BI_RGB, true},
      {32, BI_RGB, true},
      {16, BI_RGB, true},
      {8, BI_RGB, true},
      {4, BI_RGB, true},
      {16, mmioFOURCC('Y', 'U', 'Y', '2'), true},
      {9, mmioFOURCC('Y', 'V', 'U', '9'), true},
      {1, BI_RGB, false},
      {24, mmioFOURCC('M', 'J', 'P', 'G'), false},
  };
  for (const auto& input : kInputs) {
    BITMAPINFOHEADER in = Header(160, 120, input.bits, input.compression);
    const LRESULT answer = ICCompressQuery(codec.get(), &in, nullptr);
    if ((answer == ICERR_OK) != input.accepted) {
      std::ostringstream m;
      m << input.bits << "-bit input of compression 0x" << std::hex << input.compression
        << " answered " << std::dec << answer;
      Fail(__FILE__, __LINE__, m.str());
    }
  }
}

WINTEST_CASE(CompressFormatAndSize) {
  OpenCodec codec;
  CHECK(codec);
  BITMAPINFOHEADER in = Header(160, 120, 24);
  CHECK_EQ(ICCompressGetFormatSize(codec.get(), &in), sizeof(in));
  BITMAPINFOHEADER out{};
  CHECK_EQ(ICCompressGetFormat(codec.get(), &in, &out), ICERR_OK);
  CHECK_EQ(out.biCompression, kStreamFourcc);
  CHECK_EQ(out.biBitCount, 24);
  CHECK_EQ(out.biWidth, 160l);
  CHECK_EQ(out.biHeight, 120l);
  CHECK_EQ(ICCompressGetSize(codec.get(), &in, &out), 160l * 120 * 3 / 2);
  CHECK_EQ(ICCompressQuery(codec.get(), &in, &out), ICERR_OK);
  CHECK_EQ(ICCompressBegin(codec.get(), &in, &out), ICERR_OK);
  CHECK_EQ(ICCompressEnd(codec.get()), ICERR_OK);
}

WINTEST_CASE(DecompressFormatAndQuery) {
  OpenCodec codec(ICMODE_DECOMPRESS);
  CHECK(codec);
  BITMAPINFOHEADER in = Header(176, 144, 24, kStreamFourcc);
  CHECK_EQ(ICDecompressQuery(codec.get(), &in, nullptr), ICERR_OK);
  CHECK_EQ(ICDecompressGetFormatSize(codec.get(), &in), sizeof(in));
  BITMAPINFOHEADER out{};
  CHECK_EQ(ICDecompressGetFormat(codec.get(), &in, &out), ICERR_OK);
  CHECK_EQ(out.biCompression, static_cast<DWORD>(BI_RGB));
  CHECK_EQ(out.biWidth, 176l);
  CHECK_EQ(out.biHeight, 144l);
  CHECK_EQ(ICDecompressQuery(codec.get(), &in, &out), ICERR_OK);
  BITMAPINFOHEADER small = Header(88, 72, 24);
  CHECK(ICDecompressQuery(codec.get(), &in, &small) != ICERR_OK);
  CHECK_EQ(ICDecompressBegin(codec.get(), &in, &out), ICERR_OK);
  CHECK_EQ(ICDecompressEnd(codec.get()), ICERR_OK);
}

}  // namespace
}  // namespace kvtc::wintest
