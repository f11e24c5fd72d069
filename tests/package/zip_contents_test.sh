#!/bin/sh
# The Windows zip holds exactly the program, its read-me and its licence, which carries the
# notices of the runtime linked into the program after Clavitap's own.
#   zip_contents_test.sh path/to/Clavitap-<version>-windows.zip
set -eu
python3 - "$1" <<'PY'
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
names = sorted(archive.namelist())
expected = ["Clavitap.exe", "LICENSE.txt", "README.txt"]
if names != expected:
    sys.exit(f"zip_contents_test: the zip holds {names}, not {expected}")
licence = archive.read("LICENSE.txt").decode()
if not licence.startswith("MIT License") or "MinGW-w64 winpthreads" not in licence:
    sys.exit("zip_contents_test: LICENSE.txt lacks Clavitap's licence or the runtime's notices")
print("zip_contents_test: Clavitap.exe, README.txt and LICENSE.txt")
PY
