#!/bin/sh
# One program per session, inside x_session.sh --wm --tray: a second start while the first hides in
# the tray ends at once with status 0, having written nothing, and the first program's window comes
# back; at close the settings are the first program's. A killed program does not block the next
# start, of two simultaneous starts exactly one stays (also with an odd runtime folder), a start
# on another X display runs there, and one on another Wayland display says where Clavitap runs.
#   second_start_test.sh path/to/clavitap path/to/libclavitap_box_log_preload.so
set -u
program=$1
preload=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-second-XXXXXX")
cleanup() {
  for p in $(jobs -p); do kill -9 "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "second_start_test: $*" >&2
  for f in "$work"/*.txt; do [ -s "$f" ] && { echo "--- ${f##*/}:"; cat "$f"; } >&2; done
  exit 1
}

mkdir -m 700 "$work/runtime" && mkdir -p "$work/config/Clavitap"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
settings="$work/config/Clavitap/Clavitap.conf"
printf '[Value]\nDevies=0\nStage=4\nTools=40\nVol=37\n' >"$settings"
# Boxes at start-up (no sound server here) are closed by the preloaded watch after 50 ms.
# With $prepare set, the program runs in a private mount namespace after that shell command.
run() { # run NAME &: the program in place of the subshell, its output in NAME-*.txt
  exec ${prepare:+unshare -m --propagation private sh -c "$prepare"' && exec "$@"' sh} \
    env LD_PRELOAD="$preload" CLAVITAP_TEST_BOX_LOG="$work/boxes.txt" CLAVITAP_TEST_BOX_CLOSE_MS=50 \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
    "$program" >"$work/$1-out.txt" 2>"$work/$1-err.txt"
}
main_windows() { # the visible normal windows titled Clavitap, with the pid that owns each
  for id in $(xdotool search --onlyvisible --name '^Clavitap$' 2>/dev/null); do
    xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_NORMAL &&
      echo "$id $(xprop -id "$id" _NET_WM_PID | sed 's/.*= //')"
  done
}
wait_for() { # wait_for COMMAND...: up to 10 s
  tries=0
  until "$@"; do
    tries=$((tries + 1))
    [ $tries -gt 100 ] && return 1
    sleep 0.1
  done
}
one_window_of() { [ "$(main_windows | awk '{print $2}' | sort -u)" = "$1" ] && [ "$(main_windows | wc -l)" -eq 1 ]; }
ended() { ! kill -0 "$1" 2>/dev/null; }
one_window() { [ "$(main_windows | wc -l)" -eq 1 ]; }
no_window() { [ -z "$(main_windows)" ]; }

run first & first=$!
wait_for one_window_of "$first" || fail "the first program's window did not appear: $(main_windows)"
sleep 0.5
window=$(main_windows | awk '{print $1}')
# Hide it in the tray with its "Minimize to System Tray" label (480, 3465 twips: 32, 231 pixels).
xdotool mousemove --window "$window" 40 237 click 1
wait_for no_window || fail "the window did not hide in the tray"

printf '[Value]\nDevies=0\nStage=1\nTools=1\nVol=55\n' >"$settings"
cp "$settings" "$work/before.conf"
# The time is a figure to read (to a tenth of a second), not a limit: a busy machine may be slower.
start=$(date +%s%N)
run second & second=$!
wait_for ended "$second" || fail "the second start was still running after 10 s"
took=$(( ($(date +%s%N) - start) / 1000000 ))
wait "$second"
status=$?
echo "second start ended with status $status after $took ms"
[ $status -eq 0 ] || fail "the second start ended with status $status"
[ -s "$work/second-out.txt" ] || [ -s "$work/second-err.txt" ] && fail "the second start printed"
wait_for one_window_of "$first" || fail "not exactly the first program's window came back: $(main_windows)"
cmp -s "$settings" "$work/before.conf" || fail "the second start wrote the settings"

# A minimised window comes back too.
xdotool windowminimize "$window"
wait_for no_window || fail "the window did not minimise"
run third & third=$!
wait_for ended "$third" || fail "the third start was still running after 10 s"
wait "$third" || fail "the third start ended with status $?"
wait_for one_window_of "$first" || fail "the minimised window did not come back: $(main_windows)"

# A running program that does not answer (stopped here): the start says so in a box, where a user
# who started it from the desktop menu sees it, and ends with 1.
kill -STOP "$first"
run hung & hung=$!
wait_for ended "$hung" || fail "the start beside a stopped program was still running after 10 s"
wait "$hung" && fail "the start beside a stopped program ended with status 0"
grep -q 'already running but does not answer' "$work/boxes.txt" || fail "no box said why"
[ -s "$work/hung-err.txt" ] && fail "the start beside a stopped program wrote to the terminal"
kill -CONT "$first"

