#!/usr/bin/env bash
# Checks your camera end to end: sets up, builds the camera check, lists the video input
# devices and formats the program sees, and captures a few frames from one of them into a BMP
# file.
#   scripts/camera-check.sh [--device N] [--format M] [--frames K] [--output FILE] [--list]
# Defaults: device 0 in its first format, 10 frames, camera-check.bmp in the current folder.
# LUMATAP_CAMERA=synthetic adds the synthetic camera, LUMATAP_CAMERA=none hides the real ones.
# Not part of the tests: it needs a camera.
set -euo pipefail
here="$(pwd)"
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --parallel --target lumatap_camera_check >/dev/null
tool="$(pwd)/build/tools/lumatap_camera_check"
cd "$here"
# The usage names the script, which is what the user ran.
exec -a "scripts/camera-check.sh" "$tool" "$@"
