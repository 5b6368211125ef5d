#include "frame_hashes.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace kvtc::wintest {
namespace {

constexpr DWORD kQuality = 7500;
constexpr DWORD kYuy2 = MakeFourcc("YUY2");

// A pointer as a message parameter.
LPARAM Lp(const void* p) { return reinterpret_cast<LPARAM>(p); }

std::uint64_t Fnv1a(const void* data, std::size_t size) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::size_t i = 0; i < size; ++i) {
    h = (h ^ static_cast<const BYTE*>(data)[i]) * 0x100000001b3ull;
  }
  return h;
}

struct Layout {
  const char* name;
  WORD bits;
  DWORD compression;
  bool topDown;
};

// Compression inputs and decompression outputs; "pal8" carries a full colour table.
constexpr Layout kInputs[] = {
    {"rgb24", 24, BI_RGB, false}, {"rgb32", 32, BI_RGB, false},
    {"rgb555", 16, BI_RGB, false}, {"yuy2", 16, kYuy2, false}, {"pal8", 8, BI_RGB, false}};
constexpr Layout kOutputs[] = {
    {"rgb24", 24, BI_RGB, false}, {"rgb24-topdown", 24, BI_RGB, true},
    {"rgb32", 32, BI_RGB, false}, {"yuy2", 16, kYuy2, false}};

// A header followed by room for a full colour table.
struct HeaderWithTable {
  BITMAPINFOHEADER h;
  RGBQUAD table[256];
};

// Entry i of the palettised input's colour table: 256 distinct colours over the whole cube.
RGBQUAD PaletteEntry(int i) {
  return RGBQUAD{static_cast<BYTE>(i * 29 + 200), static_cast<BYTE>(i * 151 + 40),
                 static_cast<BYTE>(i * 73), 0};
}

BITMAPINFOHEADER HeaderFor(const Layout& layout, DWORD compression = 0) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof(h);
  h.biWidth = kClipWidth;
  h.biHeight = layout.topDown ? -kClipHeight : kClipHeight;
  h.biPlanes = 1;
  h.biBitCount = layout.bits;
  h.biCompression = compression ? compression : layout.compression;
  h.biSizeImage = static_cast<DWORD>(kClipWidth * kClipHeight * layout.bits / 8);
  return h;
}

std::string Line(const char* what, const char* layout, int frame, LRESULT result,
                 const void* data, std::size_t size) {
  char text[160];
  std::snprintf(text, sizeof(text), "%s %s %d result %ld size %llu hash %016llx", what,
                layout, frame, static_cast<long>(result), static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(Fnv1a(data, size)));
  return text;
}

struct CompressedFrame {
  std::vector<BYTE> bits;
  bool key;
};

// Compresses the clip from one input layout; the frames it made, a line for each.
std::vector<CompressedFrame> CompressClip(const CodecPort& codec, const Layout& input,
                                          std::vector<std::string>& lines) {
  std::vector<CompressedFrame> frames;
  const std::uintptr_t id = codec.open(nullptr);
  if (!id) {
    lines.push_back(std::string("compress ") + input.name + " open failed");
    return frames;
  }
  HeaderWithTable full{HeaderFor(input), {}};
  BITMAPINFOHEADER& in = full.h;
  if (input.bits == 8) {
    in.biClrUsed = 256;
    for (int i = 0; i < 256; ++i) full.table[i] = PaletteEntry(i);
  }
  BITMAPINFOHEADER out{};
  codec.send(id, ICM_COMPRESS_GET_FORMAT, Lp(&in), Lp(&out));
  const LRESULT largest = codec.send(id, ICM_COMPRESS_GET_SIZE, Lp(&in), Lp(&out));
  codec.send(id, ICM_COMPRESS_BEGIN, Lp(&in), Lp(&out));
  for (int n = 0; n < kClipFrames; ++n) {
    std::vector<BYTE> picture = ClipFrame(input.bits, input.compression, n);
    std::vector<BYTE> compressed(static_cast<std::size_t>(largest > 0 ? largest : 1));
    DWORD ckid = 0, flags = 0;
    ICCOMPRESS c{};
    c.dwFlags = n == 0 ? ICCOMPRESS_KEYFRAME : 0;
    c.lpbiOutput = &out;
    c.lpOutput = compressed.data();
    c.lpbiInput = &in;
    c.lpInput = picture.data();
    c.lpckid = &ckid;
    c.lpdwFlags = &flags;
    c.lFrameNum = n;
    c.dwQuality = kQuality;
    const LRESULT result = codec.send(id, ICM_COMPRESS, Lp(&c), sizeof(c));
    const std::size_t size = result == ICERR_OK ? out.biSizeImage : 0;
    compressed.resize(size);
    lines.push_back(Line((flags & AVIIF_KEYFRAME) ? "compress-key" : "compress", input.name, n,
                         result, compressed.data(), size));
    if (result == ICERR_OK) frames.push_back({std::move(compressed), (flags & AVIIF_KEYFRAME) != 0});
  }
  codec.send(id, ICM_COMPRESS_END, 0, 0);
  codec.close(id);
  return frames;
}

