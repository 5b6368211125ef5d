#include "pixels/output_rgb_rows.h"

#include <algorithm>
#include <cstring>

#include "pixels/output_variants.h"
#include "pixels/pixel_kernels.h"
#include "stream/plane_view.h"

namespace kvtc::pixels::output {
namespace {

using stream::AnyMarked;

constexpr std::uint32_t kChunk = 256;              // output pixels per chunk (even)
constexpr std::uint32_t kPad = 16;                 // room for a kernel's whole last vector
constexpr std::uint32_t kBlocks = kChunk / 2 + 1;  // with the half variants' extra pixel

// The scratch rows of one call.
struct Scratch {
  std::int16_t red[kBlocks + kPad] = {}, green[kBlocks + kPad] = {}, blue[kBlocks + kPad] = {};
  std::uint32_t even[kBlocks + kPad] = {};
  std::uint32_t row[kChunk + 1 + kPad] = {};
  std::uint32_t above[kChunk + kPad] = {}, below[kChunk + kPad] = {};
  std::uint32_t kept[2][kChunk + kPad] = {};  // even rows as the output holds them
  std::uint8_t written[kChunk + 1 + kPad] = {};  // pixels a partial chunk rebuilds
  std::uint8_t packed[4 * (kChunk + kPad)] = {};
  std::uint8_t greyLevels[256];  // grey output only
  GammaFold gammaFold;           // a word layout's folded gamma only

  ChromaRow Terms() const { return {red, green, blue}; }
};

// Map row y from column x, or null when the row is outside the map.
const std::uint8_t* MapRow(UpdateMapView map, std::uint32_t y, std::uint32_t x) {
  return map.bytes && y < map.rows ? map.bytes + y * map.stride + x : nullptr;
}

// Every one of n map bytes is 1 (marking them again changes nothing).
bool AllOnes(const std::uint8_t* marks, std::size_t n) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  std::size_t i = 0;
  const auto differs = [marks](std::size_t at) {
    std::uint64_t word;
    std::memcpy(&word, marks + at, 8);
    return word ^ kOnes;
  };
  for (; i + 32 <= n; i += 32) {
    if ((differs(i) | differs(i + 8) | differs(i + 16) | differs(i + 24)) != 0) return false;
  }
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, marks + i, 8);
    if (word != kOnes) return false;
  }
  for (; i < n; ++i) {
    if (marks[i] != 1) return false;
  }
  return true;
}

bool RowMarked(UpdateMapView map, std::uint32_t y, std::uint32_t x, std::uint32_t n) {
  const std::uint8_t* row = MapRow(map, y, x);
  return row && AnyMarked(row, n);
}

// The chroma terms of blocks first .. first+n-1 of block row by; blocks past the last chroma
// column share its sample.
void FillTerms(Scratch& s, const ConstPlaneSet& p, const DecoderTables& t, const RgbRowKernels& k,
               std::uint32_t first, std::uint32_t n, std::uint32_t by) {
  const std::size_t row = p.ChromaAt(0, by);
  const std::uint32_t own = first < p.chromaCols ? std::min(n, p.chromaCols - first) : 0;
  if (own) k.terms(p.u + row + first, p.v + row + first, own, t, s.red, s.green, s.blue);
  for (std::uint32_t i = own; i < n; ++i) {
    const ChromaTerms c = TermsOf(t, p, first + i, by);
    s.red[i] = static_cast<std::int16_t>(c.red);
    s.green[i] = static_cast<std::int16_t>(c.green);
    s.blue[i] = static_cast<std::int16_t>(c.blue);
  }
}

std::uint32_t Average(std::uint32_t a, std::uint32_t b) {
  return (a | b) - ((a ^ b) >> 1 & 0x7F7F7F7Fu);
}

// A 24- or 32-bit RGB layout (layout null), whose words store and load unchanged, or a word
// layout, which may not.
struct Job {
  const ConstPlaneSet& p;
  std::uint8_t* out;
  UpdateMapView map;
  std::uint32_t bytes;
  const LayoutRows* layout;
  const DecoderTables& t;
  const RgbRowKernels& k;
  Scratch& s;
  // A word layout's gamma where its stores fold it in (and ApplyGamma leaves the words as
  // they are), or null.
  const GammaFold* fold = nullptr;

