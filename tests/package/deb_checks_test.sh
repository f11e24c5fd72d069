#!/bin/sh
# Debian's and the desktops' own checks on the built .deb, as a packager and a software centre
# run them: lintian with no error and no warning; the AppStream metadata, the desktop entry and
# the manual page it holds each pass their validator; the metadata's id names the desktop entry;
# the changelog and the program both name the package's version.
#   deb_checks_test.sh path/to/clavitap_<version>_amd64.deb
set -u
deb=$(readlink -f "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/clavitap-deb-checks-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "deb_checks_test: $*" >&2
  [ -s "$work/log" ] && cat "$work/log" >&2
  exit 1
}

# lintian warns on standard error when it runs as root, which CI does.
lintian --fail-on error,warning --info "$deb" >"$work/log" 2>&1 || fail "lintian finds errors or warnings"

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb cannot unpack the package"
share="$work/root/usr/share"
set -- "$share"/metainfo/*.metainfo.xml
[ $# -eq 1 ] && [ -f "$1" ] || fail "not exactly one AppStream metadata file: $*"
metainfo=$1
appstreamcli validate --no-net --explain "$metainfo" >"$work/log" 2>&1 ||
  fail "appstreamcli does not accept $(basename "$metainfo")"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "the metadata file is not named by its id $id"
desktop="$share/applications/$id.desktop"
[ -f "$desktop" ] || fail "no desktop entry named by the id: $id.desktop"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metadata does not launch $id.desktop"
desktop-file-validate "$desktop" >"$work/log" 2>&1 || fail "desktop-file-validate rejects $id.desktop"

page="$share/man/man1/clavitap.1.gz"
[ -f "$page" ] || fail "no manual page clavitap(1)"
LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$work/page" 2>"$work/log" &&
  [ ! -s "$work/log" ] || fail "man warns about clavitap(1)"
grep -q 'clavitap - ' "$work/page" || fail "the manual page has no NAME line"
mandoc -T lint -W warning "$page" >"$work/log" 2>&1 || fail "mandoc warns about clavitap(1)"

version=$(dpkg-deb -f "$deb" Version)
zcat "$share/doc/clavitap/changelog.gz" | head -1 | grep -q "^clavitap ($version) " ||
  fail "the changelog's newest entry is not for version $version"
[ "$("$work/root/usr/bin/clavitap" --version | head -1)" = "clavitap $version" ] ||
  fail "clavitap --version does not name the package's version $version"
echo "deb_checks_test: lintian, appstreamcli, desktop-file-validate, man and mandoc pass; version $version"