using SettingsChange = std::function<void(settings::SettingsRecord&)>;

// Changes the instance's settings through the state block; false when it is refused.
bool ChangeSettings(const CodecPort& codec, std::uintptr_t id,
                    const SettingsChange& change) {
  settings::SettingsRecord s{};
  if (codec.send(id, ICM_GETSTATE, Lp(&s), sizeof(s)) != static_cast<LRESULT>(sizeof(s))) {
    return false;
  }
  change(s);
  return codec.send(id, ICM_SETSTATE, Lp(&s), sizeof(s)) == static_cast<LRESULT>(sizeof(s));
}

// Decompresses the frames into one output layout, a line for each picture; the change, when
// there is one, is made to the default settings in the settings file the decompressor reads.
void DecompressClip(const CodecPort& codec, const std::vector<CompressedFrame>& frames,
                    const Layout& output, std::vector<std::string>& lines,
                    const std::string& label = "decompress", const SettingsChange& change = {}) {
  settings::SettingsRecord file{};
  if (change) {
      const std::uintptr_t defaults = codec.open(nullptr);
    if (defaults) {
      codec.send(defaults, ICM_GETSTATE, Lp(&file), sizeof(file));
      codec.close(defaults);
    }
    change(file);
  }
  const std::uintptr_t id = codec.open(change ? &file : nullptr);
  if (!id) {
    lines.push_back(label + " " + output.name + " open failed");
    return;
  }
  BITMAPINFOHEADER in = HeaderFor(kInputs[0], MakeFourcc("Kvt1"));
  BITMAPINFOHEADER out = HeaderFor(output);
  // RGB narrower than 24 bits is begun as 24-bit RGB, then delivered frame by frame.
  BITMAPINFOHEADER begin =
      output.compression == BI_RGB && output.bits < 24 ? HeaderFor(kOutputs[0]) : out;
  codec.send(id, ICM_DECOMPRESS_BEGIN, Lp(&in), Lp(&begin));
  for (std::size_t n = 0; n < frames.size(); ++n) {
    std::vector<BYTE> compressed = frames[n].bits;
    in.biSizeImage = static_cast<DWORD>(compressed.size());
    std::vector<BYTE> picture(out.biSizeImage);
    ICDECOMPRESS d{};
    d.lpbiInput = &in;
    d.lpInput = compressed.data();
    d.lpbiOutput = &out;
    d.lpOutput = picture.data();
    const LRESULT result = codec.send(id, ICM_DECOMPRESS, Lp(&d), sizeof(d));
    lines.push_back(Line(label.c_str(), output.name, static_cast<int>(n), result,
                         picture.data(), picture.size()));
  }
  codec.send(id, ICM_DECOMPRESS_END, 0, 0);
  codec.close(id);
}

