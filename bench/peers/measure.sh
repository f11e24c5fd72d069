#!/usr/bin/env bash
# Measures Clavitap and two programs Linux users pick today for sound from the keyboard
# (VMPK playing through FluidSynth with the same TimGM6mb SoundFont, and bucklespring) in one run,
# in turn, with the same method, under Xvfb with a window manager and a null sink, on both sound
# servers: PulseAudio, then PipeWire with WirePlumber and its PulseAudio service (each private,
# from tests/linux/midi/with_null_sink.sh):
#   start to visible window: median of START_RUNS starts (for the programs that have one), and
#     for Clavitap also with each installed General MIDI font as the default
#   idle CPU over IDLE_SECONDS (no key down) from /proc/PID/stat, as % of one core, and the sound
#     server's over the same time (PipeWire's: pipewire and pipewire-pulse added up), first with
#     idle sinks suspended after 5 s (as a desktop's sound server does), then on a bare server
#     (PulseAudio's suspend module unloaded, PipeWire's sink made anew with no suspend timeout)
#   key down to audio onset: median and range of PRESSES presses (XTest press and recording in
#     one process, checked against a reference beep of known start)
#   ten keys held for HELD_SECONDS (in another window, or in VMPK's own, which plays only the
#     keys it has the focus for): the program's and the sound server's CPU (bench/held_keys.sh)
#   resident memory: VmRSS after the idle periods and VmHWM (peak) at the end
# Prints one table, each cell "PulseAudio / PipeWire", with Clavitap's ratio to each peer.
#
# usage: bench/peers/measure.sh [--only-clavitap]   (root, or the peers already installed)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
clavitap=${CLAVITAP:-$root/build/linux/clavitap}
presses=${PRESSES:-15}
idle_seconds=${IDLE_SECONDS:-20}
held_seconds=${HELD_SECONDS:-20}
start_runs=${START_RUNS:-5}
servers=(pulseaudio pipewire)
figures=(lat_med lat_min lat_max idle server_suspend server_bare held_cpu held_srv start_ms
         start_TimGM6mb start_FluidR3_GM rss hwm)

# --- the run: each server in turn, then the table -------------------------------------------------
if [ "${1:-}" != --on-server ]; then
  only_clavitap=false
  [ "${1:-}" = "--only-clavitap" ] && only_clavitap=true
  need=(xvfb openbox pulseaudio pulseaudio-utils libpulse-dev libxtst-dev xdotool x11-utils
        timgm6mb-soundfont pipewire pipewire-bin wireplumber pipewire-pulse dbus-daemon)
  $only_clavitap || need+=(vmpk bucklespring)
  missing=()
  for p in "${need[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  [ -x "$clavitap" ] || { echo "build Clavitap first: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
  results=$(mktemp -d)
  trap 'rm -rf "$results"' EXIT
  : >"$results/figures"
  g++ -std=c++20 -O2 -o "$results/probe" "$here/probe.cpp" -lX11 -lXtst -lpulse-simple -lpulse -lpthread
  echo "load before the run: $(uptime)"
  for server in "${servers[@]}"; do
    kind=()
    [ "$server" = pulseaudio ] || kind=(--"$server")
    echo "== $server =="
    "$root/tests/linux/midi/with_null_sink.sh" "${kind[@]}" --idle-suspend \
      "$BASH" "$0" --on-server "$server" "$results" "$only_clavitap"
  done

  declare -A value  # [figure server program]
  while read -r figure server program number; do
    value[$figure $server $program]=$number
  done <"$results/figures"
  ratio() {  # clavitap peer -> "x.xx" (clavitap / peer)
    awk -v a="$1" -v b="$2" 'BEGIN {if (b + 0 == 0 || a == "-" || b == "-") print "-"; else printf "%.2f", a / b}'
  }
  cell() {  # figure program -> "on PulseAudio / on PipeWire"
    echo "${value[$1 pulseaudio $2]:--} / ${value[$1 pipewire $2]:--}"
  }
  ratio_cell() {  # figure peer
    echo "$(ratio "${value[$1 pulseaudio clavitap]:--}" "${value[$1 pulseaudio $2]:--}") /" \
      "$(ratio "${value[$1 pipewire clavitap]:--}" "${value[$1 pipewire $2]:--}")"
  }
  line() {  # cells...
    printf '| %-46s | %15s | %15s | %15s | %13s | %13s |\n' "$@"
  }
  row() {  # label figure
    line "$1" "$(cell "$2" clavitap)" "$(cell "$2" bucklespring)" "$(cell "$2" vmpk)" \
      "$(ratio_cell "$2" bucklespring)" "$(ratio_cell "$2" vmpk)"
  }
  echo
  echo "each cell: on PulseAudio / on PipeWire"
  line "figure" "Clavitap" "bucklespring" "VMPK" "C/buckle" "C/VMPK"
  printf '|%s|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..48})" "-----------------" \
    "-----------------" "-----------------" "---------------" "---------------"
  row "key down to sound, median ms" lat_med
  row "key down to sound, fastest ms" lat_min
  row "key down to sound, slowest ms" lat_max
  row "idle CPU over ${idle_seconds} s, % of one core" idle
  row "sound server meanwhile, idle suspend, %" server_suspend
  row "sound server meanwhile, bare server, %" server_bare
  row "ten keys held ${held_seconds} s: program, %" held_cpu
  row "ten keys held: sound server, %" held_srv
  row "start to visible window, median of ${start_runs}, ms" start_ms
  for font in TimGM6mb FluidR3_GM; do
    [ -n "${value[start_$font pulseaudio clavitap]:-}${value[start_$font pipewire clavitap]:-}" ] ||
      continue
    for server in "${servers[@]}"; do
      value[start_$font $server vmpk]=${value[start_ms $server vmpk]:--}
    done
    row "  Clavitap with $font as the default font" "start_$font"
  done
  row "resident memory VmRSS, MB" rss
  row "peak resident memory VmHWM, MB" hwm
  echo "(${presses} presses each; a ratio under 1 means Clavitap needs less; load after: $(uptime))"
  exit 0
