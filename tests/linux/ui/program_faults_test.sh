#!/bin/sh
# The whole program meeting a fault as a user does, one case per run:
#   program_faults_test.sh CASE path/to/clavitap path/to/libclavitap_box_log_preload.so
# no_display runs without any X server; every other case inside x_session.sh --wm.
set -u
case_name=$1
program=$2
preload=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-faults-XXXXXX")
pid=""
others=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  for other in $others; do kill "$other" 2>/dev/null; done
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "program_faults_test $case_name: $*" >&2
  for f in err boxes; do [ -s "$work/$f.txt" ] && { echo "--- $f:"; cat "$work/$f.txt"; } >&2; done
  exit 1
}

mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
settings="$XDG_CONFIG_HOME/Clavitap/Clavitap.conf"
: >"$work/boxes.txt"
# "Devies" names no device in any list: no port is open, and every send fails with a box.
store_no_device() {
  mkdir -p "$XDG_CONFIG_HOME/Clavitap"
  printf '[Value]\nDevies=99\nStage=3\nTools=5\nVol=37\n' >"$settings"
}

# Starts the program in the background; with `close_ms` set the preloaded watch closes its boxes.
# A first argument is a shell command run first in a private mount namespace (root only).
start_program() {
  if [ -n "${close_ms:-}" ]; then export CLAVITAP_TEST_BOX_CLOSE_MS=$close_ms; fi
  export CLAVITAP_TEST_BOX_LOG="$work/boxes.txt"
  export ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0"
  if [ $# -gt 0 ]; then
    unshare -m --propagation private sh -c "$1"' && exec env LD_PRELOAD="$0" "$@"' \
      "$preload" "$program" >"$work/out.txt" 2>"$work/err.txt" &
  else
    LD_PRELOAD="$preload" "$program" >"$work/out.txt" 2>"$work/err.txt" &
  fi
  pid=$!
}

boxes_logged() { wc -l <"$work/boxes.txt"; }
windows_of_type() {
  for id in $(xdotool search --onlyvisible --name '^Clavitap$' 2>/dev/null); do
    xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q "= _NET_WM_WINDOW_TYPE_$1\b" && echo "$id"
  done
}
# Polls `condition` every 0.1 s for at most `tenths` tenths of a second.
wait_until() {
  tenths=$1
  shift
  while ! "$@"; do
    tenths=$((tenths - 1))
    [ $tenths -le 0 ] && return 1
    sleep 0.1
  done
}
has_dialog() { [ -n "$(windows_of_type DIALOG)" ]; }
has_main_window() { [ -n "$(windows_of_type NORMAL)" ]; }
has_ended() { ! kill -0 "$pid" 2>/dev/null; }
logged_at_least() { [ "$(boxes_logged)" -ge "$1" ]; }

# Closes the box on top with a real Return typed on the keyboard, which the program hears too.
press_return_on_box() {
  box=$(windows_of_type DIALOG | head -1)
  [ -n "$box" ] || fail "no box to close"
  xdotool windowactivate --sync "$box" key Return
}

# With no device stored, the instrument's bank select and program change fail at start: two boxes,
# each closed with Return, then the main window.
close_start_up_boxes_with_return() {
  for n in 1 2; do
    wait_until 100 logged_at_least $n || fail "start-up box $n did not appear"
    wait_until 50 has_dialog || fail "start-up box $n is not shown"
    press_return_on_box
  done
  wait_until 100 has_main_window || fail "no main window"
}

# Waits for the end; fails unless it came with status `expected` (default 0).
expect_end() {
  started=$(date +%s%N)
  wait_until 100 has_ended || fail "the program did not end $1"
  echo "program_faults_test $case_name: ended $1 after $(( ($(date +%s%N) - started) / 1000000 )) ms"
  wait "$pid"
  status=$?
  pid=""
  [ $status -eq "${2:-0}" ] || fail "the program ended with status $status $1"
}

case "$case_name" in
key_trap)
  # With no device open, the first key typed in another program shows one box; the Return that
  # closes it and three keys after it show none, and the window still closes normally.
  store_no_device
  start_program
  close_start_up_boxes_with_return
  sleep 1
  { has_dialog || [ "$(boxes_logged)" -ne 2 ]; } && fail "a box followed the Return on a start-up box"
  xmessage -name other 'another program' &
  others=$!
  wait_until 50 sh -c 'xdotool search --name "^other$" >/dev/null' || fail "no other window"
  xdotool search --name '^other$' windowactivate --sync
  xdotool key a
  wait_until 50 has_dialog || fail "the first key showed no box"
  sleep 1
  [ "$(boxes_logged)" -eq 3 ] || fail "the first key showed $(( $(boxes_logged) - 2 )) boxes"
  press_return_on_box
  sleep 1
  has_dialog && fail "a box followed the Return that closed the first"
  xdotool search --name '^other$' windowactivate --sync
  for key in b c d; do xdotool key $key; sleep 0.2; done
  sleep 1
  [ "$(boxes_logged)" -eq 3 ] || fail "later keys showed boxes"
  wmctrl -i -c "$(windows_of_type NORMAL)"
  expect_end "when its window was closed"
  grep -qx 'Vol=37' "$settings" || fail "the choices were not saved"
  ;;

