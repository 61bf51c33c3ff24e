#!/usr/bin/env bash
# Builds the engine tests with ThreadSanitizer and runs the cases where threads meet: voice changes
# against running blocks, the master start path, the calculation threads, sound output
# (completions, masters and the recording's append against the stop; a stop while a block is still
# computed, then the next output and its notes; a late block played and recorded while its master
# writes it), the main-note export, the engine reset, window messages posted from many threads at
# once while the GUI thread handles them or waits, and the DirectShow graph: frames on the
# streaming thread against stops, removals and events, also from the synthetic camera and the V4L2
# camera behind the emulated driver, a camera that goes away, and the sample grabber component's
# frame event fed by a camera until its graph stops; and webcam playing: the motion tracker on the
# streaming thread posting camera notes that the main window handles on the GUI thread, while the
# settings and modes it reads change there.
# The capture components' tests run whole: a graph released after its component is a fault
# this finds too.
# Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DLUMATAP_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
cmake --build build-tsan --parallel "$(nproc)" --target engine_tests platform_tests capture_tests ui_webcam_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp ${TSAN_OPTIONS:-}"
./build-tsan/tests/engine_tests \
  --gtest_filter='VoiceExclusion.*:Mixer.StartMasterIfIdle*:CalcThread.*:Output*:RecordingWriter.*:MainNote.*:EngineReset.*' "$@"
./build-tsan/tests/platform_tests --gtest_filter='PostedMessages.*:Com.ApartmentsAreCountedPerThread:PlatformThread.*:GraphRun.*:GraphEvents.*:SampleGrabberBuffer.*:CaptureGraph.*:SyntheticCamera.Steps*:V4L2Streaming.*:V4L2Source.*' "$@"
./build-tsan/tests/capture_tests "$@"
./build-tsan/tests/ui_webcam_tests "$@"
