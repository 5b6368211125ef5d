// Format negotiation through DriverProc: accepted formats, the compressed format, sizes,
// sequences and the palettes of 8-bit output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "driver/instance.h"
#include "settings/settings_record.h"
#include "support/host.h"

namespace kvtc::driver {
namespace {

using namespace kvtc::testing;

BITMAPINFOHEADER Kvt(LONG width, LONG height, const char (&fourcc)[5] = "Kvt1") {
  return Header(width, height, 24, MakeFourcc(fourcc));
}

// A destination header followed by room for 256 colour entries.
struct PaletteHeader {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

TEST_F(InstanceTest, CompressionTestAcceptsDepthsAndCompressionsSeparately) {
  for (WORD bits : {4, 6, 8, 9, 16, 24, 32}) {
    BITMAPINFOHEADER in = Header(160, 120, bits);
    EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, &in), ICERR_OK) << bits;
  }
  for (const char* fcc : {"YUV ", "cyuv", "YUY2", "YVU9", "YUV9"}) {
    BITMAPINFOHEADER in = Header(160, 120, 16, MakeFourcc(fcc[0], fcc[1], fcc[2], fcc[3]));
    EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, &in), ICERR_OK) << fcc;
  }
  BITMAPINFOHEADER fifteen = Header(320, 240, 15);
  BITMAPINFOHEADER foreign = Header(320, 240, 24, MakeFourcc("MJPG"));
  BITMAPINFOHEADER empty = Header(0, 240, 24);
  for (BITMAPINFOHEADER* bad : {&fifteen, &foreign, &empty}) {
    EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, bad), ICERR_BADFORMAT);
    EXPECT_EQ(host.Send(id, ICM_COMPRESS_BEGIN, bad), 1);
    EXPECT_EQ(host.Send(id, ICM_COMPRESS_GET_FORMAT, bad), 1);
  }
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, static_cast<BITMAPINFOHEADER*>(nullptr)),
            ICERR_BADFORMAT);
}

TEST_F(InstanceTest, CompressionTestChecksAndFillsTheOutput) {
  BITMAPINFOHEADER in = Header(320, 240, 24);
  BITMAPINFOHEADER out = Kvt(0, 0);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, &in, &out), ICERR_OK);
  EXPECT_EQ(out.biWidth, 320);
  EXPECT_EQ(out.biHeight, 240);

  out = Kvt(320, -240);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, &in, &out), ICERR_OK);
  out.biSize = 44;
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, &in, &out), ICERR_BADFORMAT);
  out = Kvt(321, 240);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, &in, &out), ICERR_BADFORMAT);
  out = Header(320, 240, 24, MakeFourcc("KVT1"));
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, &in, &out), ICERR_BADFORMAT);
  out = Kvt(320, 240, "KvtZ");  // any fourth character
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, &in, &out), ICERR_OK);
}

