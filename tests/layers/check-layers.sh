#!/usr/bin/env bash
# Fails when a rules library depends on Qt Gui or Qt Widgets.
#   check-layers.sh CLOSURE QTGUI.so QTWIDGETS.so RULES.a...
# CLOSURE lists, per rules library, every library it links (transitively), as CMake
# records it. Each rules archive's undefined symbols are also compared with what the
# Gui and Widgets libraries export: a symbol from them means the code uses them, even
# if the link line does not say so.
set -euo pipefail
closure=$1 gui=$2 widgets=$3
shift 3
status=0

while IFS= read -r line; do
  lib=${line%%:*}
  bad=$(tr ' ' '\n' <<<"${line#*:}" | grep -E '^(Qt6::(Gui|Widgets|OpenGL|GuiPrivate|WidgetsPrivate)|corvane_[a-z]+_ui|corvane_app)$' || true)
  if [ -n "$bad" ]; then
    echo "FAIL: rules library $lib links $(echo $bad)"
    status=1
  fi
done <"$closure"

exports=$(mktemp)
trap 'rm -f "$exports"' EXIT
nm -D --defined-only "$gui" "$widgets" | awk 'NF >= 3 && $2 ~ /^[TDBR]$/ { sub(/@.*/, "", $3); print $3 }' | sort -u >"$exports"
for archive in "$@"; do
  used=$(nm --undefined-only "$archive" 2>/dev/null | awk '$1 == "U" { print $2 }' | sort -u |
         comm -12 - "$exports" | c++filt | awk 'NR <= 5')
  if [ -n "$used" ]; then
    echo "FAIL: $(basename "$archive") uses Qt Gui or Widgets symbols, e.g.:"
    sed 's/^/    /' <<<"$used"
    status=1
  fi
done

[ $status -eq 0 ] && echo "ok: $(wc -l <"$closure") rules libraries depend on Qt Core only"
exit $status
