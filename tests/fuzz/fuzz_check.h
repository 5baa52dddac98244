// The fuzz targets' property check: a failed property names itself before the fuzzer records
// the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define CHECK(condition)                                                          \
  do {                                                                            \
    if (!(condition)) {                                                           \
      std::fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__); \
      std::abort();                                                               \
    }                                                                             \
  } while (false)
