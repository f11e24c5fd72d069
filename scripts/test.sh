#!/usr/bin/env bash
# Installs what the tests need (when anything is missing), builds both targets and runs every
# test: the Linux build plainly and under AddressSanitizer and UndefinedBehaviorSanitizer, the
# Windows build under Wine, then both packages. Tests start their own X servers, sound servers and
# Wine prefixes. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
jobs=$(nproc)

run_preset() {
  local preset=$1
  echo "== $preset: configure and build ($SECONDS s)"
  cmake --preset "$preset" -DCLAVITAP_TESTS=ON >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test ($SECONDS s)"
  ctest --preset "$preset" -j "$jobs" --timeout 600
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_preset linux
run_preset linux-sanitize
run_preset windows

echo "== packages: the .deb checked, installed with apt-get and run, and the Windows zip ($SECONDS s)"
rm -f build/linux/clavitap_*.deb build/windows/Clavitap-*.zip
(cd build/linux && cpack -G DEB >/dev/null)
tests/package/deb_checks_test.sh build/linux/clavitap_*.deb
tests/package/deb_install_test.sh build/linux/clavitap_*.deb \
  build/linux/tests/linux/ui/libclavitap_box_log_preload.so
(cd build/windows && cpack -G ZIP >/dev/null)
tests/package/zip_contents_test.sh build/windows/Clavitap-*-windows.zip
echo "All Clavitap tests passed on both targets ($SECONDS s)."