  std::uint8_t* At(std::uint32_t x, std::uint32_t y) const {
    return out + (std::size_t{y} * p.width + x) * bytes;
  }

  void Load(std::uint32_t x, std::uint32_t y, std::uint32_t n, std::uint32_t* words) const {
    if (layout) {
      layout->load(At(x, y), n, t, words);
    } else {
      k.load(At(x, y), n, bytes, words);
    }
  }

  // Words into a word layout; `fresh` words have not been through the gamma yet.
  void LayoutStore(const std::uint32_t* words, std::uint32_t n, Place at, std::uint8_t* dst,
                   bool fresh) const {
    if (fresh && fold) {
      layout->storeGamma(words, n, at, *fold, dst, nullptr);
    } else {
      layout->store(words, n, at, t, dst);
    }
  }

  void Store(const std::uint32_t* words, std::uint32_t n, std::uint32_t x, std::uint32_t y,
             bool fresh = false) const {
    if (layout) {
      LayoutStore(words, n, {x, y, 1}, At(x, y), fresh);
    } else {
      k.store(words, n, bytes, At(x, y));
    }
  }

  // Store, and with `kept` the words as the output then holds them.
  void StoreKeeping(const std::uint32_t* words, std::uint32_t n, std::uint32_t x, std::uint32_t y,
                    std::uint32_t* kept) const {
    if (kept && layout && layout->storeKeep) {
      return layout->storeKeep(words, n, {x, y, 1}, t, At(x, y), kept);
    }
    Store(words, n, x, y);
    if (!kept) return;
    if (layout) {
      Load(x, y, n, kept);
    } else if (kept != words) {
      std::memcpy(kept, words, 4 * std::size_t{n});
    }
  }

  // A word layout's pixels i < n where written[i] is set.
  void StoreWritten(const std::uint32_t* words, const std::uint8_t* written, std::uint32_t n,
                    std::uint32_t x, std::uint32_t y, bool fresh = false) const {
    LayoutStore(words, n, {x, y, 1}, s.packed, fresh);
    std::uint8_t* dst = At(x, y);
    for (std::uint32_t i = 0; i < n; ++i) {
      if (written[i]) std::memcpy(dst + bytes * i, s.packed + bytes * i, bytes);
    }
  }

  // A word layout that converts its pixels straight from the samples.
  bool Direct() const {
    return layout && (fold ? layout->convertGamma != nullptr
                           : layout->convert && t.gammaKey == 1.0);
  }
  void Convert(const std::uint8_t* luma, unsigned step, std::uint32_t n, Place at,
               std::uint8_t* dst, std::uint32_t* kept) const {
    if (fold) return layout->convertGamma(luma, step, s.Terms(), n, at, *fold, dst, kept);
    layout->convert(luma, step, s.Terms(), n, at, t, dst, kept);
  }

  void ApplyGamma(std::uint32_t* px, std::uint32_t n) const {
    // Otherwise the table is the identity, or the layout's store applies it.
    if (t.gammaKey != 1.0 && !fold) k.gamma(px, n, t.gamma.data());
  }

  // Even pixels of a word layout as the layout holds them, at columns x, x + 2, ...
  void Requantise(std::uint32_t* px, std::uint32_t n, std::uint32_t x, std::uint32_t y) const {
    if (!layout) return;
    const Place at{x, y, 2};
    if (fold) return layout->storeGamma(px, n, at, *fold, s.packed, px);
    if (layout->storeKeep) return layout->storeKeep(px, n, at, t, s.packed, px);
    LayoutStore(px, n, at, s.packed, true);
    layout->load(s.packed, n, t, px);
  }

