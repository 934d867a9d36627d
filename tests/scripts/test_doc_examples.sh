#!/usr/bin/env bash
# Runs the examples that the README and the corvane(1) manual page print, as a reader
# would type them, against the programs of this build:
#   test_doc_examples.sh SOURCE_DIR CORVANE
# The installed demo folder (/usr/share/corvane, with its 508.in4) is stood in for by a
# copy of data/demo with the demo settings under that name.
set -euo pipefail
src=$1
corvane_bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "doc examples: $*" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
mkdir -p "$work/bin" "$work/build/bin" "$work/data"
ln -s "$corvane_bin" "$work/bin/corvane"
ln -s "$corvane_bin" "$work/build/bin/corvane"
cp -r "$src/data/demo" "$work/data/demo"
cp "$src/data/demo/demo-settings.in4" "$work/data/demo/508.in4"
export PATH="$work/bin:$PATH"

# Lit segments of the demo's look are amber; grey faces mean the settings were skipped.
amber() {
  convert "$1" -fuzz 20% -fill black +opaque '#FFA018' -fill white -opaque '#FFA018' \
    -format '%[fx:round(mean*w*h)]' info:
}

# The README: the indented block that pipes into corvane script, run from data/demo.
readme=$(awk '/^    printf .*corvane script|^    printf .*\\$/{on=1} on{print; if ($0 !~ /\\$/) exit}' "$src/README.md" |
  sed 's/^    //')
[ -n "$readme" ] || fail "no corvane script example in the README"
(cd "$work/data/demo" && bash -c "$readme" >"$work/readme.out" 2>"$work/readme.err") ||
  fail "the README example failed: $(cat "$work/readme.err")"
[ -f "$work/data/demo/board.png" ] || fail "the README example made no board.png"
[ "$(amber "$work/data/demo/board.png")" -gt 300 ] || fail "the README example's board has no amber segments"

# The manual page: each .nf/.fi block and each bold command line of EXAMPLES.
man_examples=$(awk '/^\.SH EXAMPLES/{on=1; next} /^\.SH /{on=0}
  on && /^\.nf/{block=1; next} on && /^\.fi/{block=0; print "##"; next}
  on && block && !/^\.RS|^\.RE/{print}
  on && !block && /^\.B corvane/{sub(/^\.B /, ""); print; print "##"}' "$src/packaging/man/corvane.1" |
  sed -e 's/\\e/\\/g' -e 's/\\-/-/g' -e "s#/usr/share/corvane#$work/data/demo#g" -e "s#/tmp/board.png#$work/board.png#g")
n=0
while IFS= read -r -d '#' chunk; do
  chunk=$(sed '/^#*$/d' <<<"$chunk")
  [ -n "$chunk" ] || continue
  n=$((n + 1))
  (cd "$work" && bash -c "$chunk" >"$work/man$n.out" 2>"$work/man$n.err") ||
    fail "example $n of corvane(1) failed: $chunk: $(cat "$work/man$n.err")"
done < <(sed 's/^##$/#/' <<<"$man_examples")
[ "$n" -ge 2 ] || fail "found $n examples in corvane(1)"
[ -f "$work/board.png" ] && [ "$(amber "$work/board.png")" -gt 300 ] || fail "corvane(1)'s board picture has no amber segments"
grep -q '^stop' "$work/man2.out" || head -c 300 "$work/man2.out" | grep -q , || fail "route dump printed no CSV"
echo "doc examples: README and $n corvane(1) examples ran"
