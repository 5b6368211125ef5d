// Which x86 kernels this build carries. SSE2 is the baseline of every x86 target the codec is
// built for (x86-64, and the 32-bit build's -msse2); AVX2 code is compiled per function, with
// KVTC_AVX2 on every function that uses it, so one build serves every processor.
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__) && \
    (defined(__GNUC__) || defined(__clang__))
#define KVTC_X86 1
#define KVTC_AVX2 __attribute__((target("avx2")))
#else
#define KVTC_X86 0
#endif
