// Packed 4:2:2 output with SSE2: sixteen pixels at a time where the blocks have chroma of
// their own, the plain converter's loop for the rest of the row.
#include "pixels/pixel_kernels.h"
#include "pixels/simd_target.h"

#if KVTC_X86
#include <emmintrin.h>

namespace kvtc::pixels::output {

void PackYuv422Sse2(const ConstPlaneSet& p, std::uint8_t* out, bool grey) {
  if (!p) return;
  const std::size_t rowBytes = 2 * std::size_t{p.width};
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* luma = p.LumaRow(y);
    const std::size_t chromaRow = p.ChromaAt(0, y / 2);
    std::uint8_t* row = out + y * rowBytes;
    std::uint32_t x = 0;
    for (; x + 16 <= p.width && x / 2 + 8 <= p.chromaCols; x += 16) {
      const __m128i yy = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + x));
      __m128i uv = _mm_set1_epi8(static_cast<char>(kNeutralChroma));
      if (!grey) {
        uv = _mm_unpacklo_epi8(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p.u + chromaRow + x / 2)),
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p.v + chromaRow + x / 2)));
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 2 * x), _mm_unpacklo_epi8(yy, uv));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 2 * x + 16), _mm_unpackhi_epi8(yy, uv));
    }
    PackYuv422Tail(p, y, x, row, grey);
  }
}

}  // namespace kvtc::pixels::output
#endif
