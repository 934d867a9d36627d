#!/usr/bin/env bash
# Runs a command beside a private PulseAudio daemon whose only sink is a null sink, so
# that sound can be played and recorded (from nullsink.monitor) without a sound card.
# Exits 77 (skipped) when PulseAudio or sox is not installed.
set -u

for tool in pulseaudio pactl parec sox; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "with-pulse: $tool is not installed" >&2
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-pulse.XXXXXX")
export XDG_RUNTIME_DIR="$work/runtime"
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE

cleanup() {
  pulseaudio --kill >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# As root the daemon warns that it is meant for a user session; it runs all the same.
pulseaudio --daemonize=yes --exit-idle-time=-1 --system=false -n \
  --load=module-native-protocol-unix --load="module-null-sink sink_name=nullsink" \
  --log-target="file:$work/pulse.log" >/dev/null 2>&1

for _ in $(seq 100); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
  echo "with-pulse: the PulseAudio daemon did not start" >&2
  cat "$work/pulse.log" >&2 2>/dev/null
  exit 1
fi

export CORVANE_PULSE_SINK=nullsink
export SDL_AUDIODRIVER=pulseaudio
"$@"
exit $?
