#!/bin/sh
# Runs a command on a private session bus (dbus-daemon --session) where a StatusNotifierWatcher
# with a registered host (sni_watcher.py) serves as the desktop's tray, then stops both.
#   dbus_session.sh command [arguments]
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-dbus-XXXXXX")
pids=""
cleanup() {
  for pid in $pids; do kill "$pid" 2>/dev/null; done
  for pid in $pids; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" \
  --print-address=3 3>"$work/address" >"$work/bus.log" 2>&1 &
pids="$!"
tries=0
until [ -s "$work/address" ]; do
  tries=$((tries + 1))
  if [ $tries -gt 200 ]; then echo "dbus_session.sh: the bus did not start" >&2; exit 1; fi
  sleep 0.05
done
DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/address")
export DBUS_SESSION_BUS_ADDRESS

/usr/bin/python3 "$here/sni_watcher.py" >"$work/watcher.log" 2>&1 &
pids="$! $pids"
tries=0
until grep -q ready "$work/watcher.log"; do
  tries=$((tries + 1))
  if [ $tries -gt 200 ]; then
    echo "dbus_session.sh: the StatusNotifierWatcher did not start" >&2
    cat "$work/watcher.log" >&2
    exit 1
  fi
  sleep 0.05
done
"$@"