// What the codec computes in floating point, which every build must compute to the same bits:
// the quality of every threshold, the palettes it offers at every gamma its dialog can set, and
// the pictures it decodes through its gamma, colour and dither tables at several gammas.
void FloatDerivedResults(const CodecPort& codec, const std::vector<CompressedFrame>& reference,
                         std::vector<std::string>& lines) {
  const std::uintptr_t id = codec.open(nullptr);
  if (!id) {
    lines.push_back("float-derived open failed");
    return;
  }
  char text[160];
  for (int threshold = 0; threshold <= 30; ++threshold) {
    DWORD quality = ~0u;
    const bool set = ChangeSettings(codec, id, [&](auto& s) { s.bThreshold = BYTE(threshold); });
    const LRESULT result = set ? codec.send(id, ICM_GETQUALITY, Lp(&quality), 0) : -1;
    std::snprintf(text, sizeof(text), "quality threshold %d result %ld quality %lu", threshold,
                  static_cast<long>(result), static_cast<unsigned long>(quality));
    lines.push_back(text);
  }
  // The output codes of the palettised destinations: 8 bits (3-3-2 twice, colour cube, grey)
  // and 4-bit grey.
  constexpr BYTE kPaletteCodes[] = {5, 7, 8, 11, 12};
  BITMAPINFOHEADER source = HeaderFor(kInputs[0], MakeFourcc("Kvt1"));
  for (int position = 0; position <= 150; ++position) {
    const float gamma = static_cast<float>(position * 0.01 + 0.5);
    std::snprintf(text, sizeof(text), "palettes gamma %08lx",
                  static_cast<unsigned long>(std::bit_cast<std::uint32_t>(gamma)));
    std::string line = text;
    for (const BYTE paletteCode : kPaletteCodes) {
      const WORD bits = paletteCode == 12 ? 4 : 8;
      HeaderWithTable dst{HeaderFor({"palette", bits, BI_RGB, false}), {}};
      const bool set = ChangeSettings(codec, id, [&](auto& s) {
        s.flGamma = gamma;
        s.bOutputFormat = paletteCode;
      });
      const LRESULT result =
          set ? codec.send(id, ICM_DECOMPRESS_GET_PALETTE, Lp(&source), Lp(&dst.h)) : -1;
      std::snprintf(text, sizeof(text), " %ld:%016llx", static_cast<long>(result),
                    static_cast<unsigned long long>(Fnv1a(dst.table, sizeof(dst.table))));
      line += text;
    }
    lines.push_back(line);
  }
  codec.close(id);

  struct GammaOutput {
    Layout layout;
    BYTE code;
  };
  constexpr GammaOutput kGammaOutputs[] = {
      {{"rgb24", 24, BI_RGB, false}, 2},   {{"rgb555", 16, BI_RGB, false}, 3},
      {{"index332", 8, BI_RGB, false}, 7}, {{"cube", 8, BI_RGB, false}, 8},
      {{"grey8", 8, BI_RGB, false}, 11}};
  for (const float gamma : {0.5f, 0.8f, 1.3f, 2.0f}) {
    std::snprintf(text, sizeof(text), "decompress-gamma-%.2f", static_cast<double>(gamma));
    for (const GammaOutput& output : kGammaOutputs) {
      DecompressClip(codec, reference, output.layout, lines, text, [&](auto& s) {
        s.flGamma = gamma;
        s.bOutputFormat = output.code;
      });
    }
  }
}

}  // namespace

bool WriteSettingsFile(const std::string& path, const settings::SettingsRecord& record) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(&record, sizeof(record), 1, f) == 1;
  return std::fclose(f) == 0 && written;
}

// A panning gradient with a bright square moving across it.
std::vector<BYTE> ClipFrame(WORD bitCount, DWORD compression, int n) {
  const int bytesPerPixel = bitCount / 8;
  std::vector<BYTE> bits(static_cast<std::size_t>(kClipWidth * kClipHeight * bytesPerPixel));
  for (int y = 0; y < kClipHeight; ++y) {
    for (int x = 0; x < kClipWidth; ++x) {
      const bool square = x >= 4 * n + 8 && x < 4 * n + 24 && y >= 2 * n + 8 && y < 2 * n + 24;
      const BYTE r = square ? 240 : static_cast<BYTE>(3 * x + 5 * n);
      const BYTE g = square ? 220 : static_cast<BYTE>(4 * y + x / 2);
      const BYTE b = square ? 40 : static_cast<BYTE>(128 + 2 * (x - y));
      BYTE* p = &bits[static_cast<std::size_t>((y * kClipWidth + x) * bytesPerPixel)];
      if (bitCount == 8) {  // indices into the palettised input's table, every one in use
        p[0] = static_cast<BYTE>(x + 4 * y + n);
      } else if (compression == kYuy2) {
        p[0] = static_cast<BYTE>((r + 2 * g + b) / 4);  // Y, then U or V by column
        p[1] = (x & 1) ? static_cast<BYTE>(128 + (r - g) / 4) : static_cast<BYTE>(128 + (b - g) / 4);
      } else if (bytesPerPixel == 2) {
        const WORD w = static_cast<WORD>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
        std::memcpy(p, &w, 2);
      } else {
        p[0] = b;
        p[1] = g;
        p[2] = r;
        if (bytesPerPixel == 4) p[3] = 0;
      }
    }
  }
  return bits;
}

std::vector<std::string> HashSequences(const CodecPort& codec) {
  std::vector<std::string> lines;
  std::vector<CompressedFrame> reference;
  for (const Layout& input : kInputs) {
    std::vector<CompressedFrame> frames = CompressClip(codec, input, lines);
    if (reference.empty()) reference = std::move(frames);
  }
  if (reference.empty()) return lines;
  for (const Layout& output : kOutputs) DecompressClip(codec, reference, output, lines);
  FloatDerivedResults(codec, reference, lines);
  return lines;
}

}  // namespace kvtc::wintest
