#!/usr/bin/env bash
# End to end: the key "A", typed while another program's window has the focus, comes out of the
# built-in synthesizer as note 70 (base note 65, tone "C" adds 5), about 466 Hz.
#
# Usage: key_to_sound.sh [--pipewire] [--server-later] [--tone-b PROGRAM | --ends PROGRAM]
#                        PATH/TO/clavitap [PATH/TO/clavitap_sound_probe]
# Starts its own Xvfb on a free display and a sound server with a null sink in a private runtime
# folder (PulseAudio, or with --pipewire PipeWire, WirePlumber and PipeWire's PulseAudio service
# on a private session bus, as Debian 12's desktop), records the sink's monitor, runs the program
# with its own settings folder, types "A" with XTest for 200 ms and checks the recording. With
# --server-later the sound server starts only after the program has told the user, in a box, that
# it waits for an audio output, as at a log-in where the program wins the race. With the probe, it
# then prints how long after the key went down notes come after a pause (a measurement, not a
# check). With --tone-b PROGRAM the tone is "B" and the instrument PROGRAM, and eight keys whose
# notes lie above most instruments' sampled range ("1", "0", Q, P, Z, A, Space, F12: notes 122 to
# 159 before the octave fold) must each be heard. With --ends PROGRAM the instrument is PROGRAM,
# "hello world" is typed, and 5 s after the last key the sink must be silent. Every wait has a time limit; everything started here is stopped on exit.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
server_options=()
server_later=false
tone_b_program=""
ends_program=""
while [ $# -gt 0 ]; do
  case "$1" in
    --pipewire) server_options+=(--pipewire); shift ;;
    --server-later) server_later=true; shift ;;
    --tone-b) tone_b_program=$2; shift 2 ;;
    --ends) ends_program=$2; shift 2 ;;
    *) break ;;
  esac
done
program=${1:?usage: key_to_sound.sh [--pipewire] [--server-later] PATH/TO/clavitap [PROBE]}
probe=${2:-}
expected_hz=466.16  # MIDI note 70

# The sound server and its null sink "ci" come from with_null_sink.sh, which runs this script again
# inside them; it also gives the commands that stop and start the server.
if [ -z "${CLAVITAP_TEST_SINK_HOME:-}" ]; then
  later=()
  $server_later && later=(--server-later)
  [ -n "$tone_b_program" ] && later+=(--tone-b "$tone_b_program")
  [ -n "$ends_program" ] && later+=(--ends "$ends_program")
  exec "$here/../linux/midi/with_null_sink.sh" "${server_options[@]}" \
    "$BASH" "$0" "${server_options[@]}" "${later[@]}" "$@"
fi
# The program finds the server where a desktop's programs do, in the runtime folder.
unset PULSE_SERVER
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || export DBUS_SESSION_BUS_ADDRESS=disabled:

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

mkdir -m700 "$work/home"
export HOME="$work/home"
$server_later && { $CLAVITAP_TEST_SINK_STOP || fail "cannot stop the sound server"; }

# The monitor delivers nothing for the first second or two: wait until the file grows.
start_recording() {
  parecord --latency-msec=20 -d ci.monitor --file-format=wav --rate=44100 --channels=2 \
    "$work/out.wav" >"$work/parecord.log" 2>&1 &
  recorder=$!
  pids+=("$recorder")
  wait_for 15 recording_grows || fail "the recording does not grow"
}
bytes() { stat -c %s "$1" 2>/dev/null || echo 0; }
recording_grows() { [ "$(bytes "$work/out.wav")" -gt 8820 ]; }  # 50 ms of sound
$server_later || start_recording

# --- the program, with its own saved settings: device 0 (the built-in synthesizer), instrument 0,
# tone "C", volume 100 ------------------------------------------------------------------------------
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Clavitap"
stage=0 tools=0
[ -n "$tone_b_program" ] && stage=11 tools=$tone_b_program
[ -n "$ends_program" ] && tools=$ends_program
printf '[Value]\nVol=100\nStage=%s\nDevies=0\nTools=%s\n' "$stage" "$tools" \
  >"$XDG_CONFIG_HOME/Clavitap/Clavitap.conf"
QT_QPA_PLATFORM=xcb "$program" >"$work/clavitap.log" 2>&1 &
pids+=($!)
clavitap=$!
is_dialog() { xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG; }
if $server_later; then
  # No sound output yet: a box says so before the window shows. Return on it closes it (the
  # program hears that key too, and plays it to no one).
  box_shown() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Clavitap$' 2>/dev/null); do
      is_dialog "$id" && { echo "$id" >"$work/box"; return 0; }
    done
    return 1
  }
  wait_for 20 box_shown || fail "no box told that the synthesizer waits for a sound output"
  box=$(cat "$work/box")
  xdotool windowfocus --sync "$box" && xdotool key Return || fail "cannot close the box"
  wait_for 10 bash -c "! xdotool search --onlyvisible --name '^Clavitap$' | grep -qx '$box'" ||
    fail "the box did not close"
  $CLAVITAP_TEST_SINK_START || fail "the sound server did not start"
  start_recording