signal_in_box)
  # A termination signal while a start-up box is open ends the program as a close would; its
  # start-up had not finished, so the stored choices stay as they were.
  for signal in TERM INT HUP; do
    store_no_device
    cp "$settings" "$work/before.conf"
    : >"$work/boxes.txt"
    start_program
    wait_until 100 has_dialog || fail "no start-up box"
    kill -"$signal" "$pid"
    expect_end "on SIG$signal with a box open"
    cmp -s "$settings" "$work/before.conf" || fail "SIG$signal changed the stored choices"
    [ -s "$work/err.txt" ] && fail "SIG$signal left words on the terminal"
  done
  ;;

term_moments)
  # TERM at 30 random moments of a start without a SoundFont, whose boxes hold it: before the
  # window, in each start-up box, in the restore, idle, and in the box of a refused save at close.
  # Each time the stored file is as it was, byte for byte, or holds what the restore showed. It
  # begins with a byte-order mark and CR LF, as some editors write it: no box may call its save
  # a failure.
  if [ "$(id -u)" -ne 0 ]; then echo "needs root for a private mount namespace"; exit 77; fi
  mkdir -p "$(dirname "$settings")"
  printf '\357\273\277[Value]\r\nDevies=0\r\nStage=2\r\nTools=3\r\nVol=60\r\n' >"$work/before.conf"
  restored=$(printf '[Value]\nDevies=0\nStage=2\nTools=3\nVol=60')
  hide_fonts="mount -t tmpfs none /usr/share/sounds/sf2"
  folder=$(dirname "$settings")
  box_gone() { ! windows_of_type DIALOG | grep -qx "$1"; }
  close_dialog() {
    wait_until 100 logged_at_least "$1" || fail "run $run: box $1 did not appear"
    wait_until 50 has_dialog || fail "run $run: box $1 is not shown"
    box=$(windows_of_type DIALOG | head -1)
    wmctrl -i -c "$box"
    wait_until 50 box_gone "$box" || fail "run $run: box $1 did not close"
  }
  for run in $(seq 30); do
    cp "$work/before.conf" "$settings"
    : >"$work/boxes.txt"
    closed=$(( run % 5 ))  # boxes closed before the signal; 4: the window closed, its box open
    delay=$(( $(od -An -N2 -tu2 /dev/urandom) % 400 ))
    if [ $closed -eq 4 ]; then
      start_program "$hide_fonts && mount --bind '$folder' '$folder' && mount -o remount,bind,ro '$folder'"
    else
      start_program "$hide_fonts"
    fi
    n=1
    while [ $n -le $closed ] && [ $n -le 3 ]; do close_dialog $n; n=$((n + 1)); done
    if [ $closed -ge 3 ]; then wait_until 100 has_main_window || fail "run $run: no main window"; fi
    if [ $closed -eq 4 ]; then
      wmctrl -i -c "$(windows_of_type NORMAL)"
      wait_until 100 has_dialog || fail "run $run: no box at the refused save"
    fi
    sleep "$(printf '0.%03d' $delay)"
    kill -TERM "$pid" 2>/dev/null
    wait_until 100 has_ended || fail "run $run: TERM after $closed boxes did not end the program"
    wait "$pid"
    status=$?
    pid=""
    # 143: the signal came before the program took it over.
    [ $status -eq 0 ] || [ $status -eq 143 ] || fail "run $run: ended with status $status"
    now=$(sed '1s/^\xef\xbb\xbf//' "$settings" | tr -d '\r')
    cmp -s "$settings" "$work/before.conf" || [ "$now" = "$restored" ] ||
      fail "run $run: TERM ${delay} ms after $closed boxes left: $now"
    if [ $closed -lt 4 ] && grep -q 'could not save' "$work/boxes.txt"; then
      fail "run $run: a save was called a failure"
    fi
    echo "program_faults_test $case_name: run $run, TERM ${delay} ms after $closed boxes: ok"
  done
  ;;