TEST_F(InstanceTest, CompressGetFormatAndSize) {
  BITMAPINFOHEADER in = Header(320, 240, 24);
  in.biXPelsPerMeter = 77;
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_GET_FORMAT, &in), 40);
  BITMAPINFOHEADER out;
  std::memset(&out, 0xEE, sizeof out);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_GET_FORMAT, &in, &out), ICERR_OK);
  BITMAPINFOHEADER want = Kvt(320, 240);  // no colours; the resolution copied from the input
  want.biSizeImage = 115200;
  want.biXPelsPerMeter = 77;
  EXPECT_EQ(std::memcmp(&out, &want, sizeof out), 0);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_GET_SIZE, &in), 115200);
  EXPECT_EQ(InstanceSettings(id).bInputFormat, 2);
  EXPECT_EQ(InstanceSettings(id).dwWidth, 320u);

  struct Row {
    WORD bits;
    DWORD compression;
    BYTE code;
    bool grey;
  } rows[] = {{6, BI_RGB, 6, true},           {4, BI_RGB, 12, true},
              {8, BI_RGB, 5, false},          {16, BI_RGB, 3, false},
              {32, BI_RGB, 1, false},         {9, BI_RGB, 1, false},
              {16, MakeFourcc("YUY2"), 0, false}, {16, MakeFourcc("cyuv"), 14, false},
              {9, MakeFourcc("YVU9"), 13, false}};
  for (const Row& row : rows) {
    const DWORD_PTR fresh = host.Open();
    BITMAPINFOHEADER h = Header(160, -120, row.bits, row.compression);
    EXPECT_EQ(host.Send(fresh, ICM_COMPRESS_GET_FORMAT, &h, &out), ICERR_OK);
    const settings::SettingsRecord s = InstanceSettings(fresh);
    EXPECT_EQ(s.bInputFormat, row.code) << row.bits;
    EXPECT_EQ((s.bFlags & settings::SF_SENDGRAY) != 0, row.grey) << row.bits;
    EXPECT_EQ(s.dwHeight, 120u);
    if (row.bits == 6) {
      EXPECT_EQ(s.bCompBits[0], 6);
      EXPECT_EQ(s.bCompBits[1], 0);
      EXPECT_EQ(s.bCompCount, 1);
    }
  }
}

TEST_F(InstanceTest, SequencesBeginAndEnd) {
  BITMAPINFOHEADER in = Header(160, 120, 24);
  BITMAPINFOHEADER out = Kvt(160, 120);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_END), ICERR_ERROR);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_BEGIN, &in, &out), ICERR_OK);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_BEGIN, &in, &out), ICERR_OK);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_END), ICERR_OK);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_END), ICERR_ERROR);

  BITMAPINFOHEADER src = Kvt(160, 120);
  BITMAPINFOHEADER dst = Header(160, 120, 24);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_END), ICERR_ERROR);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_BEGIN, &src, &dst), ICERR_OK);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESSEX_END), ICERR_OK);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_END), ICERR_ERROR);
  host.Close(id);
  EXPECT_EQ(host.Send(id, ICM_COMPRESS_BEGIN, &in, &out), ICERR_ERROR);
}

TEST_F(InstanceTest, DecompressionTest) {
  BITMAPINFOHEADER src = Kvt(320, 240);
  struct Row {
    BITMAPINFOHEADER dst;
    LRESULT result;
  } rows[] = {
      {Header(320, 240, 24), ICERR_OK},
      {Header(320, -240, 32), ICERR_OK},
      {Header(320, 240, 8), ICERR_BADFORMAT},
      {Header(320, 240, 16), ICERR_BADFORMAT},
      {Header(320, 240, 4, MakeFourcc("YUY2")), ICERR_OK},
      {Header(320, 240, 16, MakeFourcc("cyuv")), ICERR_OK},
      {Header(320, 240, 24, MakeFourcc("MJPG")), ICERR_BADFORMAT},
      {Header(320, 120, 24), ICERR_BADFORMAT},
      {Header(160, 240, 24), ICERR_BADFORMAT},
  };
  for (Row& row : rows) {
    EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_QUERY, &src, &row.dst), row.result)
        << row.dst.biBitCount << " " << row.dst.biWidth;
  }
  BITMAPINFOHEADER wrongSize = Header(320, 240, 24);
  wrongSize.biSize = 44;
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_QUERY, &src, &wrongSize), ICERR_BADFORMAT);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_QUERY, &src), ICERR_OK);
  BITMAPINFOHEADER foreign = Header(320, 240, 24, MakeFourcc("cvid"));
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_QUERY, &foreign), ICERR_BADFORMAT);

  BITMAPINFOHEADER dst = Header(320, 240, 24);
  ICDECOMPRESSEX ex{};
  ex.lpbiSrc = &src;
  ex.lpbiDst = &dst;
  ex.dxSrc = ex.dySrc = ex.dxDst = ex.dyDst = -1;
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESSEX_QUERY, &ex, sizeof ex), ICERR_OK);
  ex.xSrc = 8;
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESSEX_QUERY, &ex, sizeof ex), ICERR_BADPARAM);
  ex.xSrc = 0;
  ex.dySrc = 100;
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESSEX_QUERY, &ex, sizeof ex), ICERR_BADPARAM);
  ex.dySrc = -1;
  ex.dxDst = 160;
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESSEX_QUERY, &ex, sizeof ex), ICERR_BADFORMAT);
  ex.dxDst = 320;
  ex.xDst = 99;  // destination offsets are not examined
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESSEX_QUERY, &ex, sizeof ex), ICERR_OK);
}

