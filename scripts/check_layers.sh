#!/usr/bin/env bash
# Checks that no include in src/ runs upward: each folder is a layer, and a file includes only
# its own layer, the layers below it and, where the layer is Qt-backed, Qt. Exits non-zero and
# names every offending line.
# A layer is the CMake target of the same name (engine/ is the target waves, ui/ lumatap_ui,
# app/ lumatap_app), except that the target platform holds two layers: platform_core (com, win,
# winmm: the services) and platform_dshow (dshow: the DirectShow layer on top of them).
#   scripts/check_layers.sh [source root, default: src beside this script]
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"

# The layer of a path below src/.
layer_of() {
  case "$1" in
    platform/qt/*) echo platform_qt ;;
    platform/com/* | platform/win/* | platform/winmm/*) echo platform_core ;;
    platform/dshow/*) echo platform_dshow ;;
    engine/*) echo waves ;;
    files/*) echo files ;;
    rtl/*) echo rtl ;;
    capture/*) echo capture ;;
    ui/*) echo ui ;;
    app/*) echo app ;;
    *) echo unknown ;;
  esac
}

# The folders below src/ that hold layers.
layer_folders="engine files platform rtl capture ui app"

# An include as the compiler takes it: blanks before and after the #, the path in quotes
# (group 2) or in angle brackets (group 3).
include_line='^[[:space:]]*#[[:space:]]*include[[:space:]]*("([^"]+)"|<([^>]+)>)'

# What each layer may include besides itself.
declare -A below=(
  [platform_core]=""
  [platform_dshow]="platform_core"
  [platform_qt]="platform_core"
  [rtl]="platform_dshow platform_core"
  [waves]="platform_dshow platform_core"
  [files]="platform_dshow platform_core"
  [capture]="rtl platform_dshow platform_core"
  [ui]="waves files capture rtl platform_qt platform_dshow platform_core"
  [app]="ui waves files capture rtl platform_qt platform_dshow platform_core"
)
declare -A qt_allowed=([platform_qt]=1 [ui]=1 [app]=1)

status=0
while IFS= read -r file; do
  rel="${file#"$src"/}"
  own="$(layer_of "$rel")"
  if [ "$own" = unknown ]; then
    echo "$rel: folder belongs to no layer"
    status=1
    continue
  fi
  while IFS=: read -r line text; do
    [[ "$text" =~ $include_line ]] || continue
    quoted="${BASH_REMATCH[2]}" angled="${BASH_REMATCH[3]}"
    path="$quoted$angled"
    # Quoted includes are always ours; with angle brackets only a path whose first folder is a
    # layer folder is, anything else is the system's or Qt's.
    if [ -n "$quoted" ] || [[ "$path" == */* && " $layer_folders " == *" ${path%%/*} "* ]]; then
      target="$(layer_of "$path")"
      [ "$target" = "$own" ] && continue
      if [ "$target" = unknown ] || [[ " ${below[$own]} " != *" $target "* ]]; then
        echo "$rel:$line: $own includes $path ($target)"
        status=1
      fi
    elif [[ "$path" =~ ^(Q[A-Za-z]*)(/|$) ]]; then
      if [ -z "${qt_allowed[$own]:-}" ]; then
        echo "$rel:$line: $own is Qt-free but includes <${BASH_REMATCH[1]}>"
        status=1
      fi
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$status" -eq 0 ]; then echo "layers: no include runs upward"; fi
exit "$status"
