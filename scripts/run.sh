#!/usr/bin/env bash
# Sets up, builds (Release) and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --parallel --target lumatap
exec ./build/src/lumatap "$@"
