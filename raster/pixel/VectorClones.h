#pragma once
// KANVO_CLONES(sets...) marks a hot row routine to be compiled once for each listed instruction
// set on x86-64 (GCC), the best one the processor has chosen when the program starts; the copies
// compute the same integers. Elsewhere the mark does nothing. The sanitizer builds keep the
// baseline code only: under AddressSanitizer so that its run of the suite tests that copy, under
// ThreadSanitizer because the choosers would run before the sanitizer has started.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define KANVO_CLONES(...) __attribute__((target_clones(__VA_ARGS__)))
#else
#define KANVO_CLONES(...)
#endif
