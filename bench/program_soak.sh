#!/usr/bin/env bash
# Ten keys held for a long time (default ten minutes) while another window has the focus: the
# program sounds them through the built-in synthesizer on every tick. Prints the program's
# resident memory, threads and CPU once a minute, and whether it is still up at the end.
#   bench/program_soak.sh [seconds]   (from the repository; uses build/linux/clavitap)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${CLAVITAP:-$root/build/linux/clavitap}
seconds=${1:-600}
work=$(mktemp -d)
pids=()
cleanup() {
  xdotool keyup a s d f g h j k l semicolon 2>/dev/null || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

number=260
while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
export DISPLAY=:$number
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
mkdir -m700 "$work/xdg"
export XDG_RUNTIME_DIR=$work/xdg HOME=$work XDG_CONFIG_HOME=$work/config
pulseaudio -n --daemonize=no --exit-idle-time=-1 -L module-native-protocol-unix \
  -L "module-null-sink sink_name=ci rate=44100" >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 200); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
mkdir -p "$XDG_CONFIG_HOME/Clavitap"
printf '[Value]\nDevies=0\nTools=0\nVol=100\nStage=0\n' >"$XDG_CONFIG_HOME/Clavitap/Clavitap.conf"

"$program" >/dev/null 2>&1 & program_pid=$!; pids+=("$program_pid")
xmessage -title "another program" "another program" >/dev/null 2>&1 & pids+=($!)
sleep 2
xdotool search --name "another program" windowfocus --sync 2>/dev/null || true
xdotool keydown a s d f g h j k l semicolon

hz=$(getconf CLK_TCK)
printf '%8s %10s %8s %12s\n' seconds rss_kB threads cpu_percent
last=$(awk '{print $14 + $15}' "/proc/$program_pid/stat")
for ((t = 60; t <= seconds; t += 60)); do
  sleep 60
  kill -0 "$program_pid" 2>/dev/null || { echo "the program ended after about $t s"; exit 1; }
  now=$(awk '{print $14 + $15}' "/proc/$program_pid/stat")
  printf '%8d %10s %8s %12s\n' "$t" "$(awk '$1 == "VmRSS:" {print $2}' "/proc/$program_pid/status")" \
    "$(awk '$1 == "Threads:" {print $2}' "/proc/$program_pid/status")" \
    "$(awk -v d=$((now - last)) -v hz="$hz" 'BEGIN {printf "%.1f", 100 * d / hz / 60}')"
  last=$now
done
xdotool keyup a s d f g h j k l semicolon
echo "the program is still up after $seconds s with ten keys held"
