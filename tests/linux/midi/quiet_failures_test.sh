#!/bin/sh
# With no sound server reachable and ALSA configured with no devices at all, the built-in
# synthesizer opens and waits for an audio output, its notes go nowhere without an error, no ALSA
# port is listed, the failures have plain texts, and nothing is printed on stderr.
# Usage: quiet_failures_test.sh path/to/midi_quiet_probe
set -u
probe=${1:?probe}
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-quiet.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -m700 "$work/xdg"
: >"$work/empty-alsa.conf"

XDG_RUNTIME_DIR="$work/xdg" HOME="$work" PULSE_SERVER="unix:$work/no-such-socket" \
    ALSA_CONFIG_PATH="$work/empty-alsa.conf" \
    timeout 30 "$probe" >"$work/out" 2>"$work/err"
status=$?

fail=0
expect() {
    if ! grep -qxF "$1" "$work/out"; then
        echo "missing line: $1"
        fail=1
    fi
}
[ "$status" -eq 0 ] || { echo "the probe exited with $status"; fail=1; }
expect "devices: 0"
expect "caps -1: 0 Built-in Synthesizer"
expect "open -1: 0"
[ "$(grep -cxF "send -1: 0" "$work/out")" -eq 2 ] || { echo "a note without audio output failed"; fail=1; }
expect "open 0: 2 There is no MIDI output device with this number."
expect "send: 5 No MIDI output device is open (the handle is not valid)."
expect "close -1: 0"
if [ -s "$work/err" ]; then
    echo "stderr was not empty:"
    cat "$work/err"
    fail=1
fi
[ "$fail" -eq 0 ] || { echo "stdout was:"; cat "$work/out"; }
exit "$fail"
