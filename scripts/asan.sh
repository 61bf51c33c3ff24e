#!/usr/bin/env bash
# Builds the test programs with AddressSanitizer and UndefinedBehaviorSanitizer (leak checking
# on) and runs every test in them: the engine, the run-time classes, the capture components,
# the platform layer and the windows. Any report fails the run.
#   scripts/asan.sh [gtest options, e.g. --gtest_filter=...]
# The code under test is optimised (-O1), most test programs' own code is not (tests/CMakeLists.txt),
# which halves the build; line tables are enough for the reports' stack traces.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-asan -G Ninja -DLUMATAP_ASAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
programs=(engine_tests rtl_tests capture_tests platform_tests ui_tests)
cmake --build build-asan --parallel "$(nproc)" --target "${programs[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1 ${UBSAN_OPTIONS:-}"
export QT_QPA_PLATFORM=offscreen
for program in "${programs[@]}"; do
  echo "== $program under AddressSanitizer and UndefinedBehaviorSanitizer"
  ./build-asan/tests/"$program" --gtest_brief=1 "$@"
done
