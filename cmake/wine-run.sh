#!/bin/sh
# Runs one Windows program under Wine for the build and the tests:
#   wine-run.sh STATE_DIR PROGRAM.exe [ARGUMENT...]
#
# STATE_DIR holds a Wine prefix prepared once (64-bit, Wine's own Tahoma and the other TrueType
# fonts, a 1024x768 virtual desktop). Every run gets a fresh copy of that prefix, its own Xvfb on a
# free display number and its own wineserver, so runs in parallel never share a registry, a
# desktop or a display, and nothing is left running afterwards. Each run is bounded by
# CLAVITAP_WINE_TIMEOUT seconds (default 300); a crash ends with exit code 5 instead of waiting
# in the debugger. The program's exit code is passed on. CLAVITAP_WINE_DPI, when set, is the
# screen's DPI for this run (96 otherwise).
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 STATE_DIR PROGRAM.exe [ARGUMENT...]" >&2
    exit 2
fi
state=$1
shift
limit=${CLAVITAP_WINE_TIMEOUT:-300}

export WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset WINELOADER WINESERVER

quiet() { "$@" </dev/null >/dev/null 2>&1; }

prepare_template() {
    template=$1
    rm -rf "$template"
    mkdir -p "$template"
    export WINEPREFIX="$template"
    quiet timeout 300 wineboot -i || return 1
    quiet timeout 60 wineserver -w
    cp /usr/share/wine/fonts/*.ttf "$template/drive_c/windows/Fonts/" || return 1
    # A virtual desktop makes each window close take milliseconds instead of seconds.
    quiet timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f || return 1
    quiet timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f ||
        return 1
    quiet timeout 60 wineserver -w
    touch "$template/.clavitap-ready"
}

mkdir -p "$state" && state=$(cd "$state" && pwd) || exit 1
template="$state/prefix"
(
    flock -w 600 9 || exit 1
    if [ ! -f "$template/.clavitap-ready" ]; then
        prepare_template "$template" || { echo "wine-run.sh: cannot prepare $template" >&2; exit 1; }
    fi
) 9>"$state/prepare.lock" || exit 1

run=$(mktemp -d "$state/run.XXXXXX") || exit 1
xvfb_pid=
cleanup() {
    WINEPREFIX="$run" quiet timeout 30 wineserver -k
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The prefix's files are hard links into the template, except its registry and bookkeeping, which
# Wine rewrites: the registry is saved by writing a new file and renaming it over the old one, so
# a run never changes the template. A test that replaces a file in drive_c deletes it first.
for entry in "$template"/* "$template"/.[!.]*; do
    [ -e "$entry" ] || continue
    case ${entry##*/} in
    drive_c) cp -al "$entry" "$run/" || exit 1 ;;
    *) cp -a "$entry" "$run/" || exit 1 ;;
    esac
done
export WINEPREFIX="$run"

. "$(dirname "$0")/../tests/support/private_xvfb.sh"
if ! start_private_xvfb "$run" </dev/null; then
    echo "wine-run.sh: no X display could be started" >&2
    exit 1
fi

# Keep the wineserver up between the warm-up and the program; the warm-up also opens the desktop.
quiet timeout 30 wineserver -p
if [ -n "${CLAVITAP_WINE_DPI:-}" ]; then
    for key in 'HKCU\Control Panel\Desktop' \
        'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        quiet timeout 60 wine reg add "$key" /v LogPixels /t REG_DWORD /d "$CLAVITAP_WINE_DPI" /f
    done
    # The desktop started for the registry edit keeps the old DPI: start afresh.
    quiet timeout 30 wineserver -k
    quiet timeout 30 wineserver -p
fi
quiet timeout 60 wine cmd /c exit 0

timeout -k 5 "$limit" wine "$@"
