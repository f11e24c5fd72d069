#!/bin/sh
# The program in a Wayland session (inside weston_session.sh, with a sound server): it opens a
# native Wayland window, not one through XWayland, keeps the terminal quiet, and a termination
# signal (a logout) saves the four choices and ends it with status 0. Its window names the
# desktop entry as its application id, so the compositor shows the entry's icon and name. On a
# machine whose input devices it cannot read, its notice box is open meanwhile; the signal ends
# it all the same.
#   wayland_program_test.sh path/to/clavitap path/to/clavitap.desktop
set -u
program=$1
desktop_entry=$(basename "$2" .desktop)
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-wayland-program-XXXXXX")
pid=""
watcher=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "wayland_program_test: $*" >&2
  for f in out err; do [ -s "$work/$f.txt" ] && { echo "--- $f:"; cat "$work/$f.txt"; } >&2; done
  exit 1
}

export XDG_CONFIG_HOME="$work/config"
# The compositor's log of the requests its clients make.
weston-debug proto >"$work/protocol.txt" 2>&1 &
watcher=$!
"$program" >"$work/out.txt" 2>"$work/err.txt" &
pid=$!

# Native: the Wayland client library and Qt's Wayland platform are loaded, and no X library
# talks to a server (there is none to talk to: DISPLAY is unset).
# The client library is linked in from the start (through EGL and SDL), so the wait is for Qt's
# platform plugin, which QApplication loads.
tries=0
until grep -qE 'platforms/libq(wayland|xcb)' "/proc/$pid/maps" 2>/dev/null; do
  tries=$((tries + 1))
  kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
  [ $tries -gt 100 ] && fail "no Qt platform plugin was ever loaded"
  sleep 0.1
done
grep -q 'libwayland-client' "/proc/$pid/maps" || fail "the Wayland client library is not loaded"
grep -q 'platforms/libqwayland' "/proc/$pid/maps" || fail "Qt's Wayland platform is not in use"
grep -q 'platforms/libqxcb' "/proc/$pid/maps" && fail "Qt's X platform was loaded"
tries=0
until grep -q "xdg_toplevel@[0-9]*\.set_app_id(\"$desktop_entry\")" "$work/protocol.txt"; do
  tries=$((tries + 1))
  kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
  [ $tries -gt 100 ] &&
    fail "no window named the application id $desktop_entry: $(grep -m3 set_app_id "$work/protocol.txt")"
  sleep 0.1
done

kill -TERM "$pid"
tries=0
while kill -0 "$pid" 2>/dev/null && [ $tries -lt 100 ]; do
  tries=$((tries + 1))
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end on SIGTERM"
wait "$pid"
status=$?
pid=""
[ $status -eq 0 ] || fail "the program ended with status $status on SIGTERM"
[ -s "$work/out.txt" ] && fail "the program wrote to standard output"
[ -s "$work/err.txt" ] && fail "the program wrote to standard error"
settings="$XDG_CONFIG_HOME/Clavitap/Clavitap.conf"
for key in Devies Tools Vol Stage; do
  grep -Eq "^$key=-?[0-9]+\$" "$settings" 2>/dev/null || fail "no $key in the saved settings"
done
grep -qx 'Vol=100' "$settings" || fail "the first run did not keep volume 100"
echo "wayland_program_test: native Wayland window, quiet, SIGTERM saves and ends with status 0"
