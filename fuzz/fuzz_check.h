// What the fuzz targets share: a property that does not hold ends the run, so that libFuzzer
// keeps the input that broke it and names it in its report.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
