#!/bin/sh
# Runs a command inside a private X session: Xvfb on a free display of its own choosing,
# optionally with a tray host (trayer) and a window manager (openbox), and stops them afterwards.
#   x_session.sh [--tray] [--wm] -- command [arguments]
# The command gets CLAVITAP_X_SESSION_SECONDS seconds (default 120).
set -u
tray=0
wm=0
while [ $# -gt 0 ]; do
  case "$1" in
    --tray) tray=1 ;;
    --wm) wm=1 ;;
    --) shift; break ;;
    *) break ;;
  esac
  shift
done

work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-x-XXXXXX")
pids=""
cleanup() {
  for pid in $pids; do kill "$pid" 2>/dev/null; done
  for pid in $pids; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

. "$(dirname "$0")/../../support/private_xvfb.sh"
if ! start_private_xvfb "$work"; then
  echo "x_session.sh: no X display could be started" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
pids="$xvfb_pid"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

if [ $wm -eq 1 ]; then
  openbox --sm-disable >"$work/wm.log" 2>&1 &
  pids="$! $pids"
  tries=0
  until timeout 2 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    tries=$(( tries + 1 ))
    if [ $tries -gt 100 ]; then
      echo "x_session.sh: openbox did not start" >&2
      cat "$work/wm.log" >&2
      exit 1
    fi
    sleep 0.05
  done
fi
if [ $tray -eq 1 ]; then
  trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    >"$work/tray.log" 2>&1 &
  pids="$! $pids"
fi

timeout "${CLAVITAP_X_SESSION_SECONDS:-120}" "$@"
