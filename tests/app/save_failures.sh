#!/usr/bin/env bash
# The writers of the real corvane when the file cannot be written: a read-only folder,
# a missing folder and a full disk. Each must give its message, fail, and leave the old
# file exactly as it was (and no temporary file beside it). A named pipe in place of the
# file (and, as root, a device for `save`) is refused and left as it was.
#
#   settings  `corvane script` with `save PATH` (the code the exit runs); the script
#             stops with "error: LINE: cannot write PATH (MESSAGE)", MESSAGE being the
#             program's save message (saveErrorMessage: "エラー Code:N 内容:TEXT").
#   png       `corvane script` with `png PATH` over an older, smaller picture
#   route     `corvane route build FILE.csv -o FILE.hy3`
#   gtfs      `corvane route import-gtfs FEED -o FOLDER`, writing 7.hy3, 7tp.csv and 7.sign
#
# The small files beside the settings (voice.conf, display.conf, remote.conf and the
# remote-control token) are never written by corvane: their failed saves are tested on
# their own code, in tests/platform/test_configfile.cpp and
# tests/remote/test_remote_protocol.cpp.
#
# Then the texts that `set` refuses because the settings file could not hold them (more
# bytes than its 16-bit count, a control character), and a save of settings loaded with
# a text too long, which fails rather than writing the text cut short.
#
# A full disk is a file size limit (ulimit -f) with SIGXFSZ ignored, so that a write
# past the limit fails with EFBIG as on a full disk. A read-only folder is chmod 555;
# as root that does not stop writing, so root makes the folder immutable (chattr +i)
# instead, and skips those cases, saying why, when the file system or the machine does
# not allow that.
#
# usage: save_failures.sh CORVANE
set -u
corvane=$(realpath "$1")
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
failures=0
immutable=""
cleanup() {
  [ -n "$immutable" ] && chattr -i "$immutable" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# The inputs: small old files, large new ones (well over the size limits below). Each
# text of the settings fits the file (at most 32767 bytes); three of them do not fit
# the limit.
long=$(head -c 30000 /dev/zero | tr '\0' 'f')
mkdir -p "$work/in"
printf 'fast on\nsave %s\n' "@OUT@" >"$work/in/old-settings.txt"
printf 'fast on\nset FareDataFolder /%s\nset TapeDataFolder /%s\nset PanelOffImage /%s\nsave %s\n' \
  "$long" "$long" "$long" "@OUT@" >"$work/in/new-settings.txt"
printf 'ticket %s\n' "@OUT@" >"$work/in/old-png.txt"
printf 'fast on\npng %s\n' "@OUT@" >"$work/in/new-png.txt"
printf 'A,1,0\nB,2,170\n' >"$work/in/old.csv"
for i in $(seq 1 400); do printf 'stop%d%s,1,%d\n' "$i" "${long:0:300}" "$i"; done >"$work/in/new.csv"
feed() { # FOLDER STOPS NAMELENGTH
  mkdir -p "$1"
  printf 'route_id,route_short_name\nR1,7\n' >"$1/routes.txt"
  printf 'trip_id,route_id\nT1,R1\n' >"$1/trips.txt"
  {
    echo stop_id,stop_name
    for i in $(seq 1 "$2"); do printf 'S%d,Stop%d%s\n' "$i" "$i" "${long:0:$3}"; done
  } >"$1/stops.txt"
  {
    echo trip_id,stop_id,stop_sequence
    for i in $(seq 1 "$2"); do printf 'T1,S%d,%d\n' "$i" "$i"; done
  } >"$1/stop_times.txt"
}
feed "$work/in/feed-old" 2 1
feed "$work/in/feed-new" 200 500

# prepare WRITER OLD|NEW FOLDER: the script that writes into FOLDER.
prepare() {
  case $1 in
  settings | png) sed "s|@OUT@|$3/$(files_of "$1")|" "$work/in/$2-$1.txt" >"$work/in/run.txt" ;;
  esac
  return 0
}

# run WRITER OLD|NEW FOLDER: runs the writer into FOLDER (after prepare).
run() {
  local writer=$1 which=$2 folder=$3
  case $writer in
  settings | png)
    "$corvane" script "$work/in/run.txt"
    ;;
  route)
    "$corvane" route build "$work/in/$which.csv" -o "$folder/12.hy3"
    ;;
  gtfs)
    "$corvane" route import-gtfs "$work/in/feed-$which" --trip T1 --number 7 -o "$folder"
    ;;
  esac
}

