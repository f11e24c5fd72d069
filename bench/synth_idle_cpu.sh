#!/bin/sh
# Prints the built-in synthesizer's idle CPU use (its own and the sound server's), memory and
# note-on latency against a private null sink, on PulseAudio and on PipeWire's PulseAudio service:
# the server with nobody connected (its baseline), with the synthesizer open and silent on a bare
# server and on one that suspends idle sinks, and holding a note; then the onset and sink latency.
# Usage: bench/synth_idle_cpu.sh BUILD_DIR [seconds] [pulseaudio|pipewire ...]
set -eu
build=${1:?build folder}
seconds=${2:-20}
shift $(($# < 2 ? $# : 2))
here=$(cd "$(dirname "$0")" && pwd)
sink="$here/../tests/linux/midi/with_null_sink.sh"
probe="$build/bench/synth_idle_probe"
onset="$build/bench/synth_onset_latency"
# Only built where libpulse-simple is installed.
heard="$build/bench/synth_sink_latency"
[ -x "$heard" ] || heard=
for server in ${*:-pulseaudio pipewire}; do
    kind=
    [ "$server" = pulseaudio ] || kind=--$server
    echo "== $server =="
    "$sink" $kind "$probe" closed "$seconds"
    "$sink" $kind "$probe" idle "$seconds"
    printf 'sinks suspended when idle: '
    "$sink" $kind --idle-suspend "$probe" idle "$seconds"
    "$sink" $kind "$probe" sound "$seconds"
    "$sink" $kind "$onset" 30
    [ -z "$heard" ] || "$sink" $kind "$heard" 20
done
