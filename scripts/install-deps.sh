#!/usr/bin/env bash
# Installs the Debian 12 packages Clavitap needs:
#   install-deps.sh run    what building and running the Linux program needs (scripts/run.sh)
#   install-deps.sh test   that, and what building and testing both targets needs (scripts/test.sh)
# Run as root (or through sudo, which it calls itself). Installs nothing that is already there.
set -euo pipefail

run_packages=(
  # build tools
  cmake ninja-build g++ pkg-config
  # the Linux program: Qt 6 widgets (and its Wayland platform), FluidSynth with a General MIDI
  # SoundFont, the ALSA sequencer, the PipeWire and PulseAudio client libraries (not servers), X11
  # and evdev keys
  qt6-base-dev qt6-wayland libfluidsynth-dev timgm6mb-soundfont librtmidi-dev libasound2-dev
  libpipewire-0.3-dev libpulse-dev libx11-dev libxi-dev libevdev-dev libxkbcommon-dev xkb-data libfontconfig-dev
  # a Tahoma of the original's widths for the window font
  fonts-wine
)
test_packages=(
  # packaging the .deb (cpack's DEB generator calls file and dpkg-shlibdeps), and the checks it
  # must pass
  dpkg-dev file lintian appstream desktop-file-utils man-db mandoc
  # the Windows target: MinGW-w64 cross compiler, and Wine to run its tests
  mingw-w64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 fonts-wine
  # GoogleTest and Google Benchmark
  googletest libgtest-dev libbenchmark-dev
  # virtual X servers with XTest input, a window manager, a tray host, screenshots
  xvfb xauth x11-xkb-utils xdotool x11-utils wmctrl libxtst-dev fonts-liberation2 trayer openbox
  imagemagick xdg-utils x11-xserver-utils
  # a headless Wayland compositor, and a private session bus with a tray watcher in Python
  weston dbus-daemon python3-dbus python3-gi
  # sound servers to record from (PulseAudio null sinks), sound analysis, the second SoundFont
  pulseaudio pulseaudio-utils sox python3 fluid-soundfont-gm
  # PipeWire with WirePlumber and its PulseAudio service on a private session bus
  pipewire pipewire-bin wireplumber pipewire-pulse
)

case "${1:-}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "Clavitap: the packages to $1 are already installed."
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
echo "Clavitap: installing ${#missing[@]} packages and what they need, to $1 (apt-get)..."
echo "Clavitap: updating the package lists"
apt-get update -qq
# apt reports its progress on a status line of its own; one line per tenth of each stage is enough
# to see that it works without filling the terminal.
set +e
apt-get install -y -q --no-install-recommends -o APT::Status-Fd=3 "${missing[@]}" 3>&1 >/dev/null |
  awk -F: '
    $1 == "dlstatus" || $1 == "pmstatus" {
      stage = ($1 == "dlstatus") ? "downloading" : "unpacking and setting up"
      tenth = int($3 / 10)
      if (stage != last_stage || tenth != last_tenth) {
        printf "Clavitap: %s, %d%%\n", stage, tenth * 10
        fflush()
        last_stage = stage; last_tenth = tenth
      }
    }'
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ]; then
  echo "Clavitap: apt-get could not install the packages to $1 (status $status)." >&2
  exit "$status"
fi
echo "Clavitap: the packages to $1 are installed."
