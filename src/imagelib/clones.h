#pragma once
// Kernels compiled twice, for AVX2 and for any x86-64, the one the processor runs chosen as the
// program loads. That choice runs before ThreadSanitizer's runtime has started, so its build
// takes the plain version.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define VP_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VP_AVX2_CLONES
#endif
