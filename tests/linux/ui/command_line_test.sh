#!/bin/sh
# The program's command line on a terminal with no desktop at all: --help and --version answer on
# standard output with status 0 (before the toolkit, which would find no display and end with 1),
# and any other argument gets one plain line on standard error and status 2. Nothing is written.
#   command_line_test.sh path/to/clavitap VERSION
set -u
program=$1
version=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-command-line-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "command_line_test: $*" >&2
  for f in out err; do [ -s "$work/$f" ] && { echo "--- $f:"; cat "$work/$f"; } >&2; done
  exit 1
}
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"

# run EXPECTED_STATUS ARGUMENTS...: standard output and error in $work/out and $work/err.
run() {
  expected=$1
  shift
  "$program" "$@" >"$work/out" 2>"$work/err"
  status=$?
  [ $status -eq "$expected" ] || fail "clavitap $* ended with $status, not $expected"
}

run 0 --help
[ -s "$work/err" ] && fail "--help wrote to standard error"
head -1 "$work/out" | grep -qx 'Usage: clavitap \[--help | --version\]' || fail "--help shows no usage line"
grep -q 'Clavitap/Clavitap.conf' "$work/out" || fail "--help does not say where the settings live"
awk 'length($0) > 79 { exit 1 }' "$work/out" || fail "--help has lines wider than 79 columns"

run 0 --version
[ -s "$work/err" ] && fail "--version wrote to standard error"
[ "$(head -1 "$work/out")" = "clavitap $version" ] || fail "--version does not open with 'clavitap $version'"

for arguments in "--bogus" "-h" "file.txt" "--help --version" "--version extra"; do
  # shellcheck disable=SC2086 # the arguments are split on purpose
  run 2 $arguments
  [ -s "$work/out" ] && fail "clavitap $arguments wrote to standard output"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "clavitap $arguments: not one line on standard error"
  grep -q 'only --help or --version' "$work/err" || fail "clavitap $arguments: the line does not say what it takes"
done
grep -q '"extra"' "$work/err" || fail "the line does not name the argument it refused"

# No settings, lock or socket: nothing of the program ran.
[ -z "$(ls -A "$work/runtime")" ] && [ ! -e "$work/config" ] || fail "the answers left files behind"
if "$program" --version >/dev/full 2>"$work/err"; then fail "--version into a full disk ended with 0"; fi
echo "command_line_test: --help, --version and five refused command lines without a desktop"
