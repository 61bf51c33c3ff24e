#!/usr/bin/env bash
# Builds the engine tests with ThreadSanitizer and runs the cases where threads meet: voice
# changes against running blocks, the master start path, the calculation threads, sound output
# (completions, masters and the recording's append against the stop), the main-note export, the
# engine reset, window messages posted from several threads while the GUI thread handles them, and
# the DirectShow graph: frames on the streaming thread against stops, removals and events, also
# from the synthetic camera, and a camera that goes away.
# Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DLUMATAP_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-tsan --parallel 4 --target engine_tests platform_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp ${TSAN_OPTIONS:-}"
./build-tsan/tests/engine_tests \
  --gtest_filter='VoiceExclusion.*:Mixer.StartMasterIfIdle*:CalcThread.*:Output*:RecordingWriter.*:MainNote.*:EngineReset.*' "$@"
./build-tsan/tests/platform_tests --gtest_filter='PostedMessages.*:Com.ApartmentsAreCountedPerThread:PlatformThread.*:GraphRun.*:GraphEvents.*:SampleGrabberBuffer.*:CaptureGraph.*:SyntheticCamera.Steps*' "$@"
