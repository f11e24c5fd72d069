#!/bin/sh
# Runs a command against a private PulseAudio server with one null sink named "ci" (its monitor is
# "ci.monitor"), then stops the server. The server lives in a temporary runtime folder, so it never
# meets the user's own sound server, and PULSE_SERVER names it so that nothing is autospawned.
# Usage: with_null_sink.sh command [arguments...]
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-sink.XXXXXX") || exit 1
mkdir -m700 "$work/xdg"
export XDG_RUNTIME_DIR="$work/xdg" HOME="$work" PULSE_SERVER="unix:$work/xdg/pulse/native"
export CLAVITAP_TEST_SINK=ci

pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=file:"$work/pulse.log" \
    -L module-native-protocol-unix -L "module-null-sink sink_name=ci rate=44100" &
server=$!
export CLAVITAP_TEST_SINK_SERVER_PID="$server"  # benchmarks also time the server
cleanup() {
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

tries=0
until pactl info >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ "$tries" -gt 200 ] || ! kill -0 "$server" 2>/dev/null; then
        echo "with_null_sink: the PulseAudio server did not start" >&2
        cat "$work/pulse.log" >&2 2>/dev/null
        exit 1
    fi
    sleep 0.05
done

"$@"
