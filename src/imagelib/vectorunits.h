#pragma once
// The vector units of the processor the program runs on, for kernels with a path of their own for
// them: chosen when the kernel runs, and giving the same bytes as the plain loop beside it.
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>

// AVX-512 with its byte permutations (VBMI), on 256-bit registers too (VL).
inline bool hasVbmi()
{
    static const bool has = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl")
                            && __builtin_cpu_supports("avx512vbmi");
    return has;
}

#define VP_VBMI __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))
#endif