fi

# --- one server, inside with_null_sink.sh: every program measured ---------------------------------
server_kind=$2
results=$3
only_clavitap=$4
probe=$results/probe
work=$(mktemp -d)
pids=()
cleanup() {
  release_held_keys
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  sleep 0.3
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source=bench/held_keys.sh
source "$root/bench/held_keys.sh"
# shellcheck source=tests/support/private_xvfb.sh
source "$root/tests/support/private_xvfb.sh"

# A private desktop: X server and window manager; the sound server and its null sink "ci" (the
# default, suspended after 5 s idle) come from with_null_sink.sh.
start_private_xvfb "$work" || { echo "no Xvfb could start" >&2; exit 2; }
pids+=("$xvfb_pid")
openbox >/dev/null 2>&1 & pids+=($!)
export HOME=$work XDG_CONFIG_HOME=$work/config
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || export DBUS_SESSION_BUS_ADDRESS=disabled:
# The sound server's processes that mix: PulseAudio, or PipeWire and its PulseAudio service.
server=
for p in $CLAVITAP_TEST_SINK_SERVER_PID; do
  case "$(cat "/proc/$p/comm")" in pulseaudio | pipewire | pipewire-pulse) server+="$p " ;; esac
done
# bare_server and suspending_server switch between a sink that is suspended when idle and one
# that never is.
null_sink_suspended_after() {  # seconds (0: never)
  pactl unload-module module-null-sink
  pactl load-module module-null-sink sink_name=ci rate=44100 \
    sink_properties=session.suspend-timeout-seconds="$1" >/dev/null
  for _ in $(seq 200); do
    pactl set-default-sink ci 2>/dev/null && [ "$(pactl get-default-sink)" = ci ] && break
    sleep 0.05
  done
}
suspending_server() {
  if [ "$server_kind" = pipewire ]; then
    null_sink_suspended_after 5
  else
    pactl load-module module-suspend-on-idle timeout=5 >/dev/null
  fi
}
bare_server() {
  if [ "$server_kind" = pipewire ]; then
    null_sink_suspended_after 0
  else
    pactl unload-module module-suspend-on-idle
    pactl suspend-sink ci 0
  fi
}
sleep 1

# A window that holds the focus while keys are typed "in another program".
xmessage -title "another program" -geometry +600+500 "another program" >/dev/null 2>&1 & pids+=($!)
sleep 0.5

cpu_ticks() { held_ticks "$1"; }  # "PID..."
percent() {  # ticks seconds
  awk -v d="$1" -v hz="$(getconf CLK_TCK)" -v s="$2" 'BEGIN {printf "%.2f", 100 * d / hz / s}'
}
memory_mb() {  # pid field
  awk -v f="$2:" '$1 == f {printf "%.0f", $2 / 1024}' "/proc/$1/status"
}
latency_summary() {  # file of "ms=<x>" lines -> "median min max n"
  { grep -o 'ms=[0-9][0-9.]*' "$1" || true; } | cut -d= -f2 | sort -n |
    awk '{v[NR] = $1} END {if (NR == 0) {print "none none none 0"; exit}
         m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
         printf "%.1f %.1f %.1f %d\n", m, v[1], v[NR], NR}'
}
focus_named() {  # window name
  local id
  id=$(xdotool search --onlyvisible --name "$1" | head -n 1)
  if [ -n "$id" ]; then xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true; fi
}

declare -A idle server_suspend server_bare rss hwm lat_med lat_min lat_max start_ms held_cpu held_srv \
  start_TimGM6mb start_FluidR3_GM

# Starts the program START_RUNS times (each start waits for the one before to end) and keeps the
# last one running; sets pid and start_ms[name] (the median).
start_measured() {  # name window-title command...
  local name=$1 title=$2; shift 2
  local out times=()
  for ((run = 1; run <= start_runs; run++)); do
    out=$("${probe_prefix[@]}" "$probe" window "$title" 10000 -- "$@" || true)
    pid=$(sed -n 's/.*pid=\([0-9]*\).*/\1/p' <<<"$out")
    pids+=("$pid")
    times+=("$(sed -n 's/.*ms=\([0-9.a-z]*\).*/\1/p' <<<"$out")")
    [ "$run" -lt "$start_runs" ] || break
    sleep 1
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    sleep 0.5
  done
  start_ms[$name]=$(printf '%s\n' "${times[@]}" | sort -n |
    awk '/timeout/ {print "timeout"; exit} {v[NR] = $1} END {if (NR) print v[int((NR + 1) / 2)]}')
  echo "  $name: start to visible window, ms: ${times[*]}" >&2
}