  // Every pixel from its own luma sample; with kPartial only the marked ones.
  template <bool kPartial>
  void FullResolution() const {
    for (std::uint32_t y0 = 0; y0 < p.height; y0 += 2) {
      const std::uint32_t rows = std::min<std::uint32_t>(2, p.height - y0);
      for (std::uint32_t x0 = 0; x0 < p.width; x0 += kChunk) {
        const std::uint32_t n = std::min(kChunk, p.width - x0);
        bool marked[2] = {true, true};
        if constexpr (kPartial) {
          for (std::uint32_t dy = 0; dy < rows; ++dy) marked[dy] = RowMarked(map, y0 + dy, x0, n);
          if (!marked[0] && !marked[1]) continue;
        }
        FillTerms(s, p, t, k, x0 / 2, (n + 1) / 2, y0 / 2);
        for (std::uint32_t dy = 0; dy < rows; ++dy) {
          if (!marked[dy]) continue;
          const std::uint32_t y = y0 + dy;
          if (kPartial && std::memchr(MapRow(map, y, x0), 0, n)) {
            MarkedRuns(y, x0, n);
            continue;
          }
          if (Direct()) {
            Convert(p.LumaRow(y) + x0, 1, n, {x0, y, 1}, At(x0, y), nullptr);
            continue;
          }
          k.pixels(p.LumaRow(y) + x0, 1, s.Terms(), n, s.row);
          ApplyGamma(s.row, n);
          Store(s.row, n, x0, y, true);
        }
      }
    }
  }

  // The marked pixels of a chunk that is not marked whole, its chroma terms in hand: in runs
  // of groups of kGroup pixels that hold a mark (a changed block marks whole groups), a run
  // bridging gaps of up to kGap pixels, where one more call costs more than converting the
  // gap. Runs start on a group, where the word layouts' dither phases start, and keep the
  // output's own pixels where their marks are not set.
  void MarkedRuns(std::uint32_t y, std::uint32_t x0, std::uint32_t n) const {
    constexpr std::uint32_t kGroup = 16;
    constexpr std::uint32_t kGap = 32;
    const std::uint8_t* marks = MapRow(map, y, x0);
    const auto groupMarked = [&](std::uint32_t i) {
      if (n - i < kGroup) return AnyMarked(marks + i, n - i);
      std::uint64_t words[2];
      std::memcpy(words, marks + i, 16);
      return (words[0] | words[1]) != 0;
    };
    const auto convert = [&](std::uint32_t first, std::uint32_t end) {
      const std::uint32_t b = first / 2;
      k.pixels(p.LumaRow(y) + x0 + first, 1, {s.red + b, s.green + b, s.blue + b}, end - first,
               s.row);
      ApplyGamma(s.row, end - first);
      StoreMarked(marks + first, end - first, x0 + first, y);
    };
    std::uint32_t first = 0, end = 0;  // the open run, empty while end is 0
    for (std::uint32_t i = 0; i < n; i += kGroup) {
      if (!groupMarked(i)) continue;
      if (end != 0 && i - end > kGap) {
        convert(first, end);
        end = 0;
      }
      if (end == 0) first = i;
      end = std::min(i + kGroup, n);
    }
    if (end != 0) convert(first, end);
  }

