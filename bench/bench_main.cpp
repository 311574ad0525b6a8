// The benchmarks' program: every benchmark of this folder, in one process.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
