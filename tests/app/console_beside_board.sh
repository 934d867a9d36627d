#!/usr/bin/env bash
# Starts the simulator full screen in the X server given by DISPLAY and checks that the
# console stands where the board is not drawn: every pixel of the screenshot between the
# console's top and the screen's bottom, in the console's columns, is the console's or
# the black around the board, never the board's.
#   console_beside_board.sh PATH/TO/508
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
HOME=$work XDG_CONFIG_HOME=$work/config "$program" --fullscreen &
pid=$!
for _ in $(seq 40); do
  xwininfo -name 集中操作盤 >/dev/null 2>&1 && break
  sleep 0.25
done
sleep 1.5
geometry=$(xwininfo -name 集中操作盤)
x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
w=$(sed -n 's/.*Width: *//p' <<<"$geometry")
h=$(sed -n 's/.*Height: *//p' <<<"$geometry")
import -window root "$work/shot.png"
# The row just above the console, in its columns, is the black around the board.
above=$(convert "$work/shot.png" -crop "${w}x1+${x}+$((y - 1))" -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)
echo "console at ${x},${y} ${w}x${h}; brightest pixel above it: $above"
if [ "$y" -le 0 ] || awk "BEGIN{exit !($above > 0.05)}"; then
  echo "the console stands over the board"
  exit 1
fi
echo "console beside the board: ok"
