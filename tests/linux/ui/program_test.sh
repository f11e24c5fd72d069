#!/bin/sh
# The program as a user runs it, inside x_session.sh --wm: its window appears, the terminal stays
# quiet, and closing the window through the window manager saves the four choices and ends the
# program with status 0.
#   program_test.sh path/to/clavitap path/to/libclavitap_box_log_preload.so
set -u
program=$1
preload=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-program-XXXXXX")
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "program_test: $*" >&2
  for f in out err boxes; do [ -s "$work/$f.txt" ] && { echo "--- $f:"; cat "$work/$f.txt"; } >&2; done
  exit 1
}

mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
# The boxes the program shows (no sound server here, so the built-in synthesizer may not open) are
# read and closed by the preloaded watch, not by the program.
start_program() {
  LD_PRELOAD="$preload" CLAVITAP_TEST_BOX_LOG="$work/boxes.txt" CLAVITAP_TEST_BOX_CLOSE_MS=50 \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
    "$program" >"$work/out.txt" 2>"$work/err.txt" &
  pid=$!
}

# Waits for the program to end after it was asked to close; fails unless it ends with status 0
# and leaves the terminal quiet.
expect_clean_end() {
  tries=0
  while kill -0 "$pid" 2>/dev/null && [ $tries -lt 100 ]; do
    tries=$((tries + 1))
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the program did not end $1"
  wait "$pid"
  status=$?
  pid=""
  [ $status -eq 0 ] || fail "the program ended with status $status $1"
  [ -s "$work/out.txt" ] && fail "the program wrote to standard output $1"
  [ -s "$work/err.txt" ] && fail "the program wrote to standard error $1"
}

# The main window is the normal window titled Clavitap. Message boxes shown during start-up, before
# the window, carry the same title; the watch closes them within a fraction of a second, after which the main window is the only one left.
normal_windows() {
  for id in $(xdotool search --onlyvisible --name '^Clavitap$' 2>/dev/null); do
    xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_NET_WM_WINDOW_TYPE_NORMAL' &&
      echo "$id"
  done
}
wait_for_main_window() {
  tries=0
  while [ -z "$(normal_windows)" ] && [ $tries -lt 100 ]; do
    tries=$((tries + 1))
    sleep 0.1
  done
  sleep 1.5
  window=$(normal_windows)
}

start_program
wait_for_main_window
[ -n "$window" ] || fail "no window titled Clavitap appeared"
[ "$(echo "$window" | wc -l)" -eq 1 ] || fail "more than one window stayed open: $window"
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"

# Close the window as a user would: with the close button at the right end of openbox's title bar.
title=""
tries=0
while [ -z "$title" ] && [ $tries -lt 50 ]; do
  title=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | cut -d, -f3 | tr -d ' ')
  tries=$((tries + 1))
  [ -z "$title" ] && sleep 0.1
done
[ -n "$title" ] && [ "$title" -gt 0 ] || fail "the window has no title bar"
info=$(xwininfo -id "$window")
left=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
top=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
width=$(echo "$info" | sed -n 's/.*Width: *//p')
xdotool mousemove $((left + width - 11)) $((top - title / 2)) click 1
expect_clean_end "when its window was closed"

settings="$XDG_CONFIG_HOME/Clavitap/Clavitap.conf"
[ -f "$settings" ] || fail "no settings were saved"
for key in Devies Tools Vol Stage; do
  grep -Eq "^$key=-?[0-9]+\$" "$settings" || fail "no $key in the saved settings: $(cat "$settings")"
done
head -1 "$settings" | grep -qx '\[Value\]' || fail "the settings lack their [Value] group"
grep -qx 'Vol=100' "$settings" || fail "the first run did not keep volume 100"

# A termination signal (a logout, `kill`) closes the window as the user would: settings saved.
rm -f "$settings"
start_program
wait_for_main_window
[ -n "$window" ] || fail "no window titled Clavitap appeared the second time"
kill -TERM "$pid"
expect_clean_end "on SIGTERM"
grep -qx 'Vol=100' "$settings" 2>/dev/null || fail "SIGTERM did not save the settings"

echo "program_test: window shown, closed, settings saved, terminal quiet; SIGTERM saves too"
