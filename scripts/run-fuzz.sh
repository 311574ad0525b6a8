#!/usr/bin/env bash
# Builds the fuzz targets (the `fuzz` preset: clang, libFuzzer, ASan and UBSan) and runs
# each for a bounded time on a copy of its seed corpus (tests/fuzz/corpus/<target>/) in
# build/fuzz/run/, where the inputs found on the way stay until the next run. Fails when a
# target fails: the input is kept in build/fuzz/artifacts/<target>/; copy it into
# tests/fuzz/corpus/<target>/ to make it a case of the fuzz_corpus_replay test.
#
#   bash scripts/run-fuzz.sh [SECONDS_PER_TARGET]    (default 45)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-45}
jobs=$(nproc 2>/dev/null || echo 2)
targets="fuzz_player_annot fuzz_scene_file_name"

echo "== fuzz: configure, build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

work=build/fuzz/run
rm -rf "$work"
failed=""
for target in $targets; do
  corpus="$work/corpus/$target"
  artifacts="build/fuzz/artifacts/$target"
  log="$work/$target.log"
  mkdir -p "$corpus" "$artifacts"
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  echo "== fuzz: $target for ${seconds}s on $(ls "$corpus" | wc -l) seed(s)"
  # The host reports every error that reaches it on standard error, so the run goes to a
  # log that is shown when the target fails.
  if build/fuzz/bin/"$target" -max_total_time="$seconds" -timeout=30 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1; then
    grep -a -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$log" |
      sed "s/^/$target: /"
  else
    tail -n 60 "$log"
    echo "$target: FAILED; input in $artifacts/, whole log in $log"
    failed="$failed $target"
  fi
done

if [ -n "$failed" ]; then
  echo "fuzz: failed:$failed"
  exit 1
fi
echo "fuzz: every target ran ${seconds}s without a failure"
