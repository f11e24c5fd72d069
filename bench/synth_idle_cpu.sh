#!/bin/sh
# Prints the built-in synthesizer's idle CPU use (its own and the sound server's), memory and
# note-on latency against a private PulseAudio null sink. Usage: bench/synth_idle_cpu.sh BUILD_DIR [seconds]
set -eu
build=${1:?build folder}
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
sink="$here/../tests/linux/midi/with_null_sink.sh"
probe=$(find "$build" -name synth_idle_probe -type f | head -n1)
onset=$(find "$build" -name synth_onset_latency -type f | head -n1)
heard=$(find "$build" -name synth_sink_latency -type f | head -n1)
"$sink" "$probe" closed "$seconds"
"$sink" "$probe" idle "$seconds"
"$sink" "$probe" sound "$seconds"
"$sink" "$onset" 30
[ -z "$heard" ] || "$sink" "$heard" 20
