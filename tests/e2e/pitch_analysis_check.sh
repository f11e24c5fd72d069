#!/usr/bin/env bash
# Checks the recording analysis of the end-to-end test on tones made by sox: a 466 Hz sine and a
# plucked string after a second of silence pass; a 349 Hz tone, silence, and a tone that was
# already sounding before the key are refused.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/clavitap-pitch.XXXXXX)
trap 'rm -rf "$work"' EXIT
tone() { sox -n -r 44100 -c 2 -b 16 "$work/$1.wav" synth "${@:2}" || exit 1; }
tone sine466 1 sine 466.16 pad 1 0
tone pluck466 1 pluck 466.16 pad 1 0
tone sine349 1 sine 349.23 pad 1 0
tone silent 2 sine 466 vol 0
tone early 1 sine 466.16 pad 0.2 1

status=0
expect() {
  local want=$1 name=$2
  if timeout 60 python3 "$here/recording_pitch.py" "$work/$name.wav" 1.0 466.16 >"$work/out.txt"; then
    got=pass
  else
    got=refused
  fi
  if [ "$got" != "$want" ]; then
    echo "FAIL: $name: $got, expected $want"; cat "$work/out.txt"; status=1
  fi
}
expect pass sine466
expect pass pluck466
expect refused sine349
expect refused silent
expect refused early
[ "$status" = 0 ] && echo "PASS: the analysis tells note 70 from other sounds"
exit "$status"
