#include "pixels/decoder_tables.h"

#include <algorithm>
#include <cmath>

#include "pixels/coefficient_rounding.h"
#include "pixels/gamma_power.h"

namespace kvtc::pixels {
namespace {

constexpr int kBaseDither[16] = {0, 14, 3, 13, 11, 5, 8, 6, 12, 2, 15, 1, 7, 9, 4, 10};

template <class T>
bool EnsureAll(std::initializer_list<platform::HeapBuffer<T>*> tables, std::size_t count) {
  for (auto* table : tables) {
    if (!table->Ensure(count)) return false;
  }
  return true;
}

std::uint8_t Quantise332Red(int c) {
  return static_cast<std::uint8_t>(std::min(7, (c + 16) >> 5) << 5);
}
std::uint8_t Quantise332Green(int c) {
  return static_cast<std::uint8_t>(std::min(7, (c + 16) >> 5) << 2);
}
std::uint8_t Quantise332Blue(int c) {
  return static_cast<std::uint8_t>(std::min(3, (c + 32) >> 6));
}

bool BuildGammaTables(DecoderTables& t, double gamma) {
  if (!EnsureAll({&t.gamma, &t.red332, &t.green332, &t.blue332}, 256) ||
      !EnsureAll({&t.red555, &t.green555, &t.blue555, &t.grey555}, 256)) {
    return false;
  }
  gamma = UsableGamma(gamma);
  const double exponent = 1.0 / gamma;
  for (int i = 0; i < 256; ++i) {
    const double corrected = GammaLevel(i, exponent);
    // Clamped before the conversion: extreme gammas must not push it out of the byte range.
    const int g = static_cast<int>(std::clamp(corrected, 0.0, 255.0));
    t.gamma[i] = static_cast<std::uint8_t>(g);
    t.red332[i] = Quantise332Red(g);
    t.green332[i] = Quantise332Green(g);
    t.blue332[i] = Quantise332Blue(g);
    const auto field = static_cast<std::uint16_t>(g >> 3);
    t.red555[i] = static_cast<std::uint16_t>(field << 10);
    t.green555[i] = static_cast<std::uint16_t>(field << 5);
    t.blue555[i] = field;
    t.grey555[i] = static_cast<std::uint16_t>(field << 10 | field << 5 | field);
  }
  t.gammaKey = gamma;
  return true;
}

}  // namespace

double UsableGamma(double gamma) { return std::isfinite(gamma) && gamma > 0 ? gamma : 1.0; }

bool EnsureGammaTables(DecoderTables& t, double gamma) {
  gamma = UsableGamma(gamma);
  if (t.gamma && gamma == t.gammaKey) return true;
  return BuildGammaTables(t, gamma);
}

bool EnsureColumnPhase(DecoderTables& t, std::uint32_t width) {
  if (t.columnPhase.size() > width) return true;
  if (!t.columnPhase.Allocate(std::size_t{width} + 1)) return false;
  for (std::uint32_t j = 0; j <= width; ++j) t.columnPhase[j] = static_cast<std::int32_t>(j % 16);
  return true;
}

bool BuildDecoderTables(DecoderTables& t, stream::ArithmeticTables& arithmetic, double gamma,
                        std::uint32_t width) {
  if (!stream::EnsureSumTables(arithmetic) || !stream::BuildNibbleTables(arithmetic)) return false;
  if (!EnsureAll({&t.lumaScale, &t.redFromV, &t.greenFromU, &t.greenFromV, &t.blueFromU,
                  &t.cubeLevel, &t.cubeResidue},
                 256) ||
      !EnsureAll({&t.plainRed332, &t.plainGreen332, &t.plainBlue332, &t.cubeRed, &t.cubeGreen,
                  &t.cubeBlue},
                 256) ||
      !EnsureAll({&t.plainRed555, &t.plainGreen555, &t.plainBlue555}, 256) ||
      !t.sumClamp.Ensure(kSumClampEntries) || !EnsureColumnPhase(t, width)) {
    return false;
  }
  if (!BuildGammaTables(t, gamma)) return false;

  for (int i = 0; i < 256; ++i) {
    t.lumaScale[i] = RoundCoefficient(1.186165 * i);
    t.redFromV[i] = RoundCoefficient(1.352295 * (i - 128));
    t.greenFromU[i] = RoundCoefficient(0.4694733 * (128 - i));
    t.greenFromV[i] = RoundCoefficient(0.6890521 * (128 - i));
    t.blueFromU[i] = RoundCoefficient(2.406843 * (i - 128));
    t.cubeLevel[i] = i / 51;
    t.cubeResidue[i] = i % 51;
    t.plainRed332[i] = Quantise332Red(i);
    t.plainGreen332[i] = Quantise332Green(i);
    t.plainBlue332[i] = Quantise332Blue(i);
    t.plainRed555[i] = static_cast<std::uint16_t>((i >> 3) << 10);
    t.plainGreen555[i] = static_cast<std::uint16_t>((i >> 3) << 5);
    t.plainBlue555[i] = static_cast<std::uint16_t>(i >> 3);
    // Indices outside the cube (only in a buffer the converters never wrote) stand for the
    // nearest cube entry.
    const int n = std::clamp(i - 26, 0, 215);
    t.cubeRed[i] = static_cast<std::uint8_t>(51 * (n % 6));
    t.cubeGreen[i] = static_cast<std::uint8_t>(51 * (n / 6 % 6));
    t.cubeBlue[i] = static_cast<std::uint8_t>(51 * (n / 36));
  }
  for (int i = 0; i < kSumClampEntries; ++i) {
    t.sumClamp[i] = static_cast<std::uint8_t>(std::clamp(i - kSumClampOffset, 0, 255));
  }
  for (int r = 0; r < 16; ++r) {
    for (int c = 0; c < 16; ++c) {
      const double value = 3.125 * kBaseDither[4 * (r % 4) + c % 4] +
                           0.1953125 * kBaseDither[4 * (r / 4) + c / 4] + 0.5;
      t.dither[r][c] = static_cast<std::int32_t>(value);
    }
  }
  return true;
}

}  // namespace kvtc::pixels
