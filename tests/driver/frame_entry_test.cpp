// The codec end to end through DriverProc: frames compressed and decompressed as a host does,
// for every input layout and every destination, and the entry points' own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "driver/instance.h"
#include "support/host.h"
#include "support/synthetic_video.h"

namespace kvtc::driver {
namespace {

using kvtc::testing::Host;
using kvtc::testing::HostTest;
using kvtc::testing::InputBitmap;
using kvtc::testing::InputLayout;
using kvtc::testing::RgbPicture;
using kvtc::testing::SceneFrame;

using kvtc::testing::Header;

settings::SettingsRecord Settings(DWORD_PTR id) {
  LockedInstance instance(id);
  return instance->settings;
}

// One compressed frame as a host keeps it.
struct Compressed {
  BITMAPINFOHEADER header;
  std::vector<std::uint8_t> bytes;
  DWORD aviFlags;
};

class Codec {
 public:
  Codec(Host& host, DWORD_PTR id) : host_(host), id_(id) {}

  Compressed Compress(InputBitmap& input, bool key = false, DWORD quality = 7500) {
    BITMAPINFOHEADER out{};
    EXPECT_EQ(host_.Send(id_, ICM_COMPRESS_GET_FORMAT, input.info(), &out), ICERR_OK);
    const auto size = static_cast<std::size_t>(host_.Send(id_, ICM_COMPRESS_GET_SIZE, input.info(), &out));
    std::vector<std::uint8_t> buffer(size + 64, 0xA5);
    DWORD flags = 0, ckid = 0;
    ICCOMPRESS c{};
    c.dwFlags = key ? ICCOMPRESS_KEYFRAME : 0;
    c.lpbiOutput = &out;
    c.lpOutput = buffer.data();
    c.lpbiInput = input.info();
    c.lpInput = input.bits.data();
    c.lpckid = &ckid;
    c.lpdwFlags = &flags;
    c.dwQuality = quality;
    EXPECT_EQ(host_.Send(id_, ICM_COMPRESS, &c, sizeof c), ICERR_OK);
    EXPECT_LE(out.biSizeImage, size);
    for (std::size_t i = size; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xA5) << "write past the promised size";
    buffer.resize(out.biSizeImage);
    return {out, buffer, flags};
  }

  // Decompresses into a destination of the given header; returns the bits.
  std::vector<std::uint8_t> Decompress(Compressed& frame, BITMAPINFOHEADER dst, bool ex = false) {
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(std::labs(dst.biHeight)) * dst.biWidth * 4 + 64, 0x5A);
    if (ex) {
      ICDECOMPRESSEX d{};
      d.lpbiSrc = &frame.header;
      d.lpSrc = frame.bytes.data();
      d.lpbiDst = &dst;
      d.lpDst = bits.data();
      d.dxSrc = d.dySrc = d.dxDst = d.dyDst = -1;
      EXPECT_EQ(host_.Send(id_, ICM_DECOMPRESSEX, &d, sizeof d), ICERR_OK);
    } else {
      ICDECOMPRESS d{};
      d.lpbiInput = &frame.header;
      d.lpInput = frame.bytes.data();
      d.lpbiOutput = &dst;
      d.lpOutput = bits.data();
      d.dwFlags = ICDECOMPRESS_HURRYUP;  // decodes exactly as without it
      EXPECT_EQ(host_.Send(id_, ICM_DECOMPRESS, &d, sizeof d), ICERR_OK);
    }
    return bits;
  }

 private:
  Host& host_;
  DWORD_PTR id_;
};

// What a layout's luma becomes on the way through the codec, for the layouts whose samples the
// codec takes as they stand rather than rescaling them into its luma range (0..215): the
// decoder's luma scale of 1.186 then brightens them, and 6-bit grey enters as the red field
// of a bit-field pixel. Every other layout comes back as it went in.
int Identity(int luma, const std::uint8_t*) { return luma; }
int Grey4Luma(int luma, const std::uint8_t*) {
  return std::min(255, static_cast<int>(1.186165 * std::min(255, 17 * ((luma + 8) / 17)) + 0.5));
}
int Grey6Luma(int luma, const std::uint8_t*) {
  return static_cast<int>(1.186165 * static_cast<int>(0.2520137 * (luma >> 2) + 0.5) + 0.5);
}
int Yvu9Luma(int, const std::uint8_t* p) {
  const int y = (66 * p[0] + 129 * p[1] + 25 * p[2] + 128) / 256 + 16;
  return std::min(255, static_cast<int>(1.186165 * y + 0.5));
}

// The picture a layout is expected to come back as: grey of the expected luma, upside down
// for "YVU9" (whose rows the codec takes last first).
RgbPicture Expected(const RgbPicture& p, int (*luma)(int, const std::uint8_t*), bool flipped) {
  if (luma == Identity) return p;
  RgbPicture e = p;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const std::uint8_t* s = p.at(x, flipped ? p.height - 1 - y : y);
      const int l = (299 * s[0] + 587 * s[1] + 114 * s[2] + 500) / 1000;
      const auto v = static_cast<std::uint8_t>(luma(l, s));
      std::uint8_t* d = e.at(x, y);
      d[0] = d[1] = d[2] = v;
    }
  }
  return e;
}

