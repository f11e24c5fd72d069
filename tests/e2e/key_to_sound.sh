#!/usr/bin/env bash
# End to end: the key "A", typed while another program's window has the focus, comes out of the
# built-in synthesizer as note 70 (base note 65, tone "C" adds 5), about 466 Hz.
#
# Usage: key_to_sound.sh PATH/TO/clavitap
# Starts its own Xvfb on a free display and a PulseAudio null sink in a private runtime folder,
# records the sink's monitor, runs the program with its own settings folder, types "A" with
# XTest for 200 ms and checks the recording. Every wait has a time limit; everything started here
# is stopped on exit.
set -uo pipefail

program=${1:?usage: key_to_sound.sh PATH/TO/clavitap}
here=$(cd "$(dirname "$0")" && pwd)
expected_hz=466.16  # MIDI note 70

work=$(mktemp -d /tmp/clavitap-e2e.XXXXXX)
pids=()
cleanup() {
  local pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill -TERM "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() { echo "FAIL: $*" >&2; [ -s "$work/clavitap.log" ] && sed 's/^/  clavitap: /' "$work/clavitap.log" >&2; exit 1; }

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local limit=$1; shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

[ -x "$program" ] || fail "no program at $program"
for tool in Xvfb xdotool xmessage pulseaudio pactl parecord python3; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done

# --- a private X server on a free display --------------------------------------------------------
unset DISPLAY WAYLAND_DISPLAY  # never type into the desktop this test was started from
. "$(dirname "$0")/../support/private_xvfb.sh"
start_private_xvfb "$work" && pids+=("$xvfb_pid")
[ -n "${DISPLAY:-}" ] && xdotool getmouselocation >/dev/null 2>&1 || fail "Xvfb did not start"

# --- a private sound server with a null sink -----------------------------------------------------
mkdir -m700 "$work/xdg" "$work/home"
export XDG_RUNTIME_DIR="$work/xdg" HOME="$work/home"
unset PULSE_SERVER PULSE_RUNTIME_PATH PIPEWIRE_REMOTE
# No session bus: nothing here may start one (D-Bus would launch a daemon for the X display).
export DBUS_SESSION_BUS_ADDRESS=disabled:
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
  -L module-native-protocol-unix -L "module-null-sink sink_name=ci rate=44100" \
  >"$work/pulse.log" 2>&1 &
pids+=($!)
wait_for 10 pactl info >/dev/null 2>&1 || fail "PulseAudio did not start"
pactl set-default-sink ci || fail "no null sink"

# The monitor delivers nothing for the first second or two: wait until the file grows.
parecord --latency-msec=20 -d ci.monitor --file-format=wav --rate=44100 --channels=2 \
  "$work/out.wav" >"$work/parecord.log" 2>&1 &
recorder=$!
pids+=("$recorder")
bytes() { stat -c %s "$1" 2>/dev/null || echo 0; }
recording_grows() { [ "$(bytes "$work/out.wav")" -gt 8820 ]; }  # 50 ms of sound
wait_for 15 recording_grows || fail "the recording does not grow"

# --- the program, with its own saved settings: device 0 (the built-in synthesizer), instrument 0,
# tone "C", volume 100 ------------------------------------------------------------------------------
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Clavitap"
printf '[Value]\nVol=100\nStage=0\nDevies=0\nTools=0\n' >"$XDG_CONFIG_HOME/Clavitap/Clavitap.conf"
QT_QPA_PLATFORM=xcb "$program" >"$work/clavitap.log" 2>&1 &
pids+=($!)
clavitap=$!
wait_for 20 xdotool search --onlyvisible --name '^Clavitap$' >/dev/null 2>&1 ||
  fail "the Clavitap window did not appear"
kill -0 "$clavitap" 2>/dev/null || fail "Clavitap ended early"

# --- another program's window takes the focus ----------------------------------------------------
xmessage -title Elsewhere -geometry +500+400 "Typing in another program" >/dev/null 2>&1 &
pids+=($!)
wait_for 10 xdotool search --onlyvisible --name '^Elsewhere$' >/dev/null 2>&1 ||
  fail "the other window did not appear"
elsewhere=$(xdotool search --onlyvisible --name '^Elsewhere$' | head -n 1)
xdotool windowfocus --sync "$elsewhere" || fail "cannot focus the other window"
[ "$(xdotool getwindowfocus)" = "$elsewhere" ] || fail "the focus is not on the other window"

# --- the key: 200 ms of "A", then enough time for the note to reach the recording -------------------
sleep 1  # some quiet recording before the key, to show the sound comes from it
bytes_per_second=$((44100 * 2 * 2))
key_at=$(python3 -c "print(max(0, ($(bytes "$work/out.wav") - 44) / $bytes_per_second))")
xdotool keydown a
sleep 0.2
xdotool keyup a
sleep 1.5
kill -0 "$clavitap" 2>/dev/null || fail "Clavitap ended while the key was typed"

kill -INT "$recorder"
wait_for 5 bash -c "! kill -0 $recorder 2>/dev/null" || kill -KILL "$recorder"
wait "$recorder" 2>/dev/null

python3 "$here/recording_pitch.py" "$work/out.wav" "$key_at" "$expected_hz" ||
  fail "the recording does not carry note 70 (about $expected_hz Hz) after the key"
echo "PASS: \"A\" typed in another window sounded note 70"
