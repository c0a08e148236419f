#pragma once

#include <cstdio>
#include <cstdlib>

/// Stops the fuzz run (or the corpus replay) with the broken rule when a condition fails.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
