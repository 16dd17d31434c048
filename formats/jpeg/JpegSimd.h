#pragma once
// KANVO_VECTOR_CLONES marks a hot whole-block routine to be compiled twice on x86-64, for
// AVX2 and for the baseline instruction set, the better one chosen when the program starts.
// The two copies compute the same integer results; elsewhere the mark does nothing. The
// sanitizer build keeps the baseline copy only, so that its run of the suite tests that copy.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#ifndef KANVO_VECTOR_CLONES  // defined empty where the clones cannot be had
#define KANVO_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#else
#define KANVO_VECTOR_CLONES
#endif
