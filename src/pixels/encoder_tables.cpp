#include "pixels/encoder_tables.h"

#include <algorithm>

#include "pixels/coefficient_rounding.h"

namespace kvtc::pixels {

bool BuildEncoderTables(EncoderColourTables& t, stream::ArithmeticTables& arithmetic) {
  for (auto* table : {&t.lumaFromR, &t.lumaFromG, &t.lumaFromB}) {
    if (!table->Ensure(256)) return false;
  }
  for (auto* table : {&t.uFromR, &t.uFromG, &t.uFromB, &t.vFromR, &t.vFromG, &t.vFromB}) {
    if (!table->Ensure(1024)) return false;
  }
  for (int i = 0; i < 256; ++i) {
    t.lumaFromR[i] = RoundCoefficient(0.2520137 * i);
    t.lumaFromG[i] = RoundCoefficient(0.4945843 * i);
    t.lumaFromB[i] = RoundCoefficient(0.0964549 * i);
  }
  for (int s = 0; s < 1024; ++s) {
    t.uFromR[s] = RoundCoefficient(128 - 0.0310485 * s);
    t.uFromG[s] = RoundCoefficient(-0.0609378 * s);
    t.uFromB[s] = RoundCoefficient(0.0919863 * s);
    t.vFromR[s] = RoundCoefficient(128 + 0.1296113 * s);
    t.vFromG[s] = RoundCoefficient(-0.1084485 * s);
    t.vFromB[s] = RoundCoefficient(-0.0211628 * s);
  }
  if (!t.chromaClamp.Ensure(768)) return false;
  for (int i = 0; i < 768; ++i) {
    t.chromaClamp[i] = static_cast<std::uint8_t>(std::clamp(i - kChromaClampOffset, 0, 255));
  }
  return stream::BuildNibbleTables(arithmetic);
}

}  // namespace kvtc::pixels