// The error of the closest picture of one colour (a grey level): a tolerance at or above it
// would pass a codec that delivered nothing of the picture.
double OneColourError(const RgbPicture& expected) {
  double best = 1e9;
  for (int level = 0; level < 256; ++level) {
    RgbPicture flat = expected;
    for (int y = 0; y < flat.height; ++y) {
      for (int x = 0; x < flat.width; ++x) {
        std::uint8_t* d = flat.at(x, y);
        d[0] = d[1] = d[2] = static_cast<std::uint8_t>(level);
      }
    }
    best = std::min(best, kvtc::testing::MeanLumaError(expected, flat));
  }
  return best;
}

struct LayoutCase {
  InputLayout layout;
  double tolerance;  // mean absolute luma error after a few frames, as measured plus a margin
  int (*luma)(int, const std::uint8_t*) = Identity;
  bool flipped = false;
};

TEST_F(HostTest, EveryInputLayoutRoundTripsThroughDriverProc) {
  const LayoutCase cases[] = {
      {InputLayout::Rgb24, 6},        {InputLayout::Rgb32, 6},    {InputLayout::Rgb555, 8},
      {InputLayout::Palette8, 9},     {InputLayout::Grey8Palette, 6},
      {InputLayout::Grey4, 12, Grey4Luma}, {InputLayout::Grey6, 1.2, Grey6Luma},
      {InputLayout::Yuy2, 12},        {InputLayout::YuvSpace, 12},
      {InputLayout::Cyuv, 12},        {InputLayout::Yvu9, 12, Yvu9Luma, true},
      {InputLayout::Yuv9, 12},
  };
  for (const LayoutCase& c : cases) {
    for (bool bottomUp : {true, false}) {
      Host host;
      const DWORD_PTR id = host.Open();
      Codec codec(host, id);
      double error = 0;
      RgbPicture expected;
      for (int n = 0; n < 12; ++n) {
        RgbPicture picture = SceneFrame(160, 120, n);
        InputBitmap input = kvtc::testing::PackPicture(picture, c.layout, true);
        Compressed frame = codec.Compress(input, n == 0);
        const LONG height = bottomUp ? 120 : -120;
        std::vector<std::uint8_t> out = codec.Decompress(frame, Header(160, height, 24), n % 2 == 1);
        RgbPicture decoded = kvtc::testing::UnpackRgb(out.data(), 160, 120, 3, bottomUp);
        expected = Expected(picture, c.luma, c.flipped);
        error = kvtc::testing::MeanLumaError(expected, decoded);
        for (std::size_t i = 160 * 120 * 3; i < out.size(); ++i) ASSERT_EQ(out[i], 0x5A);
      }
      EXPECT_LT(error, c.tolerance) << LayoutName(c.layout) << (bottomUp ? " bottom-up" : " top-down");
      if (bottomUp) {
        EXPECT_LT(c.tolerance, OneColourError(expected)) << LayoutName(c.layout);
      }
    }
  }
}

TEST_F(HostTest, CompressEntryRules) {
  Host host;
  const DWORD_PTR id = host.Open();
  Codec codec(host, id);
  InputBitmap input = kvtc::testing::PackPicture(SceneFrame(160, 120, 0), InputLayout::Rgb24, true);
  Compressed first = codec.Compress(input, true);
  EXPECT_EQ(Settings(id).bInputFormat, 2);
  EXPECT_EQ(first.header.biSize, 40u);
  EXPECT_EQ(first.header.biBitCount, 24);
  EXPECT_EQ(first.header.biCompression, MakeFourcc("Kvt1"));
  EXPECT_GT(first.header.biSizeImage, 0u);
  EXPECT_TRUE(first.aviFlags & AVIIF_KEYFRAME);
  EXPECT_EQ(first.bytes[0] & 1, 1);  // key frame flag in the stream

  Compressed second = codec.Compress(input, false);
  EXPECT_FALSE(second.aviFlags & AVIIF_KEYFRAME);
  EXPECT_EQ(second.bytes[0] & 1, 0);

  for (auto [quality, threshold] : {std::pair<DWORD, int>{7500, 7}, {10000, 0}, {0xFFFFFFFFu, 30}}) {
    codec.Compress(input, false, quality);
    EXPECT_EQ(Settings(id).bThreshold, threshold) << quality;
  }

  // A new size renews the context: its first frame is a key frame again.
  InputBitmap bigger = kvtc::testing::PackPicture(SceneFrame(176, 144, 0), InputLayout::Rgb24, true);
  Compressed renewed = codec.Compress(bigger, false);
  EXPECT_EQ(renewed.bytes[0] & 1, 1);
  EXPECT_FALSE(renewed.aviFlags & AVIIF_KEYFRAME);  // the codec's own key frames are not reported

  // Top-down frames of the same size keep the context.
  InputBitmap topDown = kvtc::testing::PackPicture(SceneFrame(176, 144, 1), InputLayout::Rgb24, false);
  EXPECT_EQ(codec.Compress(topDown).bytes[0] & 1, 0);

  // 4-bit input sets grey sending for good.
  InputBitmap grey4 = kvtc::testing::PackPicture(SceneFrame(176, 144, 2), InputLayout::Grey4, true);
  Compressed packed = codec.Compress(grey4);
  EXPECT_EQ(packed.bytes[0] & 0x48, 0x48);
  codec.Compress(topDown);
  EXPECT_TRUE(Settings(id).bFlags & settings::SF_SENDGRAY);
}

