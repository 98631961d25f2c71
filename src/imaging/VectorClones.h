#pragma once

// Marks a hot pixel loop to be compiled twice on x86-64: for the baseline
// instruction set and for AVX2 (wider lanes, a native 32-bit multiply). The
// loader picks the version the processor runs, so one binary serves every
// machine. Elsewhere the mark does nothing.
#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define KELVARA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#endif
#ifndef KELVARA_VECTOR_CLONES
#define KELVARA_VECTOR_CLONES
#endif
