#!/usr/bin/env bash
# The layer check on a small source tree of its own: the DirectShow layer may include the COM
# core, but neither the COM core, the other services nor the Qt services may include it.
#   check_layers_test.sh <path of check_layers.sh>
set -uo pipefail
check="$1"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/platform/{com,win,winmm,dshow,qt}
for f in com/com win/dynlib winmm/waveout dshow/classes qt/shell; do
  echo '#pragma once' >"$tree/platform/$f.h"
done
printf '#include "platform/com/com.h"\n#include "platform/win/dynlib.h"\n' >"$tree/platform/dshow/classes.cpp"
printf '#include "platform/win/dynlib.h"\n' >"$tree/platform/com/com.cpp"
printf '#include "platform/com/com.h"\n' >"$tree/platform/qt/shell.cpp"

fail() { echo "FAIL: $*"; exit 1; }
out="$(bash "$check" "$tree")" || fail "a tree without an upward include is refused: $out"

printf '#include "platform/dshow/classes.h"\n' >>"$tree/platform/com/com.cpp"
printf '#include "platform/dshow/classes.h"\n' >"$tree/platform/win/dynlib.cpp"
printf '#include "platform/dshow/classes.h"\n' >"$tree/platform/winmm/waveout.cpp"
printf '#include "platform/dshow/classes.h"\n' >>"$tree/platform/qt/shell.cpp"
out="$(bash "$check" "$tree")" && fail "includes of the DirectShow layer from below pass"
for line in "platform/com/com.cpp:2: platform_core includes platform/dshow/classes.h" \
            "platform/win/dynlib.cpp:1: platform_core includes platform/dshow/classes.h" \
            "platform/winmm/waveout.cpp:1: platform_core includes platform/dshow/classes.h" \
            "platform/qt/shell.cpp:2: platform_qt includes platform/dshow/classes.h"; do
  grep -qF "$line" <<<"$out" || fail "not named: $line (output: $out)"
done
[ "$(wc -l <<<"$out")" -eq 4 ] || fail "more than the four offending lines named: $out"
echo "check_layers: refuses includes of the DirectShow layer from below"

# Every spelling the compiler takes for an include of ours, in quotes or angle brackets, with
# blanks and tabs around the # and the word include, is checked.
rm "$tree"/platform/{win/dynlib,winmm/waveout,qt/shell}.cpp
up="platform/dshow/classes.h" t=$'\t'
for spelling in "# include \"$up\"" "#${t}include \"$up\"" "  #include \"$up\"" \
                "$t#  include$t\"$up\"" "#include\"$up\"" "#include <$up>" "  #  include <$up>" \
                "#${t}include$t<$up>"; do
  printf '#include "platform/win/dynlib.h"\n%s\n' "$spelling" >"$tree/platform/com/com.cpp"
  out="$(bash "$check" "$tree")" && fail "passes: $spelling"
  [ "$out" = "platform/com/com.cpp:2: platform_core includes $up (platform_dshow)" ] ||
    fail "$spelling: $out"
done

# In angle brackets, the system's and Qt's headers are not ours; Qt's are refused only where
# the layer is Qt-free.
printf '#include <vector>\n# include <sys/ioctl.h>\n#include <QWidget>\n#include <QtCore/qglobal.h>\n' \
  >"$tree/platform/qt/shell.cpp"
printf '#include <vector>\n#  include <linux/videodev2.h>\n\t# include <QString>\n' \
  >"$tree/platform/com/com.cpp"
out="$(bash "$check" "$tree")" && fail "a Qt include in the COM core passes"
[ "$out" = "platform/com/com.cpp:3: platform_core is Qt-free but includes <QString>" ] ||
  fail "system or Qt headers taken for ours, or the Qt one not named: $out"
echo "check_layers: every spelling of an include is checked"
