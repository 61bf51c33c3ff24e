#!/usr/bin/env bash
# Builds the test programs with AddressSanitizer and UndefinedBehaviorSanitizer (leak checking
# on) and runs every test in them: the engine, the run-time classes, the capture components,
# the platform layer and the windows. Any report fails the run.
#   scripts/asan.sh [gtest options, e.g. --gtest_filter=...]
# The code under test is optimised as in the program (-O2), the tests' own code is not
# (tests/CMakeLists.txt); line tables are enough for the reports' stack traces. The programs run
# side by side, as many at a time as there are processors; each one's output is shown when it
# has finished.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-asan -G Ninja -DLUMATAP_ASAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1" >/dev/null
programs=(engine_tests ui_tests platform_tests capture_tests rtl_tests)  # longest first
cmake --build build-asan --parallel "$(nproc)" --target "${programs[@]}"

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1 ${UBSAN_OPTIONS:-}"
export QT_QPA_PLATFORM=offscreen
logs="build-asan/logs"
mkdir -p "$logs"

failed=()
# Shows a program's output when it has ended and notes a failure.
on_finished() {
  local program="$1" status="$2"
  echo "== $program under AddressSanitizer and UndefinedBehaviorSanitizer: exit $status"
  if [ "$status" -ne 0 ]; then
    cat "$logs/$program.log"
    failed+=("$program")
  else
    grep -E '^\[(==========|  PASSED  |  SKIPPED )\]' "$logs/$program.log" || true
  fi
}
source scripts/side_by_side.sh
for program in "${programs[@]}"; do
  side_by_side_start "$program" "$logs/$program.log" ./build-asan/tests/"$program" --gtest_brief=1 "$@"
done
side_by_side_wait

if [ "${#failed[@]}" -gt 0 ]; then
  echo "asan: failed: ${failed[*]} (logs in $logs)" >&2
  exit 1
fi
