#!/bin/sh
# Installs the .deb with apt-get, as a user would on Debian 12, checks what it put in place (man
# finds the manual page), runs the installed program in a private X session (its window appears,
# closing it saves the settings and ends it quietly) and removes the package again.
#   deb_install_test.sh path/to/clavitap_<version>_amd64.deb path/to/libclavitap_box_log_preload.so
# (the second from the build's tests: it lets the run read and close the program's boxes).
# Needs root, or sudo without a password.
set -u
deb=$(readlink -f "$1")
preload=$(readlink -f "$2")
here=$(cd "$(dirname "$0")" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo -n"

fail() {
  echo "deb_install_test: $*" >&2
  exit 1
}

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=120 install -y -qq "$deb" >/dev/null 2>&1 || fail "apt-get could not install $deb"
trap '$sudo apt-get -o DPkg::Lock::Timeout=120 remove -y -qq clavitap >/dev/null 2>&1' EXIT

entry=/usr/share/applications/org.example.clavitap.desktop
for file in /usr/bin/clavitap "$entry" /usr/share/metainfo/org.example.clavitap.metainfo.xml \
            /usr/share/man/man1/clavitap.1.gz /usr/share/doc/clavitap/copyright \
            /usr/share/doc/clavitap/changelog.gz; do
  # A system whose dpkg leaves manual pages or documents out (as container images do) has none.
  case "$file" in
    /usr/share/man/*|/usr/share/doc/*/changelog.gz)
      grep -qsE "^path-exclude[= ]*${file%/*/*}/" /etc/dpkg/dpkg.cfg.d/* && continue ;;
  esac
  [ -f "$file" ] || fail "the package did not install $file"
done
for size in 16 22 24 32 48 64 128; do
  [ -f "/usr/share/icons/hicolor/${size}x${size}/apps/clavitap.png" ] ||
    fail "no ${size}x${size} icon"
done
grep -qx 'Exec=clavitap' "$entry" || fail "the desktop entry does not start clavitap"
[ ! -f /usr/share/man/man1/clavitap.1.gz ] || man -w clavitap >/dev/null 2>&1 ||
  fail "man does not find the manual page clavitap(1)"
[ -e /usr/share/sounds/sf2/default-GM.sf2 ] || [ -e /usr/share/sounds/sf2/TimGM6mb.sf2 ] ||
  fail "no General MIDI SoundFont came with the package's dependencies"

"$here/../linux/ui/x_session.sh" --wm -- "$here/../linux/ui/program_test.sh" /usr/bin/clavitap "$preload" ||
  fail "the installed program did not start and close cleanly"
echo "deb_install_test: installed, started, closed and removed"
