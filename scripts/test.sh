#!/usr/bin/env bash
# Sets up, builds and runs every test, showing the output of the ones that fail.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --parallel
ctest --test-dir build --output-on-failure --parallel "$(nproc)" "$@"
