// Golden bytes: the codec's compressed frames and decoded pictures over a grid of settings,
// input layouts and output layouts, on the demo's built-in clip and the real camera clips,
// each reduced to one hash and compared with the hashes in golden_bytes.txt. The codec's
// output on this grid was checked against an independent implementation; any change of
// bytes fails here. A change that is meant is recorded by running the test with
// KVTC_UPDATE_GOLDEN=1, in the same commit, with the reason in its message.
//
// The inputs are built here from 24-bit pictures with plain formulas (not with the tool's
// conversions), and the codec is driven through the host layer as every host drives it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "host/codec_settings.h"
#include "host/compressor.h"
#include "host/decompressor.h"
#include "kvtc/media_reader.h"
#include "kvtc/synthetic_clip.h"
#include "settings/settings_record.h"
#include "tool_test_support.h"

namespace kvtc::tool {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Clip {
  int width = 0;
  int height = 0;
  std::vector<Bytes> bgr;  // 24-bit pictures, top row first
};

// The first `frames` pictures of a source as 24-bit BGR.
Clip ClipFrom(const std::function<const AVFrame*()>& next, int frames) {
  Clip clip;
  Scaler scaler;
  FramePtr bgr;
  for (int n = 0; n < frames; ++n) {
    const AVFrame* f = next();
    if (!f) break;
    if (!bgr) {
      clip.width = f->width & ~1;
      clip.height = f->height & ~1;
      bgr = AllocFrame(clip.width, clip.height, AV_PIX_FMT_BGR24);
    }
    scaler.Convert(*f, clip.width, clip.height, *bgr, true);
    Bytes picture(static_cast<std::size_t>(clip.width) * clip.height * 3);
    for (int y = 0; y < clip.height; ++y) {
      std::copy_n(bgr->data[0] + static_cast<std::ptrdiff_t>(y) * bgr->linesize[0], clip.width * 3,
                  picture.begin() + static_cast<std::ptrdiff_t>(y) * clip.width * 3);
    }
    clip.bgr.push_back(std::move(picture));
  }
  return clip;
}

// Input layouts, as bitmaps are handed over: bottom row first, rows packed.
enum class Layout { Rgb24, Rgb32, Rgb555, Yuy2, Cyuv, Yvu9, Grey8, Grey6, Grey4, Pal8 };

struct LayoutInfo {
  const char* name;
  WORD bits;
  DWORD compression;
};

LayoutInfo InfoOf(Layout l) {
  static const LayoutInfo kInfo[] = {
      {"rgb24", 24, BI_RGB},           {"rgb32", 32, BI_RGB},
      {"rgb555", 16, BI_RGB},          {"yuy2", 16, MakeFourcc("YUY2")},
      {"cyuv", 16, MakeFourcc("cyuv")}, {"yvu9", 9, MakeFourcc("YVU9")},
      {"gray8", 8, BI_RGB},            {"gray6", 6, BI_RGB},
      {"gray4", 4, BI_RGB},            {"pal8", 8, BI_RGB}};
  return kInfo[static_cast<int>(l)];
}

host::BitmapInfo InputHeader(Layout layout, int w, int h) {
  const LayoutInfo info = InfoOf(layout);
  host::BitmapInfo b =
      layout == Layout::Pal8 ? host::BitmapInfo::WithColours(256) : host::BitmapInfo();
  BITMAPINFOHEADER& hd = b.header();
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biPlanes = 1;
  hd.biBitCount = info.bits;
  hd.biCompression = info.compression;
  if (layout == Layout::Pal8) {  // a 3-3-2 colour table
    auto colours = b.colours();
    for (int i = 0; i < 256; ++i) {
      colours[i] = {static_cast<BYTE>((i & 3) * 85), static_cast<BYTE>(((i >> 2) & 7) * 36),
                    static_cast<BYTE>((i >> 5) * 36), 0};
    }
  }
  return b;
}

// BT.601 full-range luma and chroma of one BGR pixel, integer arithmetic.
int Luma(const std::uint8_t* p) { return (29 * p[0] + 150 * p[1] + 77 * p[2] + 128) >> 8; }
int Cb(const std::uint8_t* p) {
  return std::clamp((128 * p[0] - 43 * p[2] - 85 * p[1]) / 256 + 128, 0, 255);
}
int Cr(const std::uint8_t* p) {
  return std::clamp((128 * p[2] - 107 * p[1] - 21 * p[0]) / 256 + 128, 0, 255);
}

Bytes InputBits(Layout layout, const Clip& clip, const Bytes& bgr) {
  const int w = clip.width;
  const int h = clip.height;
  auto px = [&](int x, int y) { return &bgr[(static_cast<std::size_t>(y) * w + x) * 3]; };
  Bytes out;
  if (layout == Layout::Yvu9) {  // planes top row first: Y, then V and U at a sixteenth
    out.assign(static_cast<std::size_t>(w) * h + 2 * (w / 4) * (h / 4), 128);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        out[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(Luma(px(x, y)));
    return out;
  }
  for (int row = h - 1; row >= 0; --row) {  // bottom row first
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = px(x, row);
      switch (layout) {
        case Layout::Rgb24:
          out.insert(out.end(), p, p + 3);
          break;
        case Layout::Rgb32:
          out.insert(out.end(), {p[0], p[1], p[2], 0});
          break;
        case Layout::Rgb555: {
          const unsigned v = (p[2] >> 3) << 10 | (p[1] >> 3) << 5 | (p[0] >> 3);
          out.insert(out.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
          break;
        }
        case Layout::Yuy2:
        case Layout::Cyuv: {
          const std::uint8_t y = static_cast<std::uint8_t>(Luma(p));
          const std::uint8_t c = static_cast<std::uint8_t>((x & 1) ? Cr(p) : Cb(p));
          if (layout == Layout::Yuy2)
            out.insert(out.end(), {y, c});
          else
            out.insert(out.end(), {c, y});
          break;
        }
        case Layout::Grey8:
          out.push_back(static_cast<std::uint8_t>(Luma(p)));
          break;
        case Layout::Grey6:
          out.push_back(static_cast<std::uint8_t>(Luma(p) >> 2));
          break;
        case Layout::Grey4:
          if (x & 1)
            out.back() |= static_cast<std::uint8_t>(Luma(p) >> 4);
          else
            out.push_back(static_cast<std::uint8_t>(Luma(p) >> 4 << 4));
          break;
        case Layout::Pal8:
          out.push_back(static_cast<std::uint8_t>((p[2] >> 5) << 5 | (p[1] >> 5) << 2 | p[0] >> 6));
          break;
        case Layout::Yvu9:
          break;
      }
    }
  }
  return out;
}

std::uint64_t Fnv1a(std::uint64_t h, std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t b : bytes) h = (h ^ b) * 0x100000001b3ull;
  return h;
}
constexpr std::uint64_t kFnvStart = 0xcbf29ce484222325ull;

struct Stream {
  int width = 0;
  int height = 0;
  BYTE decimation = 0;
  host::BitmapInfo format;
  std::vector<Bytes> frames;
};

std::string Hex(std::uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

class GoldenBytes : public testing::ToolTest {
 protected:
  // Compresses a clip from one input layout; the line describes every frame's bytes and key.
  Stream Compress(const std::string& name, const Clip& clip, Layout layout,
                  const std::function<void(settings::SettingsRecord&)>& change,
                  unsigned keyEvery = 0) {
    settings::SettingsRecord s = settings::PresetRecord(settings::Preset::Lan);
    if (change) change(s);
    host::BitmapInfo input = InputHeader(layout, clip.width, clip.height);
    input.header().biSizeImage = static_cast<DWORD>(InputBits(layout, clip, clip.bgr[0]).size());
    std::optional<BYTE> code;
    if (layout == Layout::Grey8) code = 11;
    host::Compressor compressor(input, s, code, host::FrameQualityForThreshold(s.bThreshold));
    Stream stream{clip.width, clip.height, s.bDecimation, compressor.OutputFormat(), {}};
    std::uint64_t hash = kFnvStart;
    std::string keys;
    for (std::size_t n = 0; n < clip.bgr.size(); ++n) {
      const Bytes bits = InputBits(layout, clip, clip.bgr[n]);
      const bool askKey = n == 0 || (keyEvery && n % keyEvery == 0);
      SCOPED_TRACE(name + " " + InfoOf(layout).name);
      const host::CompressedFrame f = compressor.Compress(bits, askKey);
      hash = Fnv1a(hash, f.bytes);
      keys += f.key ? 'K' : '.';
      stream.frames.emplace_back(f.bytes.begin(), f.bytes.end());
    }
    Record("encode " + name + " " + InfoOf(layout).name, stream.frames.size(), hash, keys);
    return stream;
  }

  void Decode(const std::string& name, const Stream& stream, const host::DisplayChoices& d) {
    host::Decompressor decompressor(stream.format, stream.decimation, d,
                                    settings::PresetRecord(settings::Preset::Lan));
    std::uint64_t hash = kFnvStart;
    std::size_t pictures = 0;
    for (const Bytes& frame : stream.frames) {
      decompressor.Decode(frame, [&](std::span<const std::uint8_t> picture) {
        hash = Fnv1a(hash, picture);
        ++pictures;
      });
    }
    Record("decode " + name, pictures, hash,
           std::to_string(decompressor.Width()) + "x" + std::to_string(decompressor.Height()));
  }

  void Record(const std::string& what, std::size_t count, std::uint64_t hash,
              const std::string& detail) {
    lines_.push_back(what + " " + std::to_string(count) + " " + Hex(hash) + " " + detail);
  }

  std::vector<std::string> lines_;
};

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

TEST_F(GoldenBytes, CompressedFramesAndPicturesOverTheGridAreUnchanged) {
  SyntheticClip synthetic(20);  // its scene cut comes at frame 12
  std::map<std::string, Clip> clips;
  clips["demo"] = ClipFrom([&] { return synthetic.Next(); }, 20);
  for (const char* file : {"cup.mp4", "tree.avi"}) {
    const std::string path = testing::Footage(file);
    if (path.empty())
      GTEST_SKIP() << "the real camera clips are missing (scripts/install-deps --media)";
    MediaReader reader(MediaSource{path, {}, {}, {}});
    clips[file] = ClipFrom([&] { return reader.Next(); }, 12);
  }

  using S = settings::SettingsRecord;
  const auto isdn = [](S& s) { s = settings::PresetRecord(settings::Preset::Isdn); };
  const auto modem = [](S& s) { s = settings::PresetRecord(settings::Preset::Modem); };
  const auto lossyRadius8 = [](S& s) {
    s.bLosslessLuma = 0;
    s.bSearchRadius = 8;
  };
  const auto losslessRadius8 = [](S& s) {
    s.bLosslessChroma = 1;
    s.bSearchRadius = 8;
    s.bThreshold = 4;
  };

  // Settings on every clip, from 24-bit input.
  std::map<std::string, Stream> streams;
  for (const auto& [clipName, clip] : clips) {
    streams[clipName + " lan"] = Compress(clipName + " lan", clip, Layout::Rgb24, nullptr);
    streams[clipName + " isdn"] = Compress(clipName + " isdn", clip, Layout::Rgb24, isdn);
    Compress(clipName + " modem", clip, Layout::Rgb24, modem);
    streams[clipName + " lossy-r8"] =
        Compress(clipName + " lossy-r8", clip, Layout::Rgb24, lossyRadius8);
    Compress(clipName + " lossless-r8", clip, Layout::Rgb24, losslessRadius8);
  }
  const Clip& demo = clips["demo"];
  const Clip& cup = clips["cup.mp4"];
  Compress("cup grey", cup, Layout::Rgb24, [](S& s) { s.bFlags |= settings::SF_SENDGRAY; });
  streams["cup.mp4 decimate2"] =
      Compress("cup.mp4 decimate2", cup, Layout::Rgb24, [](S& s) { s.bDecimation = 2; });
  Compress("demo decimate4", demo, Layout::Rgb24, [](S& s) { s.bDecimation = 4; });
  Compress("tree smooth", clips["tree.avi"], Layout::Rgb24,
           [](S& s) { s.bFlags |= settings::SF_SMOOTH; });
  Compress("demo keyint5", demo, Layout::Rgb24, nullptr, 5);
  Compress("demo refresh3", demo, Layout::Rgb24, [](S& s) { s.bRefreshPeriod = 3; });
  Compress("tree.avi threshold2", clips["tree.avi"], Layout::Rgb24, [](S& s) { s.bThreshold = 2; });
  Compress("demo threshold30-r16", demo, Layout::Rgb24, [](S& s) {
    s.bThreshold = 30;
    s.bSearchRadius = 16;
  });
  for (const Layout l : {Layout::Rgb32, Layout::Rgb555, Layout::Yuy2, Layout::Cyuv, Layout::Yvu9,
                         Layout::Grey8, Layout::Grey6, Layout::Grey4, Layout::Pal8}) {
    Compress("demo lan", demo, l, nullptr);
  }
  // Decimation reduces each input layout in its own form (bit fields, nibbles, planes).
  for (const Layout l : {Layout::Rgb32, Layout::Rgb555, Layout::Yuy2, Layout::Yvu9, Layout::Grey4,
                         Layout::Pal8}) {
    Compress("demo decimate2", demo, l, [](S& s) { s.bDecimation = 2; });
  }

  // Every output layout from a lossless-luma stream with motion and from a lossy one, then
  // gamma, grey display, zoom, interpolation and sharpening.
  for (const char* stream : {"cup.mp4 isdn", "demo lossy-r8"}) {
    for (std::size_t f = 0; f < std::size(host::kOutputFormatNames); ++f) {
      host::DisplayChoices d;
      d.format = static_cast<host::OutputFormat>(f);
      Decode(std::string(stream) + " " + std::string(host::kOutputFormatNames[f]),
             streams.at(stream), d);
    }
  }
  using F = host::OutputFormat;
  using D = host::DisplayChoices;
  // Each display: format, gamma, grey display, zoom, pictures a frame, sharpening.
  const std::tuple<const char*, const char*, D> displays[] = {
      {"gamma1.4", "demo lossy-r8", D{F::Rgb24, 1.4f, {}, 1, {}, {}}},
      {"gamma0.6", "cup.mp4 isdn", D{F::Rgb555, 0.6f, {}, 1, {}, {}}},
      {"gamma1.8", "demo lan", D{F::Pal332, 1.8f, {}, 1, {}, {}}},
      {"gamma1.3", "tree.avi lan", D{F::Cube, 1.3f, {}, 1, {}, {}}},
      {"showgray", "cup.mp4 lan", D{F::Rgb24, {}, true, 1, {}, {}}},
      {"showgray", "demo lan", D{F::Rgb555, {}, true, 1, {}, {}}},
      {"zoom2", "demo lossy-r8", D{F::Rgb24, {}, {}, 2, {}, {}}},
      {"zoom4", "tree.avi isdn", D{F::Rgb555, {}, {}, 4, {}, {}}},
      {"zoom8", "demo lan", D{F::Gray8, {}, {}, 8, {}, {}}},
      {"zoom2", "cup.mp4 decimate2", D{F::Rgb32, {}, {}, 2, {}, {}}},
      {"interp2", "demo isdn", D{F::Rgb24, {}, {}, 1, 2, {}}},
      {"interp4-zoom2", "tree.avi lan", D{F::Rgb32, {}, {}, 2, 4, {}}},
      {"sharpen", "cup.mp4 lossy-r8", D{F::Rgb24, {}, {}, 1, {}, true}},
      {"sharpen-interp2", "demo lan", D{F::Cube, {}, {}, 1, 2, true}},
  };
  for (const auto& [name, stream, d] : displays) {
    const std::string_view format = host::kOutputFormatNames[static_cast<int>(d.format)];
    Decode(std::string(stream) + " " + name + " " + std::string(format), streams.at(stream), d);
  }

  const std::string golden = std::string(KVTC_SOURCE_DIR) + "/tests/tools/golden_bytes.txt";
  if (std::getenv("KVTC_UPDATE_GOLDEN")) {
    std::ofstream out(golden);
    out << "# case, pictures, FNV-1a of all bytes, key frames or picture size "
           "(golden_bytes_test.cpp)\n";
    for (const std::string& line : lines_) out << line << "\n";
    GTEST_SKIP() << "wrote " << lines_.size() << " lines to " << golden;
  }
  const std::vector<std::string> expected = ReadLines(golden);
  ASSERT_FALSE(expected.empty()) << golden << " is missing";
  EXPECT_EQ(lines_.size(), expected.size());
  for (std::size_t i = 0; i < std::min(lines_.size(), expected.size()); ++i) {
    EXPECT_EQ(lines_[i], expected[i]) << "line " << i + 1;
  }
}

}  // namespace
}  // namespace kvtc::tool