wmctrl -i -c "$window"
wait "$first" || fail "the first program ended with status $?"
grep -qx 'Vol=37' "$settings" && grep -qx 'Tools=40' "$settings" ||
  fail "the settings are not the first program's: $(cat "$settings")"

# A program killed outright blocks no later start.
run killed & killed=$!
wait_for one_window_of "$killed" || fail "no window before the kill"
kill -9 "$killed"
wait "$killed" 2>/dev/null
wait_for no_window || fail "the killed program's window stayed"
# Two starts at once: one stays with its window, the other hands over to it and ends with 0; also
# when the runtime folder cannot be written and holds odd files (root: a read-only mount).
mkdir "$XDG_RUNTIME_DIR/clavitap.lock" "$XDG_RUNTIME_DIR/clavitap.socket"
for prepare in "" "mount --bind '$XDG_RUNTIME_DIR' '$XDG_RUNTIME_DIR' && mount -o remount,bind,ro '$XDG_RUNTIME_DIR'"; do
  [ -n "$prepare" ] && [ "$(id -u)" -ne 0 ] && chmod a-w "$XDG_RUNTIME_DIR" && prepare=""
  run twin1 & twin1=$!
  run twin2 & twin2=$!
  wait_for one_window || fail "no window after two starts"
  sleep 3
  stays=$(main_windows | awk '{print $2}')
  [ "$stays" = "$twin1" ] && ended=$twin2 || ended=$twin1
  kill -0 "$ended" 2>/dev/null && fail "both simultaneous starts are still running (${prepare:-plain})"
  wait "$ended" || fail "the start that handed over ended with status $?"
  one_window_of "$stays" || fail "not exactly one window after two starts: $(main_windows)"
  [ -n "$prepare" ] && break
  wmctrl -i -c "$(main_windows | awk '{print $1}')"
  wait "$stays" || fail "the remaining program ended with status $?"
done
chmod u+w "$XDG_RUNTIME_DIR"

# A second X display of the same user, sharing the runtime folder: its keys and screen are its
# own, so a start there runs a program of its own, and the first stays as it was.
first_display=$DISPLAY
. "$(dirname "$0")/../../support/private_xvfb.sh"
start_private_xvfb "$work" || fail "no second X display"
other_display=$DISPLAY
export DISPLAY=$first_display
DISPLAY=$other_display run other & other=$!
DISPLAY=$other_display wait_for one_window_of "$other" || fail "no window on the second display"
one_window_of "$stays" || fail "the first display's program changed: $(main_windows)"
kill -TERM "$other"
wait "$other" || fail "the second display's program ended with status $?"
wmctrl -i -c "$(main_windows | awk '{print $1}')"
wait "$stays" || fail "the remaining program ended with status $?"
# Two Wayland displays of the session: the keys come from the computer's input devices, which
# both share, so a start on the second hands over and says where the program runs.
for wl in wl-a wl-b; do
  weston --backend=headless-backend.so --use-pixman --socket="$wl-$$" >"$work/$wl.log" 2>&1 &
done
wait_for sh -c "[ -S '$XDG_RUNTIME_DIR/wl-a-$$' ] && [ -S '$XDG_RUNTIME_DIR/wl-b-$$' ]" ||
  fail "the Wayland displays did not start"
# No GL driver is loaded (the sanitizers cannot tell its leaks from ours); windows draw in memory.
export XDG_SESSION_TYPE=wayland __EGL_VENDOR_LIBRARY_FILENAMES=/dev/null
unset DISPLAY
: >"$work/boxes.txt"
WAYLAND_DISPLAY=wl-a-$$ run wayland_first & wayland_first=$!
wait_for grep -q . "$work/boxes.txt" || fail "the program on the first Wayland display did not start"
WAYLAND_DISPLAY=wl-b-$$ run wayland_second & wayland_second=$!
wait_for ended "$wayland_second" || fail "the start on the second Wayland display did not end"
wait "$wayland_second" || fail "the start on the second Wayland display ended with status $?"
grep -q "already running on the display \"wl-a-$$\"" "$work/boxes.txt" ||
  fail "the start on the second Wayland display did not say where Clavitap runs"
kill -TERM "$wayland_first"
wait "$wayland_first" || fail "the program on the first Wayland display ended with status $?"
echo "second_start_test: handed over in $took ms, nothing written, first's window back and settings kept; killed program, simultaneous starts, odd runtime folder and second displays handled"
