#!/usr/bin/env bash
# The contrib entry is derived from the machine's own Debian entry, in both formats.
set -euo pipefail
tool="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { # name expected-output
  local got
  got=$("$tool" "$work/$1" 2>&1) || true
  if [ "$got" != "$2" ]; then
    printf 'FAIL %s\n--- expected\n%s\n--- got\n%s\n' "$1" "$2" "$got"
    fail=1
  fi
}

mkdir -p "$work/deb822/sources.list.d"
cat >"$work/deb822/sources.list.d/aaa-contrib.sources" <<'SRC'
Types: deb
URIs: http://mirror.example/x
Suites: bookworm
Components: contrib
SRC
cat >"$work/deb822/sources.list.d/debian.sources" <<'SRC'
# security first: never the archive to copy
Types: deb
URIs: http://archive.example/debian-security
Suites: bookworm-security
Components: main

Types: deb deb-src
URIs: http://archive.example/debian
Suites: bookworm bookworm-updates
Components: main non-free-firmware
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
check deb822 "sources
Types: deb
URIs: http://archive.example/debian
Suites: bookworm bookworm-updates
Components: contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"

mkdir -p "$work/oneline/sources.list.d"
cat >"$work/oneline/sources.list" <<'SRC'
# deb http://commented.example/debian bookworm main
deb http://archive.example/debian-security bookworm-security main
deb [arch=amd64 signed-by=/k.gpg] http://archive.example/debian bookworm main non-free
SRC
check oneline "list
deb [arch=amd64 signed-by=/k.gpg] http://archive.example/debian bookworm contrib"

mkdir -p "$work/none/sources.list.d"
check none ""
exit $fail
