// The four conversion variants, written once for every colour layout.
//
// A layout supplies:
//   bytes                                 pixel size in the output
//   Put(pixel, red, green, blue, x, y)    one pixel from its three unclamped colour sums
//   Average(pixel, a, b, x, y)            the pixel between two converted pixels a and b
//   Copy(pixel, a)                        a repeated (at the half variants' edges)
// Internal to the output converters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixels/decoder_tables.h"
#include "pixels/output_converters.h"
#include "pixels/plane_set_view.h"
#include "pixels/update_map_view.h"
#include "stream/arithmetic_tables.h"

namespace kvtc::pixels::output {

// The chroma terms of one 2x2 block, shared by its four pixels.
struct ChromaTerms {
  int red, green, blue;
};

inline ChromaTerms TermsOf(const DecoderTables& t, const ConstPlaneSet& p, std::uint32_t bx,
                           std::uint32_t by) {
  const std::size_t at = p.ChromaAt(bx, by);
  const std::uint8_t u = p.u[at];
  const std::uint8_t v = p.v[at];
  return {t.redFromV[v], t.greenFromU[u] + t.greenFromV[v], t.blueFromU[u]};
}

// Full resolution; with kPartial only the pixels whose map byte is set.
template <bool kPartial, class Layout>
void ConvertFullResolution(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                           const DecoderTables& t, const Layout& layout) {
  if (!p) return;
  const std::int32_t* scale = t.lumaScale.data();
  const std::size_t rowBytes = std::size_t{layout.bytes} * p.width;
  for (std::uint32_t y0 = 0; y0 < p.height; y0 += 2) {
    const std::uint32_t rowsHere = y0 + 1 < p.height ? 2 : 1;
    for (std::uint32_t x0 = 0; x0 < p.width; x0 += 2) {
      const std::uint32_t colsHere = x0 + 1 < p.width ? 2 : 1;
      if constexpr (kPartial) {
        bool any = false;
        for (std::uint32_t dy = 0; dy < rowsHere; ++dy) {
          for (std::uint32_t dx = 0; dx < colsHere; ++dx) any |= map.Marked(x0 + dx, y0 + dy);
        }
        if (!any) continue;
      }
      const ChromaTerms c = TermsOf(t, p, x0 / 2, y0 / 2);
      for (std::uint32_t dy = 0; dy < rowsHere; ++dy) {
        const std::uint32_t y = y0 + dy;
        const std::uint8_t* luma = p.LumaRow(y);
        std::uint8_t* row = out + y * rowBytes;
        for (std::uint32_t dx = 0; dx < colsHere; ++dx) {
          const std::uint32_t x = x0 + dx;
          if (kPartial && !map.Marked(x, y)) continue;
          const int l = scale[luma[x]];
          layout.Put(row + std::size_t{layout.bytes} * x, l + c.red, l + c.green, l + c.blue, x, y);
        }
      }
    }
  }
}

// Half resolution: even pixels converted, odd columns of even rows and then odd rows
// interpolated in the output. With kPartial an even pixel is converted when its map byte is
// set, an odd pixel interpolated when either neighbour's is (the horizontal pass marks what
// it rebuilds, so the vertical pass follows it).
template <bool kPartial, class Layout>
void ConvertHalfResolution(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                           const DecoderTables& t, const Layout& layout) {
  if (!p) return;
  const std::int32_t* scale = t.lumaScale.data();
  const std::size_t bytes = layout.bytes;
  const std::size_t rowBytes = bytes * p.width;
  for (std::uint32_t y = 0; y < p.height; y += 2) {
    const std::uint8_t* luma = p.LumaRow(y);
    std::uint8_t* row = out + y * rowBytes;
    for (std::uint32_t x = 0; x < p.width; x += 2) {
      if (kPartial && !map.Marked(x, y)) continue;
      const ChromaTerms c = TermsOf(t, p, x / 2, y / 2);
      const int l = scale[luma[x]];
      layout.Put(row + bytes * x, l + c.red, l + c.green, l + c.blue, x, y);
    }
  }
  for (std::uint32_t y = 0; y < p.height; y += 2) {
    std::uint8_t* row = out + y * rowBytes;
    for (std::uint32_t x = 1; x < p.width; x += 2) {
      if (kPartial && !map.Marked(x - 1, y) && !map.Marked(x + 1, y)) continue;
      std::uint8_t* px = row + bytes * x;
      if (x + 1 < p.width) {
        layout.Average(px, px - bytes, px + bytes, x, y);
      } else {
        layout.Copy(px, px - bytes);
      }
      if (kPartial) map.Mark(x, y);
    }
  }
  for (std::uint32_t y = 1; y < p.height; y += 2) {
    std::uint8_t* row = out + y * rowBytes;
    const bool below = y + 1 < p.height;
    for (std::uint32_t x = 0; x < p.width; ++x) {
      if (kPartial && !map.Marked(x, y - 1) && !map.Marked(x, y + 1)) continue;
      std::uint8_t* px = row + bytes * x;
      if (below) {
        layout.Average(px, px - rowBytes, px + rowBytes, x, y);
      } else {
        layout.Copy(px, px - rowBytes);
      }
    }
  }
}

template <OutputVariant kVariant, class Layout>
void ConvertVariant(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                    const DecoderTables& t, const Layout& layout) {
  if constexpr (kVariant == OutputVariant::kFull) {
    ConvertFullResolution<false>(p, out, map, t, layout);
  } else if constexpr (kVariant == OutputVariant::kPartial) {
    ConvertFullResolution<true>(p, out, map, t, layout);
  } else if constexpr (kVariant == OutputVariant::kHalf) {
    ConvertHalfResolution<false>(p, out, map, t, layout);
  } else {
    ConvertHalfResolution<true>(p, out, map, t, layout);
  }
}

// For the layouts built from the decoder tables, the colour-sum clamp and the half sums.
template <OutputVariant kVariant, class Layout>
void ConvertWithTables(const ConstPlaneSet& p, std::uint8_t* out, UpdateMapView map,
                       const DecoderTables& t, const stream::ArithmeticTables& a) {
  ConvertVariant<kVariant>(p, out, map, t,
                           Layout{t, t.sumClamp.data() + kSumClampOffset, a.halfSum.data()});
}

}  // namespace kvtc::pixels::output
