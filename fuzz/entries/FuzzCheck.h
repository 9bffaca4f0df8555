// The invariant check of the fuzz entries: a failure prints where and aborts, which libFuzzer
// reports as a crash with its input and a test replaying the input reports as a failure.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do                                                                                             \
    {                                                                                              \
        if (!(condition))                                                                          \
        {                                                                                          \
            std::fprintf(stderr, "%s:%d: fuzz invariant broken: %s\n", __FILE__, __LINE__,         \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
