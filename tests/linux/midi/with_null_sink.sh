#!/bin/sh
# Runs a command against a private PulseAudio server with one null sink named "ci" (its monitor is
# "ci.monitor"), then stops the server. The server lives in a temporary runtime folder, so it never
# meets the user's own sound server, and PULSE_SERVER names it so that nothing is autospawned.
# Usage: with_null_sink.sh command [arguments...]
# The command may run "$CLAVITAP_TEST_SINK_RESTART" to stop the server and start a new one in its
# place, as a desktop's sound server restarts.
set -u

start_server() {  # work folder
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=file:"$1/pulse.log" \
        -L module-native-protocol-unix -L "module-null-sink sink_name=ci rate=44100" &
    echo $! >"$1/server.pid"
    tries=0
    until pactl info >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ "$tries" -gt 200 ] || ! kill -0 "$(cat "$1/server.pid")" 2>/dev/null; then
            echo "with_null_sink: the PulseAudio server did not start" >&2
            cat "$1/pulse.log" >&2 2>/dev/null
            return 1
        fi
        sleep 0.05
    done
}

stop_server() {  # work folder
    pid=$(cat "$1/server.pid" 2>/dev/null) || return 0
    kill "$pid" 2>/dev/null
    tries=0
    while kill -0 "$pid" 2>/dev/null && [ "$tries" -lt 200 ]; do
        tries=$((tries + 1))
        sleep 0.05
    done
}

if [ "${1:-}" = "--restart" ]; then
    work=${CLAVITAP_TEST_SINK_HOME:?with_null_sink: --restart only from a command it runs}
    stop_server "$work"
    start_server "$work" >/dev/null
    exit
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-sink.XXXXXX") || exit 1
mkdir -m700 "$work/xdg"
export XDG_RUNTIME_DIR="$work/xdg" HOME="$work" PULSE_SERVER="unix:$work/xdg/pulse/native"
export CLAVITAP_TEST_SINK=ci CLAVITAP_TEST_SINK_HOME="$work"
export CLAVITAP_TEST_SINK_RESTART="$(cd "$(dirname "$0")" && pwd)/$(basename "$0") --restart"
cleanup() {
    stop_server "$work"
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

start_server "$work" || exit 1
export CLAVITAP_TEST_SINK_SERVER_PID="$(cat "$work/server.pid")"  # benchmarks also time the server

"$@"
