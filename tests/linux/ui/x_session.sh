#!/bin/sh
# Runs a command inside a private X session: Xvfb on a free display between 90 and 199,
# optionally with a tray host (trayer) and a window manager (openbox), and stops them afterwards.
#   x_session.sh [--tray] [--wm] -- command [arguments]
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

# Xvfb refuses a display another server holds, so losing a race to a parallel test only means
# trying the next number. The lock file names the server that owns the display.
first=$(( $$ % 110 ))
display=""
i=0
while [ $i -lt 110 ] && [ -z "$display" ]; do
  n=$(( 90 + (first + i) % 110 ))
  i=$(( i + 1 ))
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  tries=0
  while [ $tries -lt 100 ]; do
    kill -0 "$xvfb" 2>/dev/null || break
    if [ -e "/tmp/.X$n-lock" ] && [ "$(tr -d ' ' <"/tmp/.X$n-lock")" = "$xvfb" ] &&
       DISPLAY=":$n" timeout 2 xdotool getdisplaygeometry >/dev/null 2>&1; then
      display=":$n"
      pids="$xvfb"
      break
    fi
    sleep 0.05
    tries=$(( tries + 1 ))
  done
  [ -z "$display" ] && kill "$xvfb" 2>/dev/null
done
if [ -z "$display" ]; then
  echo "x_session.sh: no X display could be started" >&2
  exit 1
fi
export DISPLAY="$display"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

if [ $wm -eq 1 ]; then
  openbox --sm-disable >"$work/wm.log" 2>&1 &
  pids="$! $pids"
  tries=0
  until timeout 2 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    tries=$(( tries + 1 ))
    if [ $tries -gt 100 ]; then echo "x_session.sh: openbox did not start" >&2; exit 1; fi
    sleep 0.05
  done
fi
if [ $tray -eq 1 ]; then
  trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    >"$work/tray.log" 2>&1 &
  pids="$! $pids"
fi

timeout 120 "$@"
