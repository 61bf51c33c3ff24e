#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each one over its seed corpus, then fuzzes it for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 60]
# FUZZ_JOBS=n fuzzes each target with n processes (libFuzzer's fork mode); default 1.
# Targets run side by side, one per processor. New inputs go to build-fuzz/corpus/<target>,
# crashes to build-fuzz/artifacts/, each target's output to build-fuzz/<target>.log. Exits
# non-zero when a target crashes, leaks, trips a sanitizer or hangs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
jobs="${FUZZ_JOBS:-1}"

bash scripts/setup.sh
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz --parallel

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"

# target, seed corpus, largest input
targets=(
  "wavefile_fuzzer fuzz/wav/corpus 4096"
  "load_fuzzer fuzz/wav/corpus 40000"
  "import_fuzzer fuzz/wav/corpus 40000"
  "instrument_fuzzer fuzz/instrument/corpus 40000"
  "description_fuzzer fuzz/dsaux/corpus 4096"
  "stored_blocks_fuzzer fuzz/stored_blocks/corpus 4096"
)

# Runs one target: every seed once, then fuzzing for the given time; all output to its log.
fuzz_target() {
  local target="$1" seeds="$2" max_len="$3"
  local work="build-fuzz/corpus/$target"
  mkdir -p "$work"
  local common=(-max_len="$max_len" -timeout=20 -rss_limit_mb=2048
                -artifact_prefix="build-fuzz/artifacts/$target-" -print_final_stats=1)
  local mode=()
  if [ "$jobs" -gt 1 ]; then mode=(-fork="$jobs" -ignore_crashes=0); fi
  echo "== $target: every seed once"
  "build-fuzz/$target" "${common[@]}" -runs=0 "$seeds" || return
  echo "== $target: fuzzing for ${seconds}s with $jobs process(es)"
  "build-fuzz/$target" "${common[@]}" "${mode[@]}" -max_total_time="$seconds" "$work" "$seeds"
}

# The targets run side by side, as many at a time as there are processors (each takes
# FUZZ_JOBS of them); each one's report is shown when it has finished.
mkdir -p build-fuzz/artifacts
side_by_side_slots=$(( $(nproc) / jobs ))
[ "$side_by_side_slots" -ge 1 ] || side_by_side_slots=1
summary=()
failed=()
# Shows a target's report when it has finished and notes how far it got.
on_finished() {
  local target="$1" status="$2"
  local log="build-fuzz/$target.log"
  tail -n 25 "$log"
  local runs
  runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' | tail -n1 || true)
  if [ -z "$runs" ]; then
    runs=$(grep -Eo '^#[0-9]+' "$log" | tail -n1 | tr -d '#' || true)
  fi
  summary+=("$target: ${runs:-?} executions in ${seconds}s, exit $status")
  if [ "$status" -ne 0 ]; then failed+=("$target"); fi
}
source scripts/side_by_side.sh
for entry in "${targets[@]}"; do
  read -r target seeds max_len <<<"$entry"
  side_by_side_start "$target" "build-fuzz/$target.log" fuzz_target "$target" "$seeds" "$max_len"
done
side_by_side_wait

printf '%s\n' "${summary[@]}"
if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz: ${failed[*]} failed; see build-fuzz/<target>.log and build-fuzz/artifacts/" >&2
  exit 1
fi
