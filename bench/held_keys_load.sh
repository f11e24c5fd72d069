#!/usr/bin/env bash
# Ten keys held in another window (the key scan sends each one's note-on on every 50 ms tick): the
# program's and the sound server's share of one core over SECONDS (default 20), the program's
# resident memory at the start and the end of that time, and then one key held for two seconds,
# recorded from the sink, with the strikes counted in the recording (one per tick expected).
#   bench/held_keys_load.sh [seconds]   (from the repository; CLAVITAP=path overrides the program)
# Runs on a private Xvfb and a bare PulseAudio server with a null sink (no idle suspend).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${CLAVITAP:-$root/build/linux/clavitap}
seconds=${1:-20}
# shellcheck source=bench/held_keys.sh
source "$root/bench/held_keys.sh"
work=$(mktemp -d)
pids=()
cleanup() {
  release_held_keys
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

number=$((300 + RANDOM % 200))
while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
export DISPLAY=:$number
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
mkdir -m700 "$work/xdg"
export XDG_RUNTIME_DIR=$work/xdg HOME=$work XDG_CONFIG_HOME=$work/config
export DBUS_SESSION_BUS_ADDRESS=disabled:
unset PULSE_SERVER PIPEWIRE_REMOTE
pulseaudio -n --daemonize=no --exit-idle-time=-1 -L module-native-protocol-unix \
  -L "module-null-sink sink_name=ci rate=44100" >/dev/null 2>&1 & server_pid=$!; pids+=($!)
for _ in $(seq 200); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
pactl set-default-sink ci
mkdir -p "$XDG_CONFIG_HOME/Clavitap"
printf '[Value]\nDevies=0\nTools=0\nVol=100\nStage=0\n' >"$XDG_CONFIG_HOME/Clavitap/Clavitap.conf"

QT_QPA_PLATFORM=xcb "$program" >/dev/null 2>&1 & program_pid=$!; pids+=("$program_pid")
xmessage -title elsewhere "another program" >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 100); do xdotool search --name '^elsewhere$' >/dev/null 2>&1 && break; sleep 0.05; done
sleep 2
xdotool search --name '^elsewhere$' windowfocus --sync 2>/dev/null || true

hold_ten_keys "$program_pid" "$server_pid" "$seconds"
kill -0 "$program_pid" 2>/dev/null || { echo "the program ended while the keys were held"; exit 1; }
echo "ten keys held for $seconds s: program $held_program % of one core," \
  "sound server $held_server %; program memory ${held_rss_before} kB -> ${held_rss_after} kB"

# One key held for two seconds, recorded from the sink's monitor.
sleep 1
parecord --latency-msec=20 -d ci.monitor --file-format=wav --rate=44100 --channels=2 \
  "$work/held.wav" >/dev/null 2>&1 & recorder=$!; pids+=($!)
for _ in $(seq 300); do [ "$(stat -c %s "$work/held.wav" 2>/dev/null || echo 0)" -gt 8820 ] && break; sleep 0.05; done
sleep 0.5
xdotool keydown a; sleep 2; xdotool keyup a; sleep 0.5
kill -INT "$recorder"; wait "$recorder" 2>/dev/null || true
python3 - "$work/held.wav" <<'EOF'
# Counts strikes: 5 ms frames whose level jumps by more than 3 dB over the frame 10 ms before, at
# least 30 ms after the previous strike, in the two seconds from the first.
import math, struct, sys, wave
with wave.open(sys.argv[1]) as w:
    rate, data = w.getframerate(), w.readframes(w.getnframes())
samples = struct.unpack("<%dh" % (len(data) // 2), data)
mono = [samples[i] + samples[i + 1] for i in range(0, len(samples) - 1, 2)]
step = rate // 200
level = [math.sqrt(sum(x * x for x in mono[i:i + step]) / step) + 1e-9
         for i in range(0, len(mono) - step, step)]
loud = [i for i, l in enumerate(level) if l > 100]
if not loud:
    print("held key: nothing was heard"); sys.exit(1)
strikes, last = [], -100
for i in range(loud[0], loud[-1] + 1):
    if i >= 2 and level[i] > 1.41 * level[i - 2] and level[i] > 100 and i - last >= 6:
        strikes.append(i); last = i
held = [i for i in strikes if i - strikes[0] < 400]  # the two seconds the key was down
gaps = sorted((b - a) * 5 for a, b in zip(held, held[1:]))
on_tick = sum(1 for g in gaps if 35 <= g <= 65)
print(f"one key held for 2 s: {len(held)} strikes heard (40 ticks); {on_tick} of {len(gaps)} gaps "
      f"between strikes are one tick long, median {gaps[len(gaps) // 2] if gaps else 0} ms, "
      f"longest {gaps[-1] if gaps else 0} ms")
EOF