# Clavitap plays the system's default General MIDI SoundFont. Its start is also timed with each
# font in turn as that default (TimGM6mb, as VMPK plays here, and the large FluidR3_GM), the font
# bound over the default in a private mount namespace that the probe itself runs in, so that the
# namespace's own set-up is not timed. Needs root; skipped otherwise.
probe_prefix=()
start_with_each_font() {  # command...
  local default font
  default=$(readlink -f /usr/share/sounds/sf2/default-GM.sf2 2>/dev/null) || return 0
  [ -f "$default" ] && unshare -m true 2>/dev/null || return 0
  for font in TimGM6mb FluidR3_GM; do
    [ -f "/usr/share/sounds/sf2/$font.sf2" ] || continue
    probe_prefix=(unshare -m sh -c "mount --bind /usr/share/sounds/sf2/$font.sf2 '$default' && exec \"\$@\"" sh)
    start_measured "clavitap-$font" Clavitap "$@"
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    declare -n start_with_font=start_$font
    start_with_font[clavitap]=${start_ms[clavitap-$font]}
    unset 'start_ms[clavitap-$font]'
  done
  probe_prefix=()
}

measure() {  # name window-title(or -) focus-title keysym command...
  local name=$1 title=$2 focus=$3 keysym=$4; shift 4
  local pid
  if [ "$title" != - ]; then
    start_measured "$name" "$title" "$@"
  else
    setsid "$@" >/dev/null 2>&1 &
    pid=$!
    pids+=("$pid")
    start_ms[$name]=-
  fi
  sleep 3
  # The program's own CPU and the sound server's over the same idle period: a stream left
  # running, even unfed, keeps the server (and a real sound card) working.
  local own server_before
  own=$(cpu_ticks "$pid")
  server_before=$(cpu_ticks "$server")
  sleep "$idle_seconds"
  idle[$name]=$(percent $(($(cpu_ticks "$pid") - own)) "$idle_seconds")
  server_suspend[$name]=$(percent $(($(cpu_ticks "$server") - server_before)) "$idle_seconds")
  bare_server
  sleep 2
  server_before=$(cpu_ticks "$server")
  sleep "$idle_seconds"
  server_bare[$name]=$(percent $(($(cpu_ticks "$server") - server_before)) "$idle_seconds")
  rss[$name]=$(memory_mb "$pid" VmRSS)
  focus_named "$focus"
  "$probe" latency ci.monitor "$keysym" "$presses" >"$work/$name.lat" 2>/dev/null || true
  read -r lat_med[$name] lat_min[$name] lat_max[$name] _ < <(latency_summary "$work/$name.lat")
  sleep 2
  focus_named "$focus"
  hold_ten_keys "$pid" "$server" "$held_seconds"
  held_cpu[$name]=$held_program
  held_srv[$name]=$held_server
  hwm[$name]=$(memory_mb "$pid" VmHWM)
  kill "$pid" 2>/dev/null || true
  suspending_server
  sleep 1
}

echo "method check: a reference beep written at a known time is detected after (ms):"
"$probe" reference ci ci.monitor 5 | sed 's/^/  /'

mkdir -p "$XDG_CONFIG_HOME/Clavitap"
printf '[Value]\nDevies=0\nTools=0\nVol=100\nStage=0\n' >"$XDG_CONFIG_HOME/Clavitap/Clavitap.conf"
start_with_each_font "$clavitap"
measure clavitap Clavitap "another program" a "$clavitap"

if ! $only_clavitap; then
  mkdir -p "$XDG_CONFIG_HOME/vmpk.sourceforge.net"
  cat >"$XDG_CONFIG_HOME/vmpk.sourceforge.net/VMPK.conf" <<'CONF'
[Connections]
InEnabled=false
OutputDriver=FluidSynth
OutPort=FluidSynth
[FluidSynth]
AudioDriver=pulseaudio
InstrumentsDefinition=/usr/share/sounds/sf2/TimGM6mb.sf2
CONF
  measure vmpk "Virtual MIDI Piano Keyboard" "Virtual MIDI Piano Keyboard" z vmpk
  # bucklespring's OpenAL pins its stream to the sink it opened; allowed to move, the stream
  # survives PipeWire's sink being made anew between the idle periods.
  printf '[pulse]\nallow-moves = true\n' >"$HOME/.alsoftrc"
  measure bucklespring - "another program" a /usr/games/buckle
fi

for figure in "${figures[@]}"; do
  declare -n of_program=$figure
  for name in "${!of_program[@]}"; do
    echo "$figure $server_kind $name ${of_program[$name]}" >>"$results/figures"
  done
done
