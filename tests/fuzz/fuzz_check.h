// What a fuzz harness asserts: a failed check is a crash with its reason,
// so that libFuzzer keeps the input that caused it.
#ifndef TESSARON_TESTS_FUZZ_FUZZ_CHECK_H
#define TESSARON_TESTS_FUZZ_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

#endif
