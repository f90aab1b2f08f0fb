// The fuzz targets' invariant check: a violated invariant must stop the
// fuzzer with the input that broke it, in every build type.
#pragma once

#include <cstdio>

#define FUZZ_CHECK(cond)                                                                                               \
    do                                                                                                                 \
    {                                                                                                                  \
        if (!(cond))                                                                                                   \
        {                                                                                                              \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__);                                     \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)
