#!/bin/sh
# Runs the scaled screen tests (inside x_session.sh) at 150 % and 200 % set through QT_SCALE_FACTOR,
# then at 200 % set as GNOME and KDE on X set it: Xft.dpi in the X resources, which Qt reads. The
# look test runs at 100 % too.
#   hidpi_runs.sh path/to/clavitap_linux_screen_tests
set -u
test=$1
echo "== 100 %"
"$test" --gtest_filter='Screen.Look*' || exit 1
for factor in 1.5 2; do
  echo "== QT_SCALE_FACTOR=$factor"
  QT_SCALE_FACTOR=$factor "$test" --gtest_filter='Screen.Scaled*:Screen.Look*' || exit 1
done
echo "== Xft.dpi: 192"
echo "Xft.dpi: 192" | xrdb -merge || exit 1
"$test" --gtest_filter='Screen.Scaled*:Screen.Look*'