write() {
  prepare "$@"
  run "$@"
}

files_of() {
  case $1 in
  settings) echo 508.in4 ;;
  png) echo board.png ;;
  route) echo 12.hy3 ;;
  gtfs) echo 7.hy3 7tp.csv 7.sign ;;
  esac
}

# refused WRITER CASE FOLDER EXPECTED STATUS: the status is 2, the last line said is
# EXPECTED (FOLDER written as "FOLDER") and nothing but the writer's files is in FOLDER.
refused() {
  local writer=$1 case=$2 folder=$3 expected=$4 status=$5
  said=$(tail -n 1 "$work/said" | sed "s|$folder|FOLDER|g" | tr -d '\r')
  [ "$status" -eq 2 ] || fail "$writer $case: exit status $status, not 2"
  [ "$said" = "$expected" ] || fail "$writer $case: said \"$said\", not \"$expected\""
  local extra
  extra=$(ls -A "$folder" | grep -vxF -f <(files_of "$writer" | tr ' ' '\n'))
  [ -z "$extra" ] || fail "$writer $case: left beside the old files: $extra"
}

# check WRITER CASE FOLDER EXPECTED STATUS: after a failed write into FOLDER (which held
# the old files), refused, and the old files are as they were.
check() {
  local writer=$1 case=$2 folder=$3 said
  refused "$@"
  for f in $(files_of "$writer"); do
    cmp -s "$folder/$f" "$work/old/$writer/$f" || fail "$writer $case: $f is not the old file"
  done
  echo "done $writer $case: $said"
}

# fresh WRITER NAME: a folder holding the writer's old files.
fresh() {
  local folder=$work/$2
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$work/old/$1/"* "$folder/"
  echo "$folder"
}

# The size limit of the full disk, in KiB: under the new file, over the old one.
limit_of() {
  case $1 in
  png) echo 16 ;;
  *) echo 64 ;;
  esac
}

for writer in settings png route gtfs; do
  mkdir -p "$work/old/$writer"
  write "$writer" old "$work/old/$writer" >/dev/null 2>&1 || fail "$writer: the old files cannot be written"
done

# The message each writer gives, by case.
declare -A expected=(
  [settings.readonly]='error: 5: cannot write FOLDER/508.in4 (エラー Code:70 内容:書き込みできません。)'
  [settings.missing]='error: 5: cannot write FOLDER/none/508.in4 (エラー Code:76 内容:パスが見つかりません。)'
  [settings.full]='error: 5: cannot write FOLDER/508.in4 (エラー Code:57 内容:デバイス I/O エラーです。)'
  [settings.fifo]='error: 5: cannot write FOLDER/508.in4 (エラー Code:75 内容:パス名が無効です。)'
  [png.readonly]='error: 2: cannot write FOLDER/board.png (Permission denied)'
  [png.missing]='error: 2: cannot write FOLDER/none/board.png (No such file or directory)'
  [png.full]='error: 2: cannot write FOLDER/board.png (File too large)'
  [png.fifo]='error: 2: cannot write FOLDER/board.png (a named pipe, not a regular file)'
  [route.readonly]='corvane route build: FOLDER/12.hy3: Permission denied'
  [route.missing]='corvane route build: FOLDER/none/12.hy3: No such file or directory'
  [route.full]='corvane route build: FOLDER/12.hy3: File too large'
  [route.fifo]='corvane route build: FOLDER/12.hy3: a named pipe, not a regular file'
  [gtfs.readonly]='error: FOLDER/7.hy3: Permission denied'
  [gtfs.missing]='error: FOLDER/file/sub: cannot create the folder'
  [gtfs.full]='error: FOLDER/7.hy3: File too large'
)