unreadable_values)
  # Each text that is no choice, in each key in turn: at close that key is removed and the others
  # keep their stored values; the next start shows the key's default, which its close writes.
  # Each start also checks the previous one's key. Device 1 is not listed here and stays stored.
  close_ms=50
  mkdir -p "$(dirname "$settings")"
  original() { case $1 in Vol) echo 37 ;; Stage) echo 4 ;; Devies) echo 1 ;; Tools) echo 40 ;; esac; }
  default() { case $1 in Vol) echo 100 ;; *) echo 0 ;; esac; }
  value_of() { sed -n "s/^$1=//p" "$settings"; }
  previous=""
  for text in "" abc 1e3 12345678901234567890 5.5 -1 0x10 -2 200 end; do
    for key in Vol Stage Devies Tools; do
      [ "$text" = end ] && [ "$key" != Vol ] && break
      { echo '[Value]'
        for k in Vol Stage Devies Tools; do
          if [ "$k" = "$key" ] && [ "$text" != end ]; then echo "$k=$text"
          elif [ "$k" != "$previous" ]; then echo "$k=$(original $k)"; fi
        done; } >"$settings"
      start_program
      wait_until 100 has_main_window || fail "$key=$text: no main window"
      wmctrl -i -c "$(windows_of_type NORMAL)"
      expect_end "with $key=$text"
      for k in Vol Stage Devies Tools; do
        if [ "$k" = "$key" ] && [ "$text" != end ]; then
          # 200 in Devies is a device position, kept for when the device is back.
          if [ "$k$text" = Devies200 ]; then
            [ "$(value_of $k)" = 200 ] || fail "the unlisted device 200 was not kept"
          elif grep -q "^$k=" "$settings"; then
            fail "$key=\"$text\" was written back as $(value_of $k)"
          fi
        elif [ "$k" = "$previous" ]; then
          [ "$(value_of $k)" = "$(default $k)" ] || fail "after $previous was removed the next start showed $k=$(value_of $k)"
        else
          [ "$(value_of $k)" = "$(original $k)" ] || fail "$key=\"$text\" changed $k to $(value_of $k)"
        fi
      done
      if [ "$k$text" = Devies200 ]; then previous=""; else previous=$key; fi
    done
  done
  ;;

no_display)
  # No desktop at all: one plain line naming what is missing, status 1, no abort.
  for display in "" ":1999"; do
    if [ -z "$display" ]; then unset DISPLAY; else export DISPLAY=$display; fi
    unset WAYLAND_DISPLAY
    start_program
    expect_end "without a display ($display)" 1
    [ "$(wc -l <"$work/err.txt")" -eq 1 ] || fail "not one line on standard error"
    grep -q 'no desktop to show its window on' "$work/err.txt" || fail "the line says not why"
    grep -q 'DISPLAY' "$work/err.txt" || fail "the line names not the variable"
  done
  ;;

box_after_signal)
  # A close on a termination signal that cannot save the choices says so in a box, where a user
  # who started the program from the desktop menu sees it, not on the terminal; closing the box,
  # or a second signal, ends the program.
  if [ "$(id -u)" -ne 0 ]; then echo "needs root for a private mount namespace"; exit 77; fi
  for end_by in Return TERM; do
    store_no_device
    : >"$work/boxes.txt"
    folder=$(dirname "$settings")
    start_program "mount --bind '$folder' '$folder' && mount -o remount,bind,ro '$folder'"
    close_start_up_boxes_with_return
    kill -TERM "$pid"
    wait_until 100 has_dialog || fail "no box after the signal"
    tail -1 "$work/boxes.txt" | grep -q 'could not save your choices' || fail "the box says not why"
    has_ended && fail "the program ended under its box"
    if [ $end_by = Return ]; then press_return_on_box; else kill -TERM "$pid"; fi
    expect_end "after the box that followed a signal ($end_by)"
    [ -s "$work/err.txt" ] && fail "words on the terminal ($end_by)"
  done
  ;;

qt_platform)
  # A desktop is there but Qt cannot start on it: the line names the real cause, not the display.
  export QT_QPA_PLATFORM=wayland
  start_program
  expect_end "with QT_QPA_PLATFORM=wayland on X" 1
  grep -q "QT_QPA_PLATFORM=\"wayland\".*X display \"$DISPLAY\" can be" "$work/err.txt" ||
    fail "the forced platform is not named as the cause"
  unset QT_QPA_PLATFORM
  if [ "$(id -u)" -ne 0 ]; then echo "needs root for a private mount namespace"; exit 77; fi
  start_program "mount -t tmpfs none $(qtpaths6 --query QT_INSTALL_PLUGINS)/platforms"
  expect_end "without Qt's platform plug-ins" 1
  grep -q 'plug-in "xcb", which is not installed' "$work/err.txt" || fail "the missing plug-in is not named"
  grep -q 'no desktop' "$work/err.txt" && fail "the display was blamed"
  [ "$(wc -l <"$work/err.txt")" -eq 1 ] || fail "not one line on standard error"
  ;;

