#pragma once

#include <benchmark/benchmark.h>

#include "bench/BenchHome.h"

// The main of a benchmark program whose runs keep files: every benchmark it was asked for, in a
// program directory of its own.
inline int RunBenchmarksAtHome(int argc, char** argv) {
    const CBenchHome home;
    if (!home.Made()) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
