#!/usr/bin/env bash
# The camera check's arguments: every value that is not a whole number in its range, an
# option without its value and an unknown option are refused with the usage and exit code 2
# before any camera is touched; --help prints the usage and exits 0; accepted values go on to
# the cameras (none here: LUMATAP_CAMERA=none hides the machine's own).
set -u
tool="$1"
export LUMATAP_CAMERA=none
failures=0

# expect CODE STREAM PATTERN ARGS...: the exit code and a line of the given stream.
expect() {
  local code="$1" stream="$2" pattern="$3"
  shift 3
  local out err status
  out=$(mktemp) err=$(mktemp)
  "$tool" "$@" >"$out" 2>"$err"
  status=$?
  local text
  if [ "$stream" = stdout ]; then text=$(cat "$out"); else text=$(cat "$err"); fi
  if [ "$status" -ne "$code" ] || ! grep -q -- "$pattern" <<<"$text"; then
    echo "FAIL: $* -> exit $status (expected $code), $stream:"
    echo "$text"
    failures=$((failures + 1))
  fi
  rm -f "$out" "$err"
}

for args in "--device abc" "--device -1" "--device 1.5" "--device ''" "--device +1" \
            "--device 99999999999" "--format -1" "--format x" "--frames -1" "--frames 0" \
            "--frames 3x" "--frames ' 3'" "--frames" "--device" "--output" "--bogus" "extra"; do
  eval "expect 2 stderr '^usage: ' $args"
done
expect 0 stdout '^usage: ' --help
expect 0 stdout '^usage: ' --list --help
expect 0 stdout '^0 video input device(s)' --list
expect 1 stdout '^no device 0 to capture from' --device 0 --format 0 --frames 1
expect 1 stdout '^no device 3 to capture from' --frames 2147483647 --device 3

[ "$failures" -eq 0 ] && echo "camera check arguments: all cases pass"
exit $((failures > 0))
