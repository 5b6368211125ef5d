#include "pixels/cpu_features.h"

#include <algorithm>
#include <cstdlib>

#include "pixels/simd_target.h"

#if KVTC_X86
#include <cpuid.h>
#endif

namespace kvtc::pixels {
namespace {

#if KVTC_X86
// AVX2 needs the instructions and an operating system that saves the 256-bit registers.
bool HasAvx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  constexpr unsigned kOsxsave = 1u << 27, kAvx = 1u << 28;
  if ((c & (kOsxsave | kAvx)) != (kOsxsave | kAvx)) return false;
  unsigned xcrLow = 0, xcrHigh = 0;
  __asm__ volatile("xgetbv" : "=a"(xcrLow), "=d"(xcrHigh) : "c"(0));
  if ((xcrLow & 6u) != 6u) return false;  // XMM and YMM state
  if (__get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & (1u << 5)) != 0;
}
#endif

}  // namespace

CpuLevel DetectedCpuLevel() {
#if KVTC_X86
  return HasAvx2() ? CpuLevel::kAvx2 : CpuLevel::kSse2;
#else
  return CpuLevel::kC;
#endif
}

CpuLevel ChooseCpuLevel(CpuLevel detected, std::string_view requested) {
  CpuLevel wanted = detected;
  if (requested == "c") wanted = CpuLevel::kC;
  if (requested == "sse2") wanted = CpuLevel::kSse2;
  if (requested == "avx2") wanted = CpuLevel::kAvx2;
  return std::min(wanted, detected);
}

CpuLevel ActiveCpuLevel() {
  static const CpuLevel level = [] {
    const char* requested = std::getenv("KVTC_CPU");
    return ChooseCpuLevel(DetectedCpuLevel(), requested ? requested : "");
  }();
  return level;
}

const char* CpuLevelName(CpuLevel level) {
  switch (level) {
    case CpuLevel::kSse2:
      return "sse2";
    case CpuLevel::kAvx2:
      return "avx2";
    default:
      return "c";
  }
}

}  // namespace kvtc::pixels