TEST_F(HostTest, DecompressEntryRules) {
  Host host;
  const DWORD_PTR id = host.Open();
  Codec codec(host, id);
  InputBitmap input = kvtc::testing::PackPicture(SceneFrame(160, 120, 0), InputLayout::Rgb24, true);
  Compressed frame = codec.Compress(input, true);

  frame.header.biCompression = MakeFourcc("Kvtb");
  codec.Decompress(frame, Header(160, 120, 24));
  EXPECT_EQ(Settings(id).bStreamVariant, 1);
  EXPECT_TRUE(Settings(id).bFlags & settings::SF_VARIANT);
  frame.header.biCompression = MakeFourcc("Kvt1");
  codec.Decompress(frame, Header(160, 120, 24));
  EXPECT_EQ(Settings(id).bStreamVariant, 0);
  EXPECT_FALSE(Settings(id).bFlags & settings::SF_VARIANT);

  // Inside a begun sequence, a foreign FOURCC decodes nothing and still answers OK.
  BITMAPINFOHEADER dst = Header(160, 120, 24);
  ASSERT_EQ(host.Send(id, ICM_DECOMPRESS_BEGIN, &frame.header, &dst), ICERR_OK);
  Compressed foreign = frame;
  foreign.header.biCompression = MakeFourcc("cvid");
  std::vector<std::uint8_t> untouched = codec.Decompress(foreign, dst);
  EXPECT_EQ(untouched[0], 0x5A);
  EXPECT_EQ(untouched[160 * 120 * 3 - 1], 0x5A);
}

TEST_F(HostTest, TopDownDestinationIsTheBottomUpPictureFlipped) {
  Host host;
  const DWORD_PTR a = host.Open();
  const DWORD_PTR b = host.Open();
  Codec ca(host, a), cb(host, b);
  InputBitmap input = kvtc::testing::PackPicture(SceneFrame(160, 120, 0), InputLayout::Rgb24, true);
  Compressed frame = ca.Compress(input, true);
  std::vector<std::uint8_t> up = ca.Decompress(frame, Header(160, 120, 24));
  std::vector<std::uint8_t> down = cb.Decompress(frame, Header(160, -120, 24));
  for (int row = 0; row < 120; ++row) {
    ASSERT_EQ(std::memcmp(&up[row * 480], &down[(119 - row) * 480], 480), 0) << row;
  }
}

TEST_F(HostTest, TwoInstancesOfDifferentSizesDoNotDisturbEachOther) {
  auto run = [](Host& host, DWORD_PTR id, int w, int h, int n) {
    Codec codec(host, id);
    InputBitmap input = kvtc::testing::PackPicture(SceneFrame(w, h, n), InputLayout::Rgb24, true);
    Compressed frame = codec.Compress(input, n == 0);
    std::vector<std::uint8_t> out = codec.Decompress(frame, Header(w, h, 24));
    out.insert(out.end(), frame.bytes.begin(), frame.bytes.end());
    return out;
  };
  std::vector<std::vector<std::uint8_t>> alone, together;
  {
    Host host;
    const DWORD_PTR a = host.Open();
    for (int n = 0; n < 5; ++n) alone.push_back(run(host, a, 160, 120, n));
    const DWORD_PTR b = host.Open();
    for (int n = 0; n < 5; ++n) alone.push_back(run(host, b, 176, 144, n));
  }
  {
    Host host;
    const DWORD_PTR a = host.Open();
    const DWORD_PTR b = host.Open();
    std::vector<std::vector<std::uint8_t>> first, second;
    for (int n = 0; n < 5; ++n) {
      first.push_back(run(host, a, 160, 120, n));
      second.push_back(run(host, b, 176, 144, n));
    }
    together = first;
    together.insert(together.end(), second.begin(), second.end());
  }
  EXPECT_EQ(alone, together);
}

}  // namespace
}  // namespace kvtc::driver
