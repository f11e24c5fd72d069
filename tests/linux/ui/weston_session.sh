#!/bin/sh
# Runs a command inside a private Wayland session: weston with its desktop shell on the headless
# backend (pixman, 1024 x 768 at 100 %), in its own runtime folder, and stops it afterwards.
# --debug lets weston-screenshooter take screenshots.
#   weston_session.sh command [arguments]
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-wayland-XXXXXX")
weston_pid=""
cleanup() {
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
socket="clavitap-wayland-$$"
weston --debug --backend=headless-backend.so --use-pixman --socket="$socket" \
  --width=1024 --height=768 --log="$work/weston.log" >/dev/null 2>&1 &
weston_pid=$!
tries=0
until [ -S "$XDG_RUNTIME_DIR/$socket" ] && grep -q "launching '.*weston-desktop-shell'" "$work/weston.log" 2>/dev/null; do
  tries=$((tries + 1))
  if [ $tries -gt 200 ] || ! kill -0 "$weston_pid" 2>/dev/null; then
    echo "weston_session.sh: weston did not start" >&2
    cat "$work/weston.log" >&2 2>/dev/null
    exit 1
  fi
  sleep 0.05
done
# A Wayland session as a desktop's login sets it up: no X display to fall back on.
export WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland
unset DISPLAY QT_QPA_PLATFORM
timeout 120 "$@"
