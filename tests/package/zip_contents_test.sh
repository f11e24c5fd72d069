#!/bin/sh
# The Windows zip holds exactly the program, its read-me and its licence.
#   zip_contents_test.sh path/to/Clavitap-<version>-windows.zip
set -eu
python3 - "$1" <<'PY'
import sys, zipfile
names = sorted(zipfile.ZipFile(sys.argv[1]).namelist())
expected = ["Clavitap.exe", "LICENSE.txt", "README.txt"]
if names != expected:
    sys.exit(f"zip_contents_test: the zip holds {names}, not {expected}")
print("zip_contents_test: Clavitap.exe, README.txt and LICENSE.txt")
PY
