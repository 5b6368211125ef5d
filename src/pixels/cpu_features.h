// The instruction-set level the pixel kernels run at: detected once from the processor, and
// lowered (never raised) by the environment variable KVTC_CPU=c|sse2|avx2.
#pragma once

#include <string_view>

namespace kvtc::pixels {

enum class CpuLevel { kC, kSse2, kAvx2 };

// The highest level this processor and build support.
CpuLevel DetectedCpuLevel();

// `requested` ("c", "sse2", "avx2"; empty or unknown: no limit) capped at `detected`.
CpuLevel ChooseCpuLevel(CpuLevel detected, std::string_view requested);

// The level the codec runs at: the detected one capped by KVTC_CPU, decided on first use.
CpuLevel ActiveCpuLevel();

const char* CpuLevelName(CpuLevel level);

}  // namespace kvtc::pixels
