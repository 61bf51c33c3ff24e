#!/usr/bin/env bash
# Starts the real program on a virtual X server and checks what the window system sees: the
# main window's caption and the window class of every window of ours.
# On a busy machine the window may take long to come: the check waits for it until shortly
# before ctest stops the test (its TIMEOUT of 60 s in tests/CMakeLists.txt), and stops waiting
# at once if the program ends before its window appears.
set -u
program="$1"

if [ "${2:-}" != "--inside" ]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run missing"; exit 1; }
  # The last moment to see the window, leaving time to stop the program and the X server.
  deadline=$(($(date +%s) + 55))
  export HOME
  HOME=$(mktemp -d)
  xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$program" --inside "$deadline"
  status=$?
  rm -rf "$HOME"
  exit $status
fi
deadline="$3"

log=$(mktemp)
"$program" >"$log" 2>&1 &
pid=$!
class=""
until class=$(xprop -name "Quorvel Lumatap Synth Pro" WM_CLASS 2>/dev/null); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    echo "the program ended (exit $?) before its main window appeared"
    cat "$log"; rm -f "$log"; exit 1
  fi
  if [ "$(date +%s)" -ge "$deadline" ]; then
    class=""
    break
  fi
  sleep 0.1
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
echo "$class"
[ -n "$class" ] || { echo "the main window did not appear"; cat "$log"; rm -f "$log"; exit 1; }
rm -f "$log"
case "$class" in
  *'"TQuorvelForm"'*) exit 0 ;;
  *) echo "wrong window class"; exit 1 ;;
esac