TEST_F(InstanceTest, DecompressGetFormatAndBegin) {
  BITMAPINFOHEADER src = Kvt(161, 120);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_GET_FORMAT, &src), 40);
  BITMAPINFOHEADER dst;
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_GET_FORMAT, &src, &dst), ICERR_OK);
  EXPECT_EQ(dst.biCompression, BI_RGB);
  EXPECT_EQ(dst.biBitCount, 24);
  EXPECT_EQ(dst.biSizeImage, 161u * 120u * 3u);
  BITMAPINFOHEADER foreign = Header(161, 120, 24, MakeFourcc("cvid"));
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_GET_FORMAT, &foreign, &dst), 1);

  dst = Header(161, 120, 32);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_BEGIN, &src, &dst), ICERR_OK);
  EXPECT_EQ(dst.biSizeImage, 77280u);
  EXPECT_EQ(InstanceSettings(id).bOutputFormat, 1);
  BITMAPINFOHEADER yuy2 = Header(161, 120, 16, MakeFourcc("YUY2"));
  yuy2.biSizeImage = 5;  // kept when set
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_BEGIN, &src, &yuy2), ICERR_OK);
  EXPECT_EQ(yuy2.biSizeImage, 5u);
  EXPECT_EQ(InstanceSettings(id).bOutputFormat, 0);
  BITMAPINFOHEADER eight = Header(161, 120, 8);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_BEGIN, &src, &eight), ICERR_BADFORMAT);
}

BYTE Gamma(double gamma, int i) {
  return static_cast<BYTE>(std::trunc(255.0 * std::pow(i / 255.0, 1.0 / gamma) + 0.5));
}