unwritable_settings)
  # Settings that cannot be written at close: one box naming the file and the reason, a normal
  # end, and the old file intact. The folder is made read-only; root, whom permissions do not
  # stop, gets a read-only mount of it in a private mount namespace.
  close_ms=50
  store_no_device
  printf '[Value]\nDevies=99\nStage=abc\n' >"$settings"  # the run writes Stage=0
  cp "$settings" "$work/before.conf"
  folder=$(dirname "$settings")
  if [ "$(id -u)" -eq 0 ]; then
    start_program "mount --bind '$folder' '$folder' && mount -o remount,bind,ro '$folder'"
  else
    chmod a-w "$folder"
    start_program
  fi
  wait_until 100 has_main_window || fail "no main window"
  sleep 1
  wmctrl -i -c "$(windows_of_type NORMAL)"
  expect_end "with read-only settings"
  [ "$(grep -c 'could not save your choices' "$work/boxes.txt")" -eq 1 ] || fail "not told once"
  grep -F "could not save your choices to $settings: " "$work/boxes.txt" | grep -q 'read-only\|not allowed' ||
    fail "the box names not the file and the reason"
  cmp -s "$settings" "$work/before.conf" || fail "the old settings file changed"
  [ -s "$work/err.txt" ] && fail "words on the terminal"
  ;;

fifo_settings)
  # A FIFO where the settings file should be: start-up goes on with the design values, and the
  # close says once that the choices could not be saved there, leaving the FIFO as it was.
  close_ms=50
  mkdir -p "$(dirname "$settings")"
  mkfifo "$settings"
  start_program
  wait_until 100 has_main_window || fail "start-up did not reach the window"
  sleep 1
  wmctrl -i -c "$(windows_of_type NORMAL)"
  expect_end "with a FIFO for settings"
  [ "$(grep -c "could not save your choices to $settings: it is not a regular file" \
    "$work/boxes.txt")" -eq 1 ] || fail "not told once that the settings could not be saved"
  [ -p "$settings" ] || fail "the FIFO was replaced"
  ;;

no_soundfont)
  # No General MIDI SoundFont on the machine: told once at start which package provides one; the
  # MIDI error boxes stay. A private mount namespace hides the installed fonts (root only).
  if [ "$(id -u)" -ne 0 ]; then echo "needs root for a private mount namespace"; exit 77; fi
  close_ms=50
  start_program "mount -t tmpfs none /usr/share/sounds/sf2"
  wait_until 100 has_main_window || fail "no main window"
  sleep 1
  [ "$(grep -c 'No General MIDI SoundFont is installed' "$work/boxes.txt")" -eq 1 ] ||
    fail "not told once that no SoundFont is installed"
  head -1 "$work/boxes.txt" | grep -q 'timgm6mb-soundfont' || fail "the notice is not first"
  head -1 "$work/boxes.txt" | grep -q 'device list' || fail "the notice says not what the list holds"
  [ "$(grep -vc 'SoundFont' "$work/boxes.txt")" -ge 1 ] || fail "the MIDI error boxes went away"
  wmctrl -i -c "$(windows_of_type NORMAL)"
  expect_end "without a SoundFont"
  # A font that is there but cannot be loaded is named as such, not as missing.
  : >"$work/boxes.txt"
  rm -f "$settings"
  start_program "mount -t tmpfs none /usr/share/sounds/sf2 && echo sfbk >/usr/share/sounds/sf2/TimGM6mb.sf2"
  wait_until 100 has_main_window || fail "no main window with a damaged font"
  sleep 1
  grep -q 'cannot load the SoundFont /usr/share/sounds/sf2/TimGM6mb.sf2' "$work/boxes.txt" ||
    fail "the damaged font is not named"
  [ -s "$work/err.txt" ] && fail "words on the terminal"
  grep -q 'No General MIDI SoundFont\|found no' "$work/boxes.txt" && fail "a damaged font was called missing"
  wmctrl -i -c "$(windows_of_type NORMAL)"
  expect_end "with a damaged SoundFont"
  ;;

*) fail "no such case" ;;
esac
echo "program_faults_test $case_name: passed"
