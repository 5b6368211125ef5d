#include "host/scene_cut.h"

#include <cstdlib>

namespace kvtc::host {
namespace {

constexpr int kStep = 2;  // every second row and column

std::uint8_t Luma(int r, int g, int b) {
  return static_cast<std::uint8_t>((77 * r + 150 * g + 29 * b) >> 8);
}

// Bytes from one packed row to the next, for `bits` bits a pixel.
std::size_t RowBytes(int width, int bits) {
  return (static_cast<std::size_t>(width) * bits + 7) / 8;
}

}  // namespace

LumaHistogram HistogramOf(std::span<const std::uint8_t> bits, const BitmapInfo& format) {
  LumaHistogram histogram{};
  const BITMAPINFOHEADER& h = format.header();
  const int width = h.biWidth;
  const int height = std::abs(h.biHeight);
  const auto count = [&histogram](std::uint8_t luma) { ++histogram[luma >> 3]; };
  const auto colourLuma = [&format](std::size_t index) -> std::uint8_t {
    const auto colours = format.colours();
    if (index >= colours.size()) return static_cast<std::uint8_t>(index);
    return Luma(colours[index].rgbRed, colours[index].rgbGreen, colours[index].rgbBlue);
  };

  std::size_t pixelBits = h.biBitCount;
  std::size_t yOffset = 0;  // packed 4:2:2: where the first luma byte of a pixel pair sits
  switch (h.biCompression) {
    case BI_RGB: break;
    case MakeFourcc("cyuv"): yOffset = 1; [[fallthrough]];
    case MakeFourcc("YUY2"): pixelBits = 16; break;
    case MakeFourcc("YVU9"): pixelBits = 8; break;  // the luma plane comes first
    default: return histogram;
  }
  const std::size_t rowBytes = RowBytes(width, static_cast<int>(pixelBits));
  if (width <= 0 || bits.size() < rowBytes * height) return histogram;

  for (int y = 0; y < height; y += kStep) {
    const std::uint8_t* row = bits.data() + rowBytes * y;
    for (int x = 0; x < width; x += kStep) {
      if (h.biCompression != BI_RGB) {
        count(row[pixelBits == 16 ? 2 * x + yOffset : x]);
        continue;
      }
      switch (pixelBits) {
        case 32: count(Luma(row[4 * x + 2], row[4 * x + 1], row[4 * x])); break;
        case 24: count(Luma(row[3 * x + 2], row[3 * x + 1], row[3 * x])); break;
        case 16: {
          const int v = row[2 * x] | row[2 * x + 1] << 8;
          count(Luma((v >> 10 & 31) << 3, (v >> 5 & 31) << 3, (v & 31) << 3));
          break;
        }
        case 4: count(colourLuma(row[x / 2] >> (x % 2 ? 0 : 4) & 15)); break;
        default: count(colourLuma(row[x])); break;  // one byte a pixel: 6 and 8 bits
      }
    }
  }
  return histogram;
}

double HistogramChange(const LumaHistogram& a, const LumaHistogram& b) {
  // In whole numbers until the one division, so every build gives the same answer.
  std::uint64_t totalA = 0, totalB = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    totalA += a[i];
    totalB += b[i];
  }
  if (totalA == 0 || totalB == 0) return 0;
  std::uint64_t moved = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::uint64_t x = a[i] * totalB, y = b[i] * totalA;
    moved += x > y ? x - y : y - x;
  }
  return static_cast<double>(moved) / static_cast<double>(2 * totalA * totalB);
}

bool SceneCutDetector::Add(const LumaHistogram& histogram) {
  lastChange_ = previous_ ? HistogramChange(*previous_, histogram) : 0;
  previous_ = histogram;
  return lastChange_ > kCutChange;
}

}  // namespace kvtc::host
