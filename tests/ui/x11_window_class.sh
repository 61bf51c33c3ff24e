#!/usr/bin/env bash
# Starts the real program on a virtual X server and checks what the window system sees: the
# main window's caption and the window class of every window of ours.
set -u
program="$1"

if [ "${2:-}" != "--inside" ]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run missing"; exit 1; }
  export HOME
  HOME=$(mktemp -d)
  xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$program" --inside
  status=$?
  rm -rf "$HOME"
  exit $status
fi

log=$(mktemp)
"$program" >"$log" 2>&1 &
pid=$!
class=""
for _ in $(seq 1 100); do
  class=$(xprop -name "Quorvel Lumatap Synth Pro" WM_CLASS 2>/dev/null) && break
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
