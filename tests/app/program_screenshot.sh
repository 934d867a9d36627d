#!/usr/bin/env bash
# Starts the simulator in the X server given by DISPLAY, takes a screenshot of the
# whole screen and checks that the board stands at the top-left corner, drawn with
# its panel picture and cut to its rounded outline.
#   program_screenshot.sh PATH/TO/508 PATH/TO/panel.png
set -euo pipefail
program=$1
panel=$2
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

cd "$work"
"$program" &
pid=$!
sleep 2
/usr/bin/import -window root "$work/shot.png"

pixel() { /usr/bin/convert "$1" -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" -crop "1x1+$2+$3" info:; }
fail=0
# Points on the housing, the grid and the notice plate, away from the displays and labels.
for at in "5 150" "20 280" "200 250" "600 215" "40 40" "680 150"; do
  set -- $at
  want=$(pixel "$panel" "$1" "$2")
  got=$(pixel "$work/shot.png" "$1" "$2")
  if [ "$want" != "$got" ]; then
    echo "pixel ($1,$2): screen $got, panel $want"
    fail=1
  fi
done
# The corner pixel lies outside the rounded outline: the screen's black shows.
corner=$(pixel "$work/shot.png" 0 0)
if [ "$corner" != "0,0,0" ]; then
  echo "corner (0,0) is $corner, expected the bare screen"
  fail=1
fi
# Nothing of the board lies beyond its 690 x 307 pixels.
outside=$(pixel "$work/shot.png" 700 150)
if [ "$outside" != "0,0,0" ]; then
  echo "pixel (700,150) is $outside, expected the bare screen"
  fail=1
fi
# Every window of the program carries the menu entry's id as its WM_CLASS class (docks
# match it with StartupWMClass) and an icon.
windows=0
for id in $(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) "[^"]*".*/\1/p'); do
  class=$(xprop -id "$id" WM_CLASS 2>/dev/null | sed -n 's/^WM_CLASS(STRING) = //p')
  [ -n "$class" ] || continue
  windows=$((windows + 1))
  if [ "$class" != '"508", "io.github.corvane.Corvane"' ]; then
    echo "window $id: WM_CLASS $class"
    fail=1
  fi
  icons=$(xprop -id "$id" _NET_WM_ICON)
  if ! grep -q 'Icon ([0-9]* x [0-9]*)' <<<"$icons"; then
    echo "window $id has no icon"
    fail=1
  fi
done
if [ "$windows" -lt 2 ]; then
  echo "found $windows windows of the program, expected the board and the console"
  fail=1
fi
if ! kill -0 "$pid" 2>/dev/null; then
  echo "the program ended by itself"
  fail=1
fi
[ $fail -eq 0 ] && echo "board window screenshot: ok"
exit $fail