  // Keeps the output's own pixels where the map is not marked.
  void StoreMarked(const std::uint8_t* marks, std::uint32_t n, std::uint32_t x,
                   std::uint32_t y) const {
    if (std::memchr(marks, 0, n)) {  // not every pixel marked
      if (layout) return StoreWritten(s.row, marks, n, x, y, true);
      k.load(At(x, y), n, bytes, s.above);
      // A select rather than a branch: marks come in runs too short to predict.
      std::uint32_t* __restrict row = s.row;
      const std::uint32_t* __restrict above = s.above;
      for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t keep = std::uint32_t{marks[i] == 0} * 0xFFFFFFFFu;
        row[i] = (row[i] & ~keep) | (above[i] & keep);
      }
    }
    Store(s.row, n, x, y, true);
  }

  // Chunk x0 of even row y: its even pixels converted, odd ones between them. A chunk whose
  // marks are all set converts as a whole (and marks nothing new); its words as the output
  // then holds them go to `kept` (24- and 32-bit words store unchanged but for the fourth
  // byte, which no store writes; a word layout's are loaded back). Returns `kept` when so
  // filled, otherwise null.
  template <bool kPartial>
  const std::uint32_t* HalfEvenStrip(std::uint32_t y, std::uint32_t x0, std::uint32_t n,
                                     std::uint32_t* kept) const {
    const std::uint8_t* marks = kPartial ? MapRow(map, y, x0) : nullptr;
    if (kPartial && !(marks && AllOnes(marks, n + 1))) {
      if (marks && AnyMarked(marks, n + 1)) HalfEvenChunk<true>(y, x0, n);
      return nullptr;
    }
    HalfEvenChunk<false>(y, x0, n, kept);
    return kept;
  }

  template <bool kPartial>
  void HalfEvenChunk(std::uint32_t y, std::uint32_t x0, std::uint32_t n,
                     std::uint32_t* kept = nullptr) const {
    const bool next = x0 + n < p.width;  // the next chunk's first pixel is a neighbour
    const std::uint32_t evens = (n + 1) / 2 + (next ? 1 : 0);
    // Up to whole vectors of even pixels where the row has them: a few more pixels cost less
    // than a kernel's partial last vector.
    const std::uint32_t converted = std::min((evens + 15) / 16 * 16, (p.width - x0 + 1) / 2);
    FillTerms(s, p, t, k, x0 / 2, converted, y / 2);
    if (Direct()) {
      Convert(p.LumaRow(y) + x0, 2, converted, {x0, y, 2}, s.packed, s.even);
    } else {
      k.pixels(p.LumaRow(y) + x0, 2, s.Terms(), converted, s.even);
      ApplyGamma(s.even, converted);
      Requantise(s.even, converted, x0, y);
    }
    std::uint32_t* row = s.row;
    // A word layout's last odd pixel at the right edge copies its neighbour's bytes (which in
    // a partial chunk may hold bits the layout does not use).
    const bool edgeCopy = layout && !next && n % 2 == 0;
    if constexpr (kPartial) {
      const std::uint8_t* marks = MapRow(map, y, x0);
      Load(x0, y, n + (next ? 1 : 0), row);
      for (std::uint32_t j = 0; j < evens; ++j) {
        s.written[2 * j] = marks[2 * j];
        if (marks[2 * j]) row[2 * j] = s.even[j];
      }
      for (std::uint32_t i = 1; i < n; i += 2) {
        s.written[i] = marks[i - 1] || marks[i + 1];
        if (!s.written[i]) continue;
        row[i] = x0 + i + 1 < p.width ? Average(row[i - 1], row[i + 1]) : row[i - 1];
        map.Mark(x0 + i, y);
      }
      if (layout) {
        StoreWritten(row, s.written, n, x0, y);
        if (edgeCopy && s.written[n - 1]) std::memcpy(At(x0 + n - 1, y), At(x0 + n - 2, y), bytes);
        return;
      }
    } else {
      s.even[evens] = s.even[evens - 1];  // the right edge repeats its pixel
      if (layout && layout->spreadStore && kept) {
        return layout->spreadStore(s.even, s.packed, n, {x0, y, 1}, t, At(x0, y), kept);
      }
      if (!layout && kept) row = kept;  // 24- and 32-bit words are kept as they are spread
      k.spread(s.even, n, row);
    }
    StoreKeeping(row, n, x0, y, kept);
  }

  // Chunk x0 of odd row y: the mean of the rows above and below, or the row above at the
  // bottom edge; `keptAbove` and `keptBelow` hold those rows' words where not null.
  template <bool kPartial>
  void HalfOddChunk(std::uint32_t y, std::uint32_t x0, std::uint32_t n,
                    const std::uint32_t* keptAbove, const std::uint32_t* keptBelow) const {
    const bool below = y + 1 < p.height;
    const std::uint8_t* up = kPartial ? MapRow(map, y - 1, x0) : nullptr;
    const std::uint8_t* down = kPartial ? MapRow(map, y + 1, x0) : nullptr;
    const bool whole = !kPartial || (up && AllOnes(up, n)) || (down && AllOnes(down, n));
    if (!whole && !(up && AnyMarked(up, n)) && !(down && AnyMarked(down, n))) return;
    if (kPartial && !whole) {
      for (std::uint32_t i = 0; i < n; ++i) s.written[i] = (up && up[i]) || (down && down[i]);
    }
    if (layout && !below) {  // a copy of the row above, byte for byte
      const std::uint8_t* from = At(x0, y - 1);
      std::uint8_t* to = At(x0, y);
      if (whole) {
        std::memcpy(to, from, std::size_t{bytes} * n);
        return;
      }
      for (std::uint32_t i = 0; i < n; ++i) {
        if (s.written[i]) std::memcpy(to + bytes * i, from + bytes * i, bytes);
      }
      return;
    }
    const std::uint32_t* upper = keptAbove;
    if (!upper) Load(x0, y - 1, n, s.above);
    if (below) {
      if (!keptBelow) Load(x0, y + 1, n, s.below);
      const std::uint32_t* lower = keptBelow ? keptBelow : s.below;
      if (whole && layout && layout->storeMean) {
        return layout->storeMean(upper ? upper : s.above, lower, n, {x0, y, 1}, t, At(x0, y));
      }
      if (whole && !layout && k.storeMean) {
        return k.storeMean(upper ? upper : s.above, lower, n, bytes, At(x0, y));
      }
      k.average(upper ? upper : s.above, lower, n, s.above);
    } else if (upper) {
      std::memcpy(s.above, upper, 4 * std::size_t{n});
    }
    if (whole) {
      Store(s.above, n, x0, y);
    } else if (layout) {
      StoreWritten(s.above, s.written, n, x0, y);
    } else {
      k.load(At(x0, y), n, bytes, s.row);
      for (std::uint32_t i = 0; i < n; ++i) {
        if (s.written[i]) s.row[i] = s.above[i];
      }
      Store(s.row, n, x0, y);
    }
  }

  // Half resolution strip by strip of chunk columns, each even row's words kept for the odd
  // rows beside it instead of loaded twice from the output. Within a strip the rows go in the
  // order of the picture, and no chunk reads or marks outside its own columns but the next
  // chunk's first pixel of its row, which no earlier chunk writes.
  template <bool kPartial>
  void HalfResolution() const {
    for (std::uint32_t x0 = 0; x0 < p.width; x0 += kChunk) {
      const std::uint32_t n = std::min(kChunk, p.width - x0);
      const std::uint32_t* kept[2] = {nullptr, nullptr};  // of even rows 4m and 4m + 2
      for (std::uint32_t y = 0; y < p.height; y += 2) {
        const std::uint32_t mine = y / 2 % 2;
        kept[mine] = HalfEvenStrip<kPartial>(y, x0, n, s.kept[mine]);
        if (y > 0) HalfOddChunk<kPartial>(y - 1, x0, n, kept[1 - mine], kept[mine]);
      }
      if (p.height % 2 == 0) {
        HalfOddChunk<kPartial>(p.height - 1, x0, n, kept[(p.height - 2) / 2 % 2], nullptr);
      }
    }
  }

  void Run(OutputVariant variant) const {
    switch (variant) {
      case OutputVariant::kFull:
        return FullResolution<false>();
      case OutputVariant::kHalf:
        return HalfResolution<false>();
      case OutputVariant::kPartial:
        return FullResolution<true>();
      case OutputVariant::kHalfPartial:
        return HalfResolution<true>();
    }
  }

  // Every pixel the grey level of its luma sample: the luma term, clamped, through the gamma.
  void Grey() const {
    for (int i = 0; i < 256; ++i) {
      const int level = std::min(255, t.lumaScale[i]);
      s.greyLevels[i] = t.gammaKey == 1.0 ? static_cast<std::uint8_t>(level) : t.gamma[level];
    }
    for (std::uint32_t y = 0; y < p.height; ++y) {
      for (std::uint32_t x0 = 0; x0 < p.width; x0 += kChunk) {
        const std::uint32_t n = std::min(kChunk, p.width - x0);
        k.grey(p.LumaRow(y) + x0, n, s.greyLevels, s.row);
        Store(s.row, n, x0, y);
      }
    }
  }
};

}  // namespace