for writer in settings png route gtfs; do
  # A missing folder (for the import, which creates its folder, one that cannot be
  # created: its parent is a file).
  folder=$(fresh "$writer" "missing-$writer")
  if [ "$writer" = gtfs ]; then
    : >"$folder/file"
    target=$folder/file/sub
  else
    target=$folder/none
  fi
  write "$writer" new "$target" >"$work/said" 2>&1
  status=$?
  rm -f "$folder/file"
  check "$writer" missing "$folder" "${expected[$writer.missing]}" "$status"

  # A full disk: the new file is larger than the size limit.
  folder=$(fresh "$writer" "full-$writer")
  prepare "$writer" new "$folder"
  (
    trap '' XFSZ
    ulimit -f "$(limit_of "$writer")"
    run "$writer" new "$folder"
  ) >"$work/said" 2>&1
  status=$?
  check "$writer" full "$folder" "${expected[$writer.full]}" "$status"

  # A read-only folder.
  folder=$(fresh "$writer" "readonly-$writer")
  # The system's reason differs: EACCES for a folder without write permission, EPERM
  # for an immutable one.
  message=${expected[$writer.readonly]}
  if [ "$(id -u)" -ne 0 ]; then
    chmod 555 "$folder"
  elif chattr +i "$folder" 2>/dev/null; then
    immutable=$folder
    message=${message/Permission denied/Operation not permitted}
  else
    echo "skip $writer readonly: running as root and chattr +i is not allowed here (a chmod 555 folder stays writable for root)"
    continue
  fi
  write "$writer" new "$folder" >"$work/said" 2>&1
  status=$?
  if [ -n "$immutable" ]; then
    chattr -i "$folder"
    immutable=""
  fi
  chmod 755 "$folder"
  check "$writer" readonly "$folder" "$message" "$status"
done

# A named pipe in place of the file: refused without opening it (that would wait for a
# reader) and left a named pipe. A device likewise: one of /dev/null's numbers made in
# the folder (root only), so that a writer that replaced it would not take the
# machine's /dev/null with it.
for writer in settings png route; do
  folder=$work/fifo-$writer
  mkdir -p "$folder"
  mkfifo "$folder/$(files_of "$writer")"
  write "$writer" new "$folder" >"$work/said" 2>&1
  status=$?
  refused "$writer" fifo "$folder" "${expected[$writer.fifo]}" "$status"
  [ -p "$folder/$(files_of "$writer")" ] || fail "$writer fifo: the named pipe was replaced"
  echo "done $writer fifo: $said"
done
folder=$work/device
mkdir -p "$folder"
if mknod "$folder/508.in4" c 1 3 2>/dev/null; then
  write settings new "$folder" >"$work/said" 2>&1
  status=$?
  refused settings device "$folder" "${expected[settings.fifo]}" "$status"
  [ -c "$folder/508.in4" ] || fail "settings device: the device was replaced"
  echo "done settings device: $said"
else
  echo "skip settings device: only root can make a device"
fi
mkdir -p "$work/none" # the folder the runs below must leave empty

# Texts the settings file cannot hold are refused by `set`: more than 32767 bytes in
# Shift_JIS, or a control character.
too_long=/$(head -c 40000 /dev/zero | tr '\0' 'f')
sets=(
  "set FareDataFolder $too_long"
  'error: 1: FareDataFolder is a text of at most 32767 bytes in Shift_JIS: this one has 40001'
  $'set TapeDataFolder /data\tplan'
  'error: 1: TapeDataFolder is a text without control characters (U+0000..U+001F, U+007F): this one holds U+0009'
)
for ((i = 0; i < ${#sets[@]}; i += 2)); do
  printf '%s\n' "${sets[i]}" | (cd "$work/none" && "$corvane" script) >"$work/said" 2>&1
  status=$?
  refused settings "set ${sets[i]:4:14}" "$work/none" "${sets[i + 1]}" "$status"
  echo "done settings set: $said"
done

# Settings loaded with a text too long for the file (written by another program) are
# not saved with the text cut short: the save fails and the old file stays.
{
  printf '\101\234' # 40001 bytes
  printf '%s' "$too_long"
} >"$work/in/too-long.in4"
folder=$(fresh settings overlong)
printf 'settings %s\nsave %s\n' "$work/in/too-long.in4" "$folder/508.in4" >"$work/in/run.txt"
run settings new "$folder" >"$work/said" 2>&1
check settings overlong "$folder" \
  'error: 2: cannot write FOLDER/508.in4 (エラー Code:6 内容:オーバーフローしました。（FareDataFolder）)' "$?"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo PASS
