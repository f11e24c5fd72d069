#!/usr/bin/env bash
# Installs the Debian 12 packages Clavitap needs to build, run and test both targets.
# Run as root (or through sudo).
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config dpkg-dev
  # Linux target: Qt 6 widgets, FluidSynth with a General MIDI SoundFont, ALSA sequencer, X11 keys
  qt6-base-dev libfluidsynth-dev timgm6mb-soundfont librtmidi-dev libasound2-dev
  libx11-dev libxi-dev libxtst-dev libevdev-dev
  # Windows target: MinGW-w64 cross compiler and Wine to run its tests
  mingw-w64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 fonts-wine
  # tests: GoogleTest, Google Benchmark, a virtual X server, XTest input, a tray host,
  # a PulseAudio null sink, sound analysis and screenshots
  googletest libgtest-dev libbenchmark-dev libpulse-dev xvfb xauth x11-xkb-utils xdotool x11-utils
  fonts-liberation2 trayer openbox pulseaudio pulseaudio-utils sox imagemagick xdg-utils python3
  # tests: PipeWire with WirePlumber and its PulseAudio service on a private session bus
  pipewire pipewire-bin wireplumber pipewire-pulse dbus-daemon
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "Clavitap: build, run and test packages are already installed."
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "Clavitap: build, run and test packages are installed."
