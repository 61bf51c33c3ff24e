#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each one over its seed corpus, then fuzzes it for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 60]
# FUZZ_JOBS=n fuzzes each target with n processes (libFuzzer's fork mode); default 1.
# New inputs go to build-fuzz/corpus/<target>, crashes to build-fuzz/artifacts/. Exits non-zero
# when a target crashes, leaks, trips a sanitizer or hangs.
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
)

summary=()
for entry in "${targets[@]}"; do
  read -r target seeds max_len <<<"$entry"
  work="build-fuzz/corpus/$target"
  log="build-fuzz/$target.log"
  mkdir -p "$work" build-fuzz/artifacts
  common=(-max_len="$max_len" -timeout=20 -rss_limit_mb=2048
          -artifact_prefix="build-fuzz/artifacts/$target-" -print_final_stats=1)

  echo "== $target: every seed once"
  "build-fuzz/$target" "${common[@]}" -runs=0 "$seeds"

  echo "== $target: fuzzing for ${seconds}s with $jobs process(es)"
  if [ "$jobs" -gt 1 ]; then
    mode=(-fork="$jobs" -ignore_crashes=0)
  else
    mode=()
  fi
  status=0
  "build-fuzz/$target" "${common[@]}" "${mode[@]}" -max_total_time="$seconds" \
    "$work" "$seeds" >"$log" 2>&1 || status=$?
  tail -n 25 "$log"
  runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' | tail -n1 || true)
  if [ -z "$runs" ]; then
    runs=$(grep -Eo '^#[0-9]+' "$log" | tail -n1 | tr -d '#' || true)
  fi
  summary+=("$target: ${runs:-?} executions in ${seconds}s, exit $status")
  if [ "$status" -ne 0 ]; then
    printf '%s\n' "${summary[@]}"
    echo "fuzz: $target failed; see $log and build-fuzz/artifacts/" >&2
    exit "$status"
  fi
done
printf '%s\n' "${summary[@]}"
