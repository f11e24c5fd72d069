#!/bin/sh
# Runs a command against a private sound server with one null sink named "ci" (its monitor is
# "ci.monitor"), then stops the server. The server is PulseAudio, or with --pipewire PipeWire with
# WirePlumber and its PulseAudio service (Debian 12's desktop sound) on a private session bus. It
# lives in a temporary runtime folder, so it never meets the user's own sound server, and
# PULSE_SERVER names it so that nothing is autospawned. The sink never suspends, as on a bare
# server, unless --idle-suspend asks for a desktop's habit of suspending a sink idle for 5 s.
# Usage: with_null_sink.sh [--pipewire] [--idle-suspend] command [arguments...]
# The command may run "$CLAVITAP_TEST_SINK_RESTART" to stop the server and start a new one in its
# place, as a desktop's sound server restarts, and "$CLAVITAP_TEST_SINK_STOP" and
# "$CLAVITAP_TEST_SINK_START" to stop it and start it again later, as at a log-in where the program
# starts first. CLAVITAP_TEST_SINK_SERVER_PID lists the server's processes (benchmarks time them).
set -u

# Polls until the command after the first argument succeeds; gives up after $1 seconds, or at once
# when a process of the server has ended.
wait_until() {  # seconds command...
    limit=$(($1 * 20))
    shift
    tries=0
    until "$@" >/dev/null 2>&1; do
        tries=$((tries + 1))
        for pid in $(cat "$work/server.pid"); do
            kill -0 "$pid" 2>/dev/null || return 1
        done
        [ "$tries" -lt "$limit" ] || return 1
        sleep 0.05
    done
}

# The sink may not be there yet just after the module that makes it has loaded.
make_ci_the_default_sink() {
    pactl set-default-sink ci && [ "$(pactl get-default-sink)" = ci ]
}

start_pulseaudio() {
    suspend=
    [ ! -e "$work/idle-suspend" ] || suspend="module-suspend-on-idle timeout=5"
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=file:"$work/pulse.log" \
        -L module-native-protocol-unix -L "module-null-sink sink_name=ci rate=44100" \
        ${suspend:+-L "$suspend"} &
    echo $! >"$work/server.pid"
    wait_until 60 pactl info
}

start_pipewire() {
    # WirePlumber and the PulseAudio service end at once when PipeWire does not answer yet.
    pipewire >>"$work/pipewire.log" 2>&1 &
    echo $! >"$work/server.pid"
    wait_until 60 pw-cli info 0 || return 1
    # WirePlumber's Bluetooth monitor watches logind and ends WirePlumber where there is no
    # systemd (a container, a chroot); a null sink needs no Bluetooth.
    mkdir -p "$work/wireplumber-config/wireplumber/bluetooth.lua.d"
    echo 'bluez_monitor.enabled = false' \
        >"$work/wireplumber-config/wireplumber/bluetooth.lua.d/60-no-bluetooth.lua"
    XDG_CONFIG_HOME="$work/wireplumber-config" wireplumber >>"$work/pipewire.log" 2>&1 &
    echo $! >>"$work/server.pid"
    pipewire-pulse >>"$work/pipewire.log" 2>&1 &
    echo $! >>"$work/server.pid"
    # The null sink is made through the PulseAudio service; once WirePlumber has made it the
    # default, new streams are linked to it. WirePlumber suspends idle sinks after 5 s unless the
    # sink says otherwise.
    timeout=0
    [ ! -e "$work/idle-suspend" ] || timeout=5
    # The service may answer before it can make sinks ("Not supported"): asked again until then.
    wait_until 60 pactl load-module module-null-sink sink_name=ci rate=44100 \
        sink_properties=session.suspend-timeout-seconds=$timeout &&
        wait_until 60 make_ci_the_default_sink
}

start_server() {
    if ! "start_$(cat "$work/kind")"; then
        echo "with_null_sink: the $(cat "$work/kind") server did not start" >&2
        cat "$work/pulse.log" "$work/pipewire.log" >&2 2>/dev/null
        return 1
    fi
}

stop_server() {
    # The PulseAudio service first: it must not see PipeWire go while clients hang on it.
    for pid in $(tac "$work/server.pid" 2>/dev/null); do
        kill "$pid" 2>/dev/null
        tries=0
        while kill -0 "$pid" 2>/dev/null && [ "$tries" -lt 600 ]; do
            tries=$((tries + 1))
            sleep 0.05
        done
        kill -KILL "$pid" 2>/dev/null
    done
    : >"$work/server.pid"
}

case "${1:-}" in
--restart | --stop | --start)
    work=${CLAVITAP_TEST_SINK_HOME:?with_null_sink: $1 only from a command it runs}
    [ "$1" = --start ] || stop_server
    [ "$1" = --stop ] || start_server >/dev/null
    exit
    ;;
esac

work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-sink.XXXXXX") || exit 1
echo pulseaudio >"$work/kind"
for option in --pipewire --idle-suspend; do
    [ "${1:-}" = "$option" ] || continue
    [ "$option" = --pipewire ] && echo pipewire >"$work/kind"
    [ "$option" = --idle-suspend ] && : >"$work/idle-suspend"
    shift
done
mkdir -m700 "$work/xdg"
export XDG_RUNTIME_DIR="$work/xdg" HOME="$work" PULSE_SERVER="unix:$work/xdg/pulse/native"
export CLAVITAP_TEST_SINK=ci CLAVITAP_TEST_SINK_HOME="$work"
script="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
export CLAVITAP_TEST_SINK_RESTART="$script --restart" CLAVITAP_TEST_SINK_STOP="$script --stop"
export CLAVITAP_TEST_SINK_START="$script --start"
unset PIPEWIRE_REMOTE PULSE_RUNTIME_PATH
bus_pid=
cleanup() {
    stop_server
    [ -z "$bus_pid" ] || kill "$bus_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "$(cat "$work/kind")" = pipewire ]; then
    # A session bus of its own: WirePlumber needs one, and must not meet the caller's.
    dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >/dev/null 2>&1 &
    bus_pid=$!
    tries=0
    until [ -s "$work/bus" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 1200 ] || ! kill -0 "$bus_pid" 2>/dev/null; then
            echo "with_null_sink: the session bus did not start" >&2
            exit 1
        fi
        sleep 0.05
    done
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
    export DBUS_SESSION_BUS_ADDRESS
fi

start_server || exit 1
CLAVITAP_TEST_SINK_SERVER_PID="$(cat "$work/server.pid" | tr '\n' ' ')"
export CLAVITAP_TEST_SINK_SERVER_PID

"$@"