fi
main_window_shown() {
  local id
  for id in $(xdotool search --onlyvisible --name '^Clavitap$' 2>/dev/null); do
    is_dialog "$id" || return 0
  done
  return 1
}
wait_for 20 main_window_shown || fail "the Clavitap window did not appear"
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
now_in_recording() { python3 -c "print(max(0, ($(bytes "$work/out.wav") - 44) / $bytes_per_second))"; }
stop_recording() {
  kill -INT "$recorder"
  wait_for 5 bash -c "! kill -0 $recorder 2>/dev/null" || kill -KILL "$recorder"
  wait "$recorder" 2>/dev/null
}
if [ -n "$tone_b_program" ]; then
  key_times=()
  for key in 1 0 q p z a space F12; do
    key_times+=("$(now_in_recording)")
    xdotool keydown "$key"
    sleep 0.2
    xdotool keyup "$key"
    sleep 1.3  # the note dies away before the next key
  done
  kill -0 "$clavitap" 2>/dev/null || fail "Clavitap ended while the keys were typed"
  stop_recording
  python3 "$here/notes_heard.py" "$work/out.wav" "${key_times[@]}" ||
    fail "at tone B with instrument $tone_b_program, not every key was heard"
  echo "PASS: at tone B, instrument $tone_b_program, all eight keys were heard"
  exit 0
fi
if [ -n "$ends_program" ]; then
  typed_at=$(now_in_recording)
  xdotool type --delay 150 "hello world"
  sleep 5
  silent_at=$(now_in_recording)  # a recorder that writes late only makes this earlier
  sleep 1
  kill -0 "$clavitap" 2>/dev/null || fail "Clavitap ended while the keys were typed"
  stop_recording
  python3 "$here/silent_after.py" "$work/out.wav" "$typed_at" "$silent_at" ||
    fail "with instrument $ends_program, the notes of \"hello world\" still sound 5 s after it"
  echo "PASS: with instrument $ends_program, \"hello world\" was silent 5 s after its last key"
  exit 0
fi
key_at=$(now_in_recording)
xdotool keydown a
sleep 0.2
xdotool keyup a
sleep 1.5
kill -0 "$clavitap" 2>/dev/null || fail "Clavitap ended while the key was typed"
stop_recording

python3 "$here/recording_pitch.py" "$work/out.wav" "$key_at" "$expected_hz" ||
  fail "the recording does not carry note 70 (about $expected_hz Hz) after the key"
server=PulseAudio
if [ ${#server_options[@]} -gt 0 ]; then
  # The program's stream is PipeWire's own, not one made through its PulseAudio service.
  pw-dump >"$work/pw-dump.json" 2>/dev/null || fail "pw-dump failed"
  python3 - "$work/pw-dump.json" "$clavitap" <<'EOF' || fail "the synthesizer's stream is not native"
import json, sys
objects, pid = json.load(open(sys.argv[1])), int(sys.argv[2])
def props(kind):
    return [o["info"]["props"] for o in objects if o.get("type", "").endswith(":" + kind)]
# The program's own connection (the PulseAudio service lists its clients too, as its own API),
# and a stream made on it.
clients = {p["object.id"] for p in props("Client") if p.get("application.process.id") == pid
           and p.get("client.api") != "pipewire-pulse"}
sys.exit(not any(p.get("client.id") in clients and p.get("media.class") == "Stream/Output/Audio"
                 for p in props("Node")))
EOF
  server="PipeWire (a native stream)"
fi
$server_later && server="$server started after the program"
echo "PASS: \"A\" typed in another window sounded note 70 on $server"

# The figure: key down to sound for keys after a 2 s pause. It includes the wait for the program's
# next 50 ms tick (0 to 50 ms), so the fastest of several comes closest to tick-to-sound.
if [ -n "$probe" ]; then
  "$probe" latency ci.monitor a 5 2000 >"$work/latency" 2>/dev/null || fail "the probe failed"
  grep -q 'ms=[0-9]' "$work/latency" || fail "the probe heard none of its keys"
  echo "key down to sound after a pause, ms (includes 0-50 ms to the next tick):" \
    $(sed -n 's/^ms=//p' "$work/latency" | sort -n | tr '\n' ' ')
fi