void ChromaTermsPlain(const std::uint8_t* u, const std::uint8_t* v, std::uint32_t n,
                      const DecoderTables& t, std::int16_t* red, std::int16_t* green,
                      std::int16_t* blue) {
  for (std::uint32_t i = 0; i < n; ++i) {
    red[i] = static_cast<std::int16_t>(t.redFromV[v[i]]);
    green[i] = static_cast<std::int16_t>(t.greenFromU[u[i]] + t.greenFromV[v[i]]);
    blue[i] = static_cast<std::int16_t>(t.blueFromU[u[i]]);
  }
}

void GammaPlain(std::uint32_t* px, std::uint32_t n, const std::uint8_t* g) {
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t w = px[i];
    px[i] = std::uint32_t{g[w & 255]} | std::uint32_t{g[w >> 8 & 255]} << 8 |
            std::uint32_t{g[w >> 16 & 255]} << 16;
  }
}

namespace {

constexpr std::uint32_t kFlip = 0x80808080u;
constexpr std::uint8_t kNever = 255;

// A word of steps for blue, green and red, and none for the top byte.
constexpr std::uint32_t StepWord(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  return (std::uint32_t{kNever} << 24 | std::uint32_t{red} << 16 | std::uint32_t{green} << 8 |
          blue) ^
         kFlip;
}

}  // namespace