TEST_F(InstanceTest, PalettesForEightBitOutput) {
  BITMAPINFOHEADER src = Kvt(160, 120);

  PaletteHeader cube{};
  cube.header = Header(160, 120, 8);
  cube.colours[0] = RGBQUAD{1, 2, 3, 4};
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_GET_PALETTE, &src, &cube), ICERR_OK);
  EXPECT_EQ(InstanceSettings(id).bOutputFormat, 8);
  EXPECT_EQ(cube.header.biClrUsed, 256u);
  EXPECT_EQ(cube.header.biClrImportant, 256u);
  auto rgb = [](const RGBQUAD& q) { return std::array<int, 3>{q.rgbRed, q.rgbGreen, q.rgbBlue}; };
  EXPECT_EQ(rgb(cube.colours[26]), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(rgb(cube.colours[241]), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(rgb(cube.colours[10]), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(rgb(cube.colours[25]), (std::array<int, 3>{15, 15, 15}));
  EXPECT_EQ(rgb(cube.colours[26 + 1 + 6 * 2 + 36 * 3]), (std::array<int, 3>{51, 102, 153}));
  EXPECT_EQ(cube.colours[0].rgbReserved, 4);  // entries 0..9 are the system's

  LockedInstance(id)->settings.bFlags |= settings::SF_SHOWGRAY;
  LockedInstance(id)->settings.bOutputFormat = 2;
  PaletteHeader grey{};
  grey.header = Header(160, 120, 8);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_GET_PALETTE, &src, &grey), ICERR_OK);
  EXPECT_EQ(InstanceSettings(id).bOutputFormat, 11);
  EXPECT_EQ(rgb(grey.colours[26 + 108]), (std::array<int, 3>{128, 128, 128}));
  EXPECT_EQ(rgb(grey.colours[26 + 215]), (std::array<int, 3>{254, 254, 254}));

  // A damaged settings file can leave any gamma in the record: the palette is built for it
  // brought into 0.5..2.0.
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const std::pair<float, double> gammas[] = {{2.0f, 2.0}, {0.5f, 0.5},  {0.0f, 0.5},
                                             {-1.0f, 0.5}, {-kNaN, 0.5}, {kInf, 2.0},
                                             {kNaN, 2.0},  {3.0f, 2.0}};
  for (const auto& [stored, used] : gammas) {
    LockedInstance(id)->settings.flGamma = stored;
    EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_GET_PALETTE, &src, &grey), ICERR_OK);
    EXPECT_EQ(grey.colours[26 + 108].rgbRed, Gamma(used, 128)) << stored;
  }
  EXPECT_EQ(Gamma(2.0, 128), 181);

  LockedInstance(id)->settings.flGamma = 1.0f;
  LockedInstance(id)->settings.bOutputFormat = 7;
  PaletteHeader index332{};
  index332.header = Header(160, 120, 8);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_GET_PALETTE, &src, &index332), ICERR_OK);
  EXPECT_EQ(rgb(index332.colours[0xFF]), (std::array<int, 3>{252, 252, 255}));
  EXPECT_EQ(rgb(index332.colours[32 * 1 + 4 * 2 + 3]), (std::array<int, 3>{36, 72, 255}));

  BITMAPINFOHEADER foreign = Header(160, 120, 24, MakeFourcc("cvid"));
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_GET_PALETTE, &foreign, &grey), 1);
  PaletteHeader truecolour{};
  truecolour.header = Header(160, 120, 24);
  EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_GET_PALETTE, &src, &truecolour), ICERR_OK);
  EXPECT_EQ(truecolour.header.biClrUsed, 0u);  // nothing written for 24-bit output
}

TEST_F(InstanceTest, DecimationAndZoomSetTheDestinationSize) {
  BITMAPINFOHEADER src = Kvt(320, 240);
  struct Row {
    BYTE decimation, mode;
    LONG width, height;
  } rows[] = {{0, 0, 320, 240}, {2, 0, 160, 120}, {4, 0, 80, 56}, {4, 4, 320, 224},
              {0, 2, 640, 480}, {8, 3, 320, 192}, {1, 0, 320, 240}};
  for (const Row& row : rows) {
    LockedInstance(id)->settings.bDecimation = row.decimation;
    LockedInstance(id)->settings.bDecoderMode = row.mode;
    BITMAPINFOHEADER suggested;
    ASSERT_EQ(host.Send(id, ICM_DECOMPRESS_GET_FORMAT, &src, &suggested), ICERR_OK);
    EXPECT_EQ(suggested.biWidth, row.width);
    EXPECT_EQ(suggested.biHeight, row.height);
    EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_QUERY, &src, &suggested), ICERR_OK);
    BITMAPINFOHEADER full = Header(320, 240, 24);
    EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_QUERY, &src, &full),
              row.width == 320 && row.height == 240 ? ICERR_OK : ICERR_BADFORMAT);
  }
}

TEST_F(HostTest, TinyPicturesStillGetRoomForAFrame) {
  Host host;
  BITMAPINFOHEADER tiny = Header(2, 2, 24);
  EXPECT_EQ(host.Send(0, ICM_COMPRESS_GET_SIZE, &tiny), 16);
  BITMAPINFOHEADER big = Header(640, 480, 24);
  EXPECT_EQ(host.Send(0, ICM_COMPRESS_GET_SIZE, &big), 460800);
}

}  // namespace
}  // namespace kvtc::driver
