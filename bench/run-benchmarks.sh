#!/usr/bin/env bash
# Builds the benchmarks in the Release build of the `release` preset (build/release) and
# runs them all, writing the figures as Google Benchmark JSON to build/release/results.json.
# Arguments go to the benchmark program, e.g. --benchmark_filter=Registry.
# The 512 MiB cases keep about 1.5 GiB in the scratch folder under $TMPDIR (or /tmp) and
# about 2 GiB in memory; the whole run takes some minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset release "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target bench
# The reference host keeps the streams of documents made in memory (as most benchmarks
# make theirs) in memory; a document opened from a file reads them from there. On virtual
# machines a page fault costs several microseconds, and filling a fresh 512 MiB block
# would then measure the fault handler rather than the copy; glibc is asked to back large blocks with
# transparent huge pages (honoured when /sys/kernel/mm/transparent_hugepage/enabled
# allows madvise). The plug-in's own heap and the plain copy are unaffected.
export GLIBC_TUNABLES="${GLIBC_TUNABLES:+$GLIBC_TUNABLES:}glibc.malloc.hugetlb=1"
"$build/bin/mirvane_bench" --benchmark_out="$build/results.json" --benchmark_out_format=json "$@"
echo "figures: $build/results.json"
