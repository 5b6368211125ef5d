// Frames through DriverProc as a host sends them: the compress and decompress entry points'
// own rules, top-down destinations, and instances that must not disturb each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "driver/instance.h"
#include "support/host.h"

namespace kvtc::driver {
namespace {

using namespace kvtc::testing;

// A bitmap as a host hands it over: frame n of a drifting pattern, every row packed, bottom
// row first unless `topDown` (a negative height).
struct InputBitmap {
  BITMAPINFOHEADER header;
  std::vector<std::uint8_t> bits;
  BITMAPINFOHEADER* info() { return &header; }
};

InputBitmap Picture(LONG w, LONG h, int n, bool topDown = false, WORD depth = 24) {
  InputBitmap b{Header(w, topDown ? -h : h, depth), {}};
  const std::size_t row = (static_cast<std::size_t>(w) * depth + 7) / 8;
  b.bits.resize(row * h);
  for (std::size_t i = 0; i < b.bits.size(); ++i) {
    const std::size_t x = i % row, y = i / row;
    b.bits[i] = static_cast<std::uint8_t>(x * 3 + y * 2 + 5 * n + ((x / 24 + y / 16) % 2) * 90);
  }
  b.header.biSizeImage = static_cast<DWORD>(b.bits.size());
  return b;
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

  Compressed Compress(InputBitmap& input, bool key = false, DWORD quality = 7500,
                      DWORD frameSize = 0) {
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
    c.dwFrameSize = frameSize;
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

TEST_F(InstanceTest, CompressEntryRules) {
  Codec codec(host, id);
  InputBitmap input = Picture(160, 120, 0);
  Compressed first = codec.Compress(input, true);
  EXPECT_EQ(InstanceSettings(id).bInputFormat, 2);
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
    EXPECT_EQ(InstanceSettings(id).bThreshold, threshold) << quality;
  }

  // A new size renews the context: its first frame is a key frame again.
  InputBitmap bigger = Picture(176, 144, 0);
  Compressed renewed = codec.Compress(bigger, false);
  EXPECT_EQ(renewed.bytes[0] & 1, 1);
  EXPECT_FALSE(renewed.aviFlags & AVIIF_KEYFRAME);  // the codec's own key frames are not reported

  // Top-down frames of the same size keep the context.
  InputBitmap topDown = Picture(176, 144, 1, true);
  EXPECT_EQ(codec.Compress(topDown).bytes[0] & 1, 0);

  // 4-bit input sets grey sending for good.
  InputBitmap grey4 = Picture(176, 144, 2, false, 4);
  Compressed packed = codec.Compress(grey4);
  EXPECT_EQ(packed.bytes[0] & 0x48, 0x48);
  codec.Compress(topDown);
  EXPECT_TRUE(InstanceSettings(id).bFlags & settings::SF_SENDGRAY);
}

// A frame size binds the encoder only for settings that opt in; other hosts fill the field in
// for every codec and get the frames they would get without it.
TEST_F(HostTest, FrameSizeBindsOnlyWhenTheSettingsOptIn) {
  const auto run = [](bool optIn, DWORD frameSize) {
    Host host;
    const DWORD_PTR id = host.Open();
    if (optIn) LockedInstance(id)->settings.bFlags |= settings::SF_FRAMESIZE;
    Codec codec(host, id);
    std::vector<std::vector<std::uint8_t>> frames;
    for (int n = 0; n < 4; ++n) {
      InputBitmap input = Picture(160, 120, 3 * n);
      frames.push_back(codec.Compress(input, n == 0, 7500, frameSize).bytes);
    }
    return frames;
  };
  const auto free = run(false, 0);
  EXPECT_EQ(run(false, 700), free);
  EXPECT_EQ(run(true, 0), free);
  const auto bound = run(true, 700);
  EXPECT_GT(free[0].size(), 700u);
  for (const auto& frame : bound) EXPECT_LE(frame.size(), 700u);
}

TEST_F(InstanceTest, DecompressEntryRules) {
  Codec codec(host, id);
  InputBitmap input = Picture(160, 120, 0);
  Compressed frame = codec.Compress(input, true);

  // The FOURCC's fourth character names the interpolation level and the sharpen flag; any
  // other character leaves the settings' own, here those of the character before.
  for (const auto& [fourcc, level, sharpen] :
       {std::tuple{"KvtB", 1, false}, {"Kvt1", 0, false}, {"Kvtc", 2, true}, {"KvtC", 2, false},
        {"Kvta", 0, true}, {"Kvtz", 0, true}, {"Kvtb", 1, true}, {"KvtA", 0, false}}) {
    frame.header.biCompression = MakeFourcc(fourcc[0], fourcc[1], fourcc[2], fourcc[3]);
    codec.Decompress(frame, Header(160, 120, 24));
    EXPECT_EQ(InstanceSettings(id).bStreamVariant, level) << fourcc;
    EXPECT_EQ((InstanceSettings(id).bFlags & settings::SF_VARIANT) != 0, sharpen) << fourcc;
  }

  // Inside a begun sequence, a foreign FOURCC decodes nothing and still answers OK.
  BITMAPINFOHEADER dst = Header(160, 120, 24);
  ASSERT_EQ(host.Send(id, ICM_DECOMPRESS_BEGIN, &frame.header, &dst), ICERR_OK);
  Compressed foreign = frame;
  foreign.header.biCompression = MakeFourcc("cvid");
  std::vector<std::uint8_t> untouched = codec.Decompress(foreign, dst);
  EXPECT_EQ(untouched[0], 0x5A);
  EXPECT_EQ(untouched[160 * 120 * 3 - 1], 0x5A);
}

TEST_F(HostTest, TopDownDestinationIsTheBottomUpPictureFlippedThroughEitherEntry) {
  Host host;
  const DWORD_PTR a = host.Open();
  const DWORD_PTR b = host.Open();
  Codec ca(host, a), cb(host, b);
  InputBitmap input = Picture(160, 120, 0);
  Compressed frame = ca.Compress(input, true);
  std::vector<std::uint8_t> up = ca.Decompress(frame, Header(160, 120, 24));
  std::vector<std::uint8_t> down = cb.Decompress(frame, Header(160, -120, 24), true);
  for (int row = 0; row < 120; ++row) {
    ASSERT_EQ(std::memcmp(&up[row * 480], &down[(119 - row) * 480], 480), 0) << row;
  }
}

// The sizes at the edges of what the codec takes, one pixel across or down and 8192 pixels
// along the longest side, code and decode a flat picture to the flat picture an ordinary size
// gives; a side one longer is refused by both directions' format queries.
TEST_F(HostTest, PicturesAtTheEdgesOfTheSizeRangeRoundTrip) {
  Host host;
  const DWORD_PTR id = host.Open();
  Codec codec(host, id);
  std::vector<std::uint8_t> flat;  // what the first, ordinary size decodes to
  for (const auto& [w, h] : {std::pair<LONG, LONG>{16, 4}, {1, 5}, {7, 1}, {8192, 2}, {2, 8192}}) {
    InputBitmap input = Picture(w, h, 0);
    std::fill(input.bits.begin(), input.bits.end(), std::uint8_t{90});
    Compressed frame = codec.Compress(input, true);
    std::vector<std::uint8_t> bits = codec.Decompress(frame, Header(w, h, 24));
    bits.resize(static_cast<std::size_t>(w) * h * 3);
    if (flat.empty()) flat.assign(bits.begin(), bits.begin() + 3);
    for (std::size_t i = 0; i < bits.size(); ++i) ASSERT_EQ(bits[i], flat[i % 3]) << w << "x" << h;
    host.Send(id, ICM_DECOMPRESS_END);
  }
  for (const auto& [w, h] : {std::pair<LONG, LONG>{8193, 2}, {2, 8193}, {2, -8193}}) {
    BITMAPINFOHEADER in = Header(w, h, 24);
    BITMAPINFOHEADER kvt = in;
    kvt.biCompression = MakeFourcc("Kvt1");
    EXPECT_EQ(host.Send(id, ICM_COMPRESS_QUERY, &in), ICERR_BADFORMAT) << w << "x" << h;
    EXPECT_EQ(host.Send(id, ICM_DECOMPRESS_QUERY, &kvt), ICERR_BADFORMAT) << w << "x" << h;
  }
}

// Two streams of different sizes, each coded and decoded by its own instance, one after the
// other or interleaved frame by frame: the same bytes either way.
TEST_F(HostTest, TwoInstancesOfDifferentSizesDoNotDisturbEachOther) {
  const auto run = [](bool interleaved) {
    Host host;
    const DWORD_PTR ids[2] = {host.Open(), host.Open()};
    std::vector<std::uint8_t> out[2];
    for (int step = 0; step < 10; ++step) {
      const int s = interleaved ? step % 2 : step / 5, n = interleaved ? step / 2 : step % 5;
      Codec codec(host, ids[s]);
      InputBitmap input = Picture(s ? 176 : 160, s ? 144 : 120, n);
      Compressed frame = codec.Compress(input, n == 0);
      const auto bits = codec.Decompress(frame, Header(s ? 176 : 160, s ? 144 : 120, 24));
      out[s].insert(out[s].end(), bits.begin(), bits.end());
      out[s].insert(out[s].end(), frame.bytes.begin(), frame.bytes.end());
    }
    return std::pair(out[0], out[1]);
  };
  EXPECT_EQ(run(false), run(true));
}

}  // namespace
}  // namespace kvtc::driver