bool FoldGamma(const DecoderTables& t, GammaFold& fold) {
  const std::uint8_t* gamma = t.gamma.data();
  if (gamma[0] != 0) return false;
  for (int x = 1; x < 256; ++x) {
    if (gamma[x] < gamma[x - 1]) return false;
  }
  std::uint8_t* steps = fold.steps;
  steps[0] = 0;  // every sample reaches 0: not a step
  int x = 0;
  for (int v = 1; v < 256; ++v) {
    while (x < 256 && gamma[x] < v) ++x;
    steps[v] = static_cast<std::uint8_t>(x - 1);  // x is at least 1: gamma[0] is below v
  }
  // The 15-bit field reaches f where the corrected value reaches 8 f.
  for (int b = 0; b < 5; ++b) {
    for (int p = 0; p < 16; ++p) {
      const int field = (2 * p + 1) << b;
      const std::uint8_t step = field < 32 ? steps[8 * field] : kNever;
      fold.bits555[b][p] = static_cast<std::uint8_t>(step ^ 0x80);
    }
  }
  // Red and green levels min(7, (c + 16) >> 5), blue min(3, (c + 32) >> 6).
  for (int k = 1; k <= 7; ++k) {
    const std::uint8_t redGreen = steps[32 * k - 16];
    fold.levels332[k - 1] = StepWord(k <= 3 ? steps[64 * k - 32] : kNever, redGreen, redGreen);
  }
  // Cube levels (c + 50 - threshold) / 51: level k where c reaches 51 k - 50 + threshold.
  for (int row = 0; row < 16; ++row) {
    for (int step = 1; step <= 2; ++step) {
      for (int k = 1; k <= 5; ++k) {
        for (int j = 0; j < 16; ++j) {
          const std::uint8_t c = steps[51 * k - 50 + t.dither[row][step * j % 16]];
          fold.cube[row][step - 1][k - 1][j] = StepWord(c, c, c);
        }
      }
    }
  }
  return true;
}

void GreyWordsPlain(const std::uint8_t* luma, std::uint32_t n, const std::uint8_t* levels,
                    std::uint32_t* out) {
  for (std::uint32_t i = 0; i < n; ++i) out[i] = levels[luma[i]] * 0x010101u;
}

void ConvertRgbByRows(OutputVariant variant, const ConstPlaneSet& p, std::uint8_t* out,
                      UpdateMapView map, RgbChannels ch, const DecoderTables& t,
                      const stream::ArithmeticTables& a, const RgbRowKernels& k) {
  const bool blueGreenRed = ch.blue == 0 && ch.green == 1 && ch.red == 2 &&
                            (ch.bytesPerPixel == 3 || ch.bytesPerPixel == 4);
  if (!blueGreenRed) return KernelsFor(CpuLevel::kC).convertRgb(variant, p, out, map, ch, t, a);
  if (!p) return;
  Scratch s;
  Job{p, out, map, ch.bytesPerPixel, nullptr, t, k, s}.Run(variant);
}

void ConvertLayoutByRows(OutputVariant variant, const ConstPlaneSet& p, std::uint8_t* out,
                         UpdateMapView map, const LayoutRows& layout, const DecoderTables& t,
                         const RgbRowKernels& k) {
  if (!p) return;
  Scratch s;
  Job job{p, out, map, layout.bytes, &layout, t, k, s};
  if (layout.storeGamma && t.gammaKey != 1.0 && FoldGamma(t, s.gammaFold)) {
    job.fold = &s.gammaFold;
  }
  job.Run(variant);
}

void ConvertGreyByRows(const ConstPlaneSet& p, std::uint8_t* out, std::uint32_t rgbBytes,
                       const LayoutRows* layout, const DecoderTables& t, const RgbRowKernels& k) {
  if (!p) return;
  Scratch s;
  Job{p, out, {}, layout ? layout->bytes : rgbBytes, layout, t, k, s}.Grey();
}

}  // namespace kvtc::pixels::output
